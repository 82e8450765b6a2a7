// The loop's pacing, driven pass by pass on a simulated clock.
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"
#include "app/input.h"
#include "app/pacing.h"
#include "library/albums_loader.h"
#include "support/app_fixture.h"
#include "support/process.h"
#include "support/simulated_loop.h"

namespace {

class PacingTest : public ::testing::Test {
protected:
    // A player that starts: a failed start would raise the notice, a frame of its own.
    void SetUp() override { useGeneratedLibrary(dir, 30, writeRecordingPlayer(dir.path(), dir.at("player.log"))); }
    void TearDown() override { resetAppState(); }

    // Start-up's values: selection and position on `album`, playTime 2000.
    void startAt(int album) {
        current = album;
        position = float(album);
        playTime = 2000;
    }

    TempDir dir;
};

TEST(Easing, StepsAFifteenthAndSnapsWithinTolerance) {
    EXPECT_FLOAT_EQ(easedPosition(0.0f, 15), 1.0f);
    EXPECT_FLOAT_EQ(easedPosition(10.0f, 7), 9.8f);
    EXPECT_EQ(easedPosition(4.996f, 5), 5.0f);
    EXPECT_EQ(easedPosition(5.004f, 5), 5.0f);
    EXPECT_EQ(easedPosition(5.0f, 5), 5.0f);
    EXPECT_LT(easedPosition(4.99f, 5), 5.0f);  // 0.01 away: still a step, no snap
}

TEST(Easing, EveryGlideEndsOnTheTargetFarAlongTheRow) {
    // Far along the row a fifteenth of a distance just above 0.005 is below
    // half the float spacing: the naive step leaves the value unchanged.
    const float stuck = 8192.006f;
    const double distance = 8193.0 - 8192.0 - (stuck - 8192.0f);
    ASSERT_EQ(float(double(stuck) + (1.0 - distance) / 15), stuck) << "the stall this guards against";

    for (int target : {8192, 8193, 12000, 16383, 19999}) {
        for (float start : {float(target - 1), float(target + 1), float(target - 37), float(target) + 0.5f}) {
            float p = start;
            int steps = 0;
            while (p != float(target) && steps < 10000) {
                p = easedPosition(p, target);
                ++steps;
            }
            EXPECT_EQ(p, float(target)) << "from " << start << " to " << target;
            EXPECT_LT(steps, 200) << "from " << start << " to " << target;
        }
    }
}

TEST(PacePass, OpeningDrawsEveryPassAndHoldsTheRowStill) {
    Pacing pacing;
    float p = 3;
    for (uint32_t now : {0u, 100u, 2000u, 2399u, 2400u}) {
        EXPECT_EQ(pacePass(now, 9, 2000, p, pacing), PassAction::Draw) << now;
        EXPECT_EQ(p, 3.0f) << now;
    }
    EXPECT_EQ(pacePass(2401, 9, 2000, p, pacing), PassAction::GlideAndDraw);
    EXPECT_GT(p, 3.0f);
}

TEST(PacePass, LaunchWindowKeepsDrawingFor400Ticks) {
    Pacing pacing;
    float p = 5;
    EXPECT_EQ(pacePass(3000, 5, 2600, p, pacing), PassAction::GlideAndDraw);  // exactly 400 after
    EXPECT_EQ(p, 5.0f);
    EXPECT_EQ(pacePass(3001, 5, 2600, p, pacing), PassAction::Sleep);
}

TEST(PacePass, TenQuietIdlePassesThenLoading) {
    Pacing pacing;
    float p = 2;
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(pacePass(5000, 2, 2000, p, pacing), PassAction::Sleep) << i;
    EXPECT_EQ(pacePass(5000, 2, 2000, p, pacing), PassAction::LoadIdle);
    EXPECT_EQ(pacePass(5000, 2, 2000, p, pacing), PassAction::LoadIdle);
    pacing.exposePending = true;
    EXPECT_EQ(pacePass(5000, 2, 2000, p, pacing), PassAction::Draw);
    EXPECT_FALSE(pacing.exposePending);
    EXPECT_EQ(pacing.idlePasses, 0);
    EXPECT_EQ(pacePass(5000, 2, 2000, p, pacing), PassAction::Sleep);
}

TEST(KeyRepeat, RepeatsAfter300TicksAtChecksMoreThan20Apart) {
    uint32_t lastCheck = 0;
    EXPECT_FALSE(keyRepeatDue(20, KeyRight, 0, lastCheck));  // not yet a check
    EXPECT_EQ(lastCheck, 0u);
    EXPECT_FALSE(keyRepeatDue(21, KeyRight, 0, lastCheck));  // a check, but held only 21
    EXPECT_EQ(lastCheck, 21u);
    EXPECT_FALSE(keyRepeatDue(300, KeyRight, 0, lastCheck)); // held exactly 300
    EXPECT_TRUE(keyRepeatDue(322, KeyRight, 0, lastCheck));
    EXPECT_FALSE(keyRepeatDue(340, KeyRight, 0, lastCheck)); // 18 since the last check
    EXPECT_TRUE(keyRepeatDue(343, KeyRight, 0, lastCheck));
    EXPECT_FALSE(keyRepeatDue(400, 0, 0, lastCheck));        // nothing held
    EXPECT_EQ(lastCheck, 400u);
}

TEST_F(PacingTest, OpeningDrawsEveryPassWithoutSleepingThenGlides) {
    startAt(3);
    SimulatedLoop loop(0);
    loop.keyUp(500, KeyRight);  // a command during the opening changes only the selection
    loop.runUntil([&] { return loop.tick > 2400; }, 100000);
    EXPECT_EQ(current, 4);
    EXPECT_TRUE(loop.sleeps.empty());
    ASSERT_FALSE(loop.drawPositions.empty());
    for (float p : loop.drawPositions) EXPECT_EQ(p, 3.0f);
    EXPECT_EQ(loop.drawTicks.size(), 2400u / loop.drawCost + 1);

    // The first pass after the opening takes a step, sleeps 10 and draws.
    loop.pass();
    EXPECT_GT(position, 3.0f);
    ASSERT_EQ(loop.sleeps.size(), 1u);
    EXPECT_EQ(loop.sleeps[0], 10u);
}

TEST_F(PacingTest, GlideOfOneAlbumTakes78StepsAndEndsExactlyOnTheSelection) {
    startAt(10);
    SimulatedLoop loop(5000);
    loop.keyUp(5000, KeyRight);
    int passes = loop.runUntil([&] { return position == 11.0f; }, 1000);
    EXPECT_EQ(passes, 78);
    EXPECT_EQ(loop.drawTicks.size(), 78u);
    EXPECT_EQ(loop.sleeps, std::vector<uint32_t>(78, 10u));
    for (size_t i = 1; i < loop.drawPositions.size(); ++i)
        EXPECT_GT(loop.drawPositions[i], loop.drawPositions[i - 1]);
}

TEST_F(PacingTest, RestingSleepsTenTimesThenLoadsAndDrawsEachCoverThatArrives) {
    startAt(2);
    SimulatedLoop loop(5000);
    loop.loadResults = {true, true, true};
    for (int i = 0; i < 10; ++i) loop.pass();
    EXPECT_EQ(loop.sleeps, std::vector<uint32_t>(10, 33u));
    EXPECT_EQ(loop.loadCalls, 0);
    EXPECT_TRUE(loop.drawTicks.empty());

    for (int i = 0; i < 3; ++i) loop.pass();  // a cover arrived in the strip: drawn at once, no sleep
    EXPECT_EQ(loop.loadCalls, 3);
    EXPECT_EQ(loop.sleeps.size(), 10u);
    EXPECT_EQ(loop.drawTicks.size(), 3u);
    loop.pass();  // nothing arrived
    EXPECT_EQ(loop.loadCalls, 4);
    EXPECT_EQ(loop.sleeps.size(), 11u);
    EXPECT_EQ(loop.sleeps.back(), 33u);
    EXPECT_EQ(loop.drawTicks.size(), 3u);
    for (int i = 0; i < 3; ++i) loop.pass();  // the drawn passes did not restart the quiet count
    EXPECT_EQ(loop.loadCalls, 7);
}

TEST_F(PacingTest, HandOverKeepsDrawingFor400TicksThenRests) {
    startAt(4);
    SimulatedLoop loop(6000);
    loop.keyUp(6000, KeyReturn);
    loop.pass();
    EXPECT_EQ(playTime, 6000u);
    EXPECT_EQ(playing, 4);
    loop.runUntil([&] { return loop.tick > 6400; }, 1000);
    const size_t drawnInWindow = loop.drawTicks.size();
    EXPECT_GE(drawnInWindow, 400u / 15);  // every pass draws, 10 + 5 ticks each
    for (uint32_t sleep : loop.sleeps) EXPECT_EQ(sleep, 10u);
    loop.runUntil([&] { return loop.sleeps.back() == 33u; }, 10);
    EXPECT_EQ(loop.drawTicks.size(), drawnInWindow);
}

TEST_F(PacingTest, ExposeDuringAGlideGivesOneExtraDrawnPassAtRest) {
    startAt(0);
    SimulatedLoop loop(5000);
    loop.keyUp(5000, KeyRight);
    loop.expose(5100);
    loop.runUntil([&] { return position == 1.0f; }, 1000);
    const size_t glideFrames = loop.drawTicks.size();
    loop.pass();  // first idle pass: draws for the expose
    EXPECT_EQ(loop.drawTicks.size(), glideFrames + 1);
    for (int i = 0; i < 5; ++i) loop.pass();
    EXPECT_EQ(loop.drawTicks.size(), glideFrames + 1);
}

TEST_F(PacingTest, HeldKeyRepeatsAfter300TicksAndReleaseClearsIt) {
    startAt(0);
    SimulatedLoop loop(5000);
    loop.keyDown(5000, KeyRight);
    loop.runUntil([&] { return loop.tick >= 5300; }, 1000);
    EXPECT_EQ(current, 0) << "no command on press or before the delay";
    EXPECT_EQ(heldKey, int(KeyRight));

    uint32_t firstRepeat = 0;
    loop.runUntil([&] { return current == 1 && (firstRepeat = loop.tick); }, 1000);
    EXPECT_GT(firstRepeat, 5300u);
    // Repeats go on at checks more than 20 ticks apart.
    loop.runUntil([&] { return current == 3; }, 1000);
    const uint32_t released = loop.tick + 1;
    loop.keyUp(released, KeyRight);
    loop.runUntil([&] { return heldKey == 0; }, 1000);
    const int afterRelease = current;
    EXPECT_GE(afterRelease, 4);  // release runs the command once more
    loop.runUntil([&] { return loop.tick > released + 1000; }, 100000);
    EXPECT_EQ(current, afterRelease);
}

TEST_F(PacingTest, QuitEventEndsTheLoopAfterThePass) {
    startAt(1);
    SimulatedLoop loop(5000);
    loop.quit(5000);
    EXPECT_TRUE(loop.pass());
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(loop.pass());
}

TEST(LargeLibrary, GlidesFarAlongTwentyThousandAlbumsComeToRest) {
    TempDir dir;
    useGeneratedLibrary(dir, 20000);
    ASSERT_EQ(albums->getAlbumsCount(), 20000);
    current = 19990;
    position = 19990;
    playTime = 2000;
    SimulatedLoop loop(5000);
    uint32_t at = 5000;
    for (int key : {KeyRight, KeyRight, KeyRight, KeyLeft, KeyRight})
        loop.keyUp(at += 300, key);
    loop.runUntil([&] { return loop.loadCalls > 0; }, 20000);
    EXPECT_EQ(current, 19993);
    EXPECT_EQ(position, 19993.0f);
    EXPECT_GT(loop.loadCalls, 0) << "the loop must come to rest and load covers again";

    // A long glide from the middle of the row ends on the selection too.
    current = 8192;
    position = 15000.25f;
    loop.loadCalls = 0;
    loop.runUntil([&] { return loop.loadCalls > 0; }, 20000);
    EXPECT_EQ(position, 8192.0f);
    EXPECT_EQ(loop.loadCalls, 1);
    resetAppState();
}

}  // namespace
