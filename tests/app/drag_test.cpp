// The left button: the drag and throw maths on their own, then clicks and
// drags fed to the real frame loop on a simulated clock.
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"
#include "app/drag.h"
#include "app/input.h"
#include "library/albums_loader.h"
#include "support/app_fixture.h"
#include "support/process.h"
#include "support/simulated_loop.h"

namespace {

TEST(DragMaths, TheRowFollowsThePointerAtTheSideCoversSpacing) {
    // The side covers' visible strips are 70 pixels apart in a 600-pixel-high
    // window (the hit-test finds their edges at 38, 108, 178 ... at 1200 x 600).
    EXPECT_NEAR(pixelsPerAlbum(600), 70, 0.5);
    EXPECT_NEAR(pixelsPerAlbum(1200), 2 * pixelsPerAlbum(600), 1e-9);

    const double ppa = pixelsPerAlbum(600);
    EXPECT_FLOAT_EQ(dragPosition(10, 300, 300, 600, 30), 10);
    EXPECT_NEAR(dragPosition(10, 300, int(300 - 2 * ppa), 600, 30), 12, 0.02) << "left brings later albums";
    EXPECT_NEAR(dragPosition(10, 300, int(300 + 3 * ppa), 600, 30), 7, 0.02);
    EXPECT_FLOAT_EQ(dragPosition(10, 300, -5000, 600, 30), 29) << "stops at the last album";
    EXPECT_FLOAT_EQ(dragPosition(1, 300, 5000, 600, 30), 0) << "and at the first";
    EXPECT_FLOAT_EQ(dragPosition(0, 300, 0, 600, 1), 0);

    struct Move {
        int x, y;
        bool beyond;
    };
    for (Move m : {Move{300, 300, false}, Move{304, 300, false}, Move{303, 303, false}, Move{305, 300, true},
                   Move{296, 296, true}, Move{300, 295, true}})
        EXPECT_EQ(beyondClick(300, 300, m.x, m.y), m.beyond) << m.x << "," << m.y;
}

TEST(DragMaths, ThrowSpeedComesFromTheLastTenthOfASecond) {
    DragSpeed speed;
    EXPECT_EQ(speed.albumsPerTick(1000), 0) << "no samples";
    speed.add(1000, 5);
    EXPECT_EQ(speed.albumsPerTick(1000), 0) << "one sample";
    for (int k = 1; k <= 10; ++k) speed.add(1000 + 20 * k, 5 + 0.5f * k);  // 0.5 album / 20 ticks
    EXPECT_NEAR(speed.albumsPerTick(1200), 0.025, 1e-6);
    EXPECT_NEAR(speed.albumsPerTick(1250), 0.025, 1e-6) << "released 50 ticks after the last move";
    EXPECT_NEAR(speed.albumsPerTick(1300), 0.025, 1e-6) << "100 ticks after";
    EXPECT_EQ(speed.albumsPerTick(1301), 0) << "the pointer stood still before the release";
    speed.reset();
    speed.add(0xFFFFFFF0u, 3);  // across the tick counter's wrap
    speed.add(0x10u, 2);
    EXPECT_NEAR(speed.albumsPerTick(0x10u), -1.0 / 32, 1e-6);

    struct Throw {
        float position;
        double speed;
        int expected;
    };
    for (Throw t : {Throw{14, 0.025, 20}, Throw{14, 0, 14}, Throw{14.4f, 0, 14}, Throw{14.6f, 0, 15},
                    Throw{14, -0.025, 8}, Throw{27, 0.1, 29}, Throw{2, -0.1, 0}, Throw{0, 1, 0}})
        EXPECT_EQ(throwTarget(t.position, t.speed, t.position == 0 ? 1 : 30), t.expected)
            << t.position << " at " << t.speed;
}

class MouseLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        useGeneratedLibrary(dir, 30, writeRecordingPlayer(dir.path(), dir.at("player.log")));
        albums->setEndPlayer(false);  // each recorder writes before the next hand-over could end it
        current = 10;
        position = 10;
        playTime = 2000;
    }
    void TearDown() override { resetAppState(); }
    // Runs the loop, at least two passes, until the row rests (an idle pass).
    void settle(SimulatedLoop& loop) {
        loop.pass();
        loop.pass();
        loop.runUntil([&] { return loop.pacing.idlePasses > 0; }, 2000);
    }
    TempDir dir;
};

