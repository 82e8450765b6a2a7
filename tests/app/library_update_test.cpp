// The library changing under the running browser: where the selection goes
// when albums come and go.
#include <gtest/gtest.h>

#include <vector>

#include "app/library_update.h"

TEST(LibraryUpdate, TheSelectionKeepsTheMiddleAndTheRowDoesNotJump) {
    struct Case {
        const char* what;
        std::vector<int> newIndexOfOld;
        Selection before;
        int newCount;
        Selection after;
    };
    const Case cases[] = {
        {"one added before", {1, 2, 3, 4}, {2, 2.0f}, 5, {3, 3.0f}},
        {"one added after", {0, 1, 2, 3}, {2, 2.0f}, 5, {2, 2.0f}},
        {"one removed before, mid-glide", {-1, 0, 1, 2}, {3, 2.5f}, 3, {2, 1.5f}},
        {"the selected one removed: the next takes its place and glides in", {0, 1, -1, 2}, {2, 2.0f}, 3, {2, 1.0f}},
        {"the selected last one removed: the previous", {0, 1, 2, -1}, {3, 3.0f}, 3, {2, 2.0f}},
        {"the selected one and its next removed: the previous glides in", {0, 1, -1, -1, 2}, {2, 2.0f}, 3, {1, 2.0f}},
        {"everything removed", {-1, -1}, {1, 1.0f}, 0, {0, 0.0f}},
        {"from an empty library", {}, {0, 0.0f}, 2, {0, 0.0f}},
        {"a shift past the end is held at the last album", {0, 1, -1}, {2, 2.9f}, 2, {1, 1.0f}},
    };
    for (const Case& c : cases) {
        const Selection after = selectionAfterChange(c.newIndexOfOld, c.before, c.newCount);
        EXPECT_EQ(after.current, c.after.current) << c.what;
        EXPECT_FLOAT_EQ(after.position, c.after.position) << c.what;
    }
}
