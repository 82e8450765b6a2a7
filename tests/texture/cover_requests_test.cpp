// The loader's queue rules and the texture budget rules, as pure logic.
#include "texture/cover_requests.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "texture/cover_picture.h"
#include "texture/texture_budget.h"

namespace {

// Album n of a row whose albums are keyed by their folders "album n".
std::string keyOf(int album) { return "album " + std::to_string(album); }

bool ask(CoverRequestQueue& queue, int album, int coverHeight = 400) {
    return queue.add({keyOf(album), "/music/" + keyOf(album), album, coverHeight});
}

std::vector<std::string> drain(CoverRequestQueue& queue) {
    std::vector<std::string> order;
    CoverRequest request;
    while (queue.takeNext(&request)) {
        EXPECT_EQ(request.folder, "/music/" + request.key) << "the folder travels with its request";
        order.push_back(request.key);
    }
    return order;
}

std::vector<std::string> keysOf(std::initializer_list<int> albums) {
    std::vector<std::string> keys;
    for (int album : albums) keys.push_back(keyOf(album));
    return keys;
}

}  // namespace

TEST(CoverRequests, TakesNearestFirstReRanksOnAMoveAndDropsWhatLeftTheReach) {
    std::vector<int> ranks;  // the walk: here, right, left, two right, two left, ...
    for (int offset : {0, 1, -1, 2, -2, 3, -3}) ranks.push_back(walkRank(offset));
    EXPECT_EQ(ranks, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));

    CoverRequestQueue queue(10);
    queue.moveTo(20);
    for (int album : {15, 25, 20, 30, 10, 21, 19})
        EXPECT_TRUE(ask(queue, album)) << album;
    EXPECT_FALSE(ask(queue, 9)) << "beyond the reach: the caller is told";
    EXPECT_FALSE(ask(queue, 31));
    EXPECT_FALSE(queue.contains(keyOf(9)));
    EXPECT_FALSE(queue.contains(keyOf(31)));
    EXPECT_EQ(queue.size(), 7u);
    EXPECT_TRUE(ask(queue, 21, 300));  // asked again: updated, not doubled
    EXPECT_EQ(queue.size(), 7u);

    CoverRequest first;
    ASSERT_TRUE(queue.takeNext(&first));
    EXPECT_EQ(first.key, keyOf(20));

    // Holding the right arrow: the position runs ahead, the queue follows.
    EXPECT_EQ(queue.moveTo(26), keysOf({15, 10}));
    EXPECT_EQ(drain(queue), keysOf({25, 30, 21, 19}));
    EXPECT_FALSE(ask(queue, 15));
    EXPECT_EQ(queue.size(), 0u);
}

TEST(CoverRequests, TheQueueNeverHoldsMoreThanTheReachAllowsWhileTheKeyIsHeld) {
    CoverRequestQueue queue(10);
    for (int base = 0; base < 5000; ++base) {
        queue.moveTo(base);
        for (int k = -9; k <= 9; ++k) ask(queue, base + k);
        ASSERT_LE(queue.size(), 21u);
    }
    CoverRequest request;
    ASSERT_TRUE(queue.takeNext(&request));
    EXPECT_EQ(request.key, keyOf(4999));
    EXPECT_EQ(request.place, 4999);
}

TEST(TextureBudget, ReleasesTheFarthestFirstButNeverTheDrawnStrip) {
    std::vector<ResidentCover> resident;
    for (int album : {0, 5, 10, 47, 50, 53, 90, 100}) resident.push_back({album, 10});
    // 80 bytes resident, budget 50: three must go; the strip is 30 .. 70; 0 and 100 tie, the later goes first.
    EXPECT_EQ(chooseEvictions(resident, 0, 50, 50.0f, 30, 71), (std::vector<int>{100, 0, 5}));
    // Pictures waiting for upload count too.
    EXPECT_EQ(chooseEvictions(resident, 20, 80, 50.0f, 30, 71), (std::vector<int>{100, 0}));
    // Within the budget nothing goes.
    EXPECT_TRUE(chooseEvictions(resident, 0, 80, 50.0f, 30, 71).empty());
    // A tie goes to the later album; the strip stays even when over the budget.
    EXPECT_EQ(chooseEvictions({{40, 10}, {60, 10}, {45, 10}}, 0, 0, 50.0f, 45, 56), (std::vector<int>{60, 40}));
}

TEST(TextureBudget, AStepUploadsTheFirstCoverWhateverItsSizeThenWithinItsBytesAndTime) {
    const UploadBudget budget = {1000, 4};
    const size_t any = SIZE_MAX;
    struct Row {
        int uploads;
        size_t bytes;
        uint32_t ticks;
        size_t room;
    };
    const Row rows[] = {
        {0, 0, 0, any},      // the first cover of a step always goes
        {0, 0, 50, any},     // however long the step has taken before it
        {1, 5000, 0, 0},     // a first cover larger than the budget leaves no room
        {1, 300, 0, 700},    // what is left of the bytes
        {3, 999, 3, 1},
        {2, 1000, 0, 0},     // bytes used up
        {1, 300, 4, 0},      // time used up, bytes left
        {1, 300, 100, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(uploadRoom(budget, row.uploads, row.bytes, row.ticks), row.room)
            << row.uploads << " uploads, " << row.bytes << " bytes, " << row.ticks << " ticks";
    // The program's budget takes four covers of a 512-texel texture in one step, not a fifth.
    const size_t each = CoverTexels::coverTextureBytes(512);
    EXPECT_GE(uploadRoom(kStepUploadBudget, 3, 3 * each, 0), each);
    EXPECT_LT(uploadRoom(kStepUploadBudget, 4, 4 * each, 0), each);
    // A 1024-texel cover (a large window) goes alone.
    const size_t large = CoverTexels::coverTextureBytes(1024);
    EXPECT_LT(uploadRoom(kStepUploadBudget, 1, large, 0), large);
}