TEST_F(MouseLoopTest, ADragMovesTheRowWithThePointerAndAThrowGlidesOn) {
    SimulatedLoop loop(3000);
    settle(loop);
    const uint32_t t0 = loop.tick + 10;
    const double ppa = pixelsPerAlbum(screenHeight);
    // Press, wobble within the click slop, then ten moves of 0.4 album leftwards, 40 ticks apart.
    loop.mouseDown(t0, 1, 400, 300);
    loop.mouseMove(t0 + 5, 397, 302);
    for (int k = 1; k <= 10; ++k) loop.mouseMove(t0 + 40 * k, int(std::lround(397 - 0.4 * ppa * k)), 302);
    loop.runUntil([&] { return loop.tick > t0 + 450; }, 2000);
    // Counted from the press: the pixels of the click slop are not lost.
    EXPECT_NEAR(position, 10 + (400 - std::lround(397 - 4 * ppa)) / ppa, 1e-4)
        << "the row followed the pointer, no easing in between";
    EXPECT_EQ(current, 14) << "the caption names the album in the middle";
    EXPECT_NEAR(loop.drawPositions.back(), position, 1e-6) << "and was drawn there";
    // Released on the move: the glide goes on at the drag's speed, 0.4 album
    // per 38 to 71 ticks as the passes saw the moves, which reaches 1.35 to
    // 2.5 albums further, and settles on album 15 or 16.
    loop.mouseUp(loop.tick, 1, int(std::lround(397 - 4 * ppa)), 302);
    const size_t drawnBefore = loop.drawPositions.size();
    settle(loop);
    EXPECT_GE(current, 15);
    EXPECT_LE(current, 16);
    EXPECT_EQ(position, float(current));
    for (size_t i = drawnBefore + 1; i < loop.drawPositions.size(); ++i)
        ASSERT_GE(loop.drawPositions[i], loop.drawPositions[i - 1]) << "slows down without turning back";
    EXPECT_EQ(lastKey, 0) << "a drag re-arms Return";
    EXPECT_EQ(playTime, 2000u) << "nothing handed over";

    // A drag whose pointer stands still before the release lands where it is.
    const int before = current;
    const uint32_t t1 = loop.tick + 10;
    loop.mouseDown(t1, 1, 300, 300);
    loop.mouseMove(t1 + 10, int(std::lround(300 + 2.2 * ppa)), 300);
    loop.mouseUp(t1 + 300, 1, int(std::lround(300 + 2.2 * ppa)), 300);
    settle(loop);
    EXPECT_EQ(current, before - 2);
    EXPECT_EQ(position, float(before - 2));

    // Let go outside the window, where the release never reaches us: the next
    // move without the button ends the drag, and the pointer moves nothing after.
    const uint32_t t2 = loop.tick + 10;
    loop.mouseDown(t2, 1, 300, 300);
    loop.mouseMove(t2 + 10, int(std::lround(300 - 1.1 * ppa)), 300);
    loop.mouseMove(t2 + 300, 10, 300, false);
    loop.mouseMove(t2 + 340, 500, 300, false);
    loop.runUntil([&] { return loop.tick > t2 + 400; }, 2000);
    settle(loop);
    EXPECT_EQ(current, before - 1);
    EXPECT_EQ(position, float(before - 1));
}

TEST_F(MouseLoopTest, AClickOnASideCoverGlidesThereAndOnTheMiddleHandsOver) {
    SimulatedLoop loop(3000);
    settle(loop);
    processKeys(KeyReturn);  // so that the click below must re-arm it
    const uint32_t played = playTime;
    settle(loop);
    // 540 and 60 are the next cover on each side in the 600 x 600 window.
    loop.mouseDown(loop.tick, 1, 540, 300);
    loop.mouseMove(loop.tick + 1, 542, 301);  // less than 5 pixels: still a click
    loop.mouseUp(loop.tick + 2, 1, 542, 301);
    loop.runUntil([&] { return current != 10; }, 10);
    EXPECT_EQ(current, 11);
    EXPECT_EQ(playTime, played) << "nothing started on the press or the release";
    settle(loop);
    loop.mouseDown(loop.tick, 1, 60, 300);
    loop.mouseUp(loop.tick + 2, 1, 60, 300);
    settle(loop);
    EXPECT_EQ(current, 10);
    EXPECT_EQ(done, 0);

    loop.mouseDown(loop.tick, 1, 300, 300);  // the middle cover: Return, on the release
    loop.runUntil([&] { return loop.tick > loop.tick + 50; }, 3);
    EXPECT_EQ(playTime, played) << "not on the press";
    loop.mouseUp(loop.tick, 1, 300, 300);
    loop.runUntil([&] { return playing == 10 && playTime != played; }, 10);
    EXPECT_EQ(playing, 10);
    EXPECT_NE(playTime, played);
    loop.mouseDown(loop.tick, 1, 300, 20);  // the background: Return again, so it ends
    loop.mouseUp(loop.tick + 1, 1, 300, 20);
    loop.runUntil([&] { return false; }, 50);
    EXPECT_EQ(done, 1);
    // Two hand-overs: the Return above and the click on the middle cover.
    EXPECT_TRUE(waitFor([&] { return readPlayerCalls(dir.at("player.log")).size() == 2; }, 10000));
}

}  // namespace
