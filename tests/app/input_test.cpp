// Key and mouse commands against a real library and a recording stand-in player.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app_state.h"
#include "app/input.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "support/app_fixture.h"
#include "support/process.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        log = dir.at("player.log");
        useGeneratedLibrary(dir, 5, writeRecordingPlayer(dir.path(), log));
        current = 2;
        position = 2;
    }
    void TearDown() override { resetAppState(); }

    // Albums handed to the player, by their folder's last name, once `count` arrived.
    std::vector<std::string> playedAlbums(size_t count) {
        waitFor([&] { return readPlayerCalls(log).size() >= count; }, 10000);
        std::vector<std::string> names;
        for (const PlayerCall& call : readPlayerCalls(log)) {
            EXPECT_EQ(call.argumentCount, 1);
            names.push_back(call.argument.substr(call.argument.rfind(platform::kSeparator) + 1));
        }
        return names;
    }

    TempDir dir;
    std::string log;
};

TEST_F(InputTest, ReturnTwiceHandsOverOnceThenEnds) {
    processKeys(KeyReturn);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(playing, 2);
    processKeys(KeyReturn);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(playedAlbums(1), std::vector<std::string>{"album 00002"});
}

TEST_F(InputTest, AnyOtherKeyBetweenTwoReturnsReArmsReturn) {
    // Each hand-over is awaited before the next, so the log keeps their order.
    processKeys(KeyReturn);
    EXPECT_EQ(playedAlbums(1).back(), "album 00002");
    processKeys(KeyRight);
    processKeys(KeyReturn);  // Return / Right / Return: the next album
    EXPECT_EQ(playedAlbums(2).back(), "album 00003");
    size_t handOvers = 2;
    for (int rearming : {304 /* Shift */, 271 /* keypad Enter */, 273 /* up */, 274 /* down */}) {
        processKeys(rearming);
        processKeys(KeyReturn);  // the same album again
        EXPECT_EQ(playedAlbums(++handOvers).back(), "album 00003") << rearming;
    }
    EXPECT_EQ(done, 0);
    EXPECT_EQ(playedAlbums(6).size(), 6u);
    EXPECT_EQ(playing, 3);
    EXPECT_EQ(lastKey, int(KeyReturn));
}

TEST_F(InputTest, ArrowsStopAtBothEnds) {
    for (int i = 0; i < 7; ++i) processKeys(KeyRight);
    EXPECT_EQ(current, 4);
    for (int i = 0; i < 9; ++i) processKeys(KeyLeft);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(position, 2.0f) << "commands move the selection only";
}

TEST_F(InputTest, SpaceJumpsWithinTheLibrary) {
    std::srand(7);
    bool moved = false;
    for (int i = 0; i < 50; ++i) {
        processKeys(KeySpace);
        ASSERT_GE(current, 0);
        ASSERT_LT(current, 5);
        moved = moved || current != 2;
    }
    EXPECT_TRUE(moved);
}

TEST_F(InputTest, EscapeEnds) {
    processKeys(KeyEscape);
    EXPECT_EQ(done, 1);
}

TEST_F(InputTest, MouseButtonsStandForKeysAndOthersDoNothingAtAll) {
    processMouse(5);  // wheel down
    EXPECT_EQ(current, 3);
    processMouse(4);  // wheel up
    EXPECT_EQ(current, 2);
    processMouse(1);  // left: Return
    EXPECT_EQ(lastKey, int(KeyReturn));
    processMouse(0);
    processMouse(6);
    processMouse(9);
    EXPECT_EQ(lastKey, int(KeyReturn)) << "buttons 0 and 6+ do not re-arm Return";
    processMouse(1);  // so a second left click ends
    EXPECT_EQ(done, 1);
    EXPECT_EQ(playedAlbums(1).size(), 1u);
}

TEST_F(InputTest, MiddleAndRightButtons) {
    std::srand(3);
    processMouse(2);
    EXPECT_EQ(lastKey, int(KeySpace));
    processMouse(3);
    EXPECT_EQ(done, 1);
}

TEST(InputSingleAlbum, ArrowsWheelAndSpaceStayOnAlbumZero) {
    TempDir dir;
    useGeneratedLibrary(dir, 1);
    for (int key : {KeyRight, KeyLeft, KeySpace, KeySpace, KeyRight}) {
        processKeys(key);
        EXPECT_EQ(current, 0);
    }
    processMouse(4);
    processMouse(5);
    processMouse(2);
    EXPECT_EQ(current, 0);
    resetAppState();
}

TEST(MouseButtonKey, Table) {
    EXPECT_EQ(mouseButtonKey(1), KeyReturn);
    EXPECT_EQ(mouseButtonKey(2), KeySpace);
    EXPECT_EQ(mouseButtonKey(3), KeyEscape);
    EXPECT_EQ(mouseButtonKey(4), KeyLeft);
    EXPECT_EQ(mouseButtonKey(5), KeyRight);
    EXPECT_EQ(mouseButtonKey(0), 0);
    EXPECT_EQ(mouseButtonKey(6), 0);
    EXPECT_EQ(mouseButtonKey(255), 0);
}

}  // namespace
