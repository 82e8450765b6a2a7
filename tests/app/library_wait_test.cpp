// Start-up with a scan that outlasts the window: the loop answers while it
// waits, and the opening plays in full once the library is there, by itself.
#include <gtest/gtest.h>

#include <utility>

#include "app/app_state.h"
#include "app/input.h"
#include "app/library_wait.h"
#include "app/opening.h"
#include "app/pacing.h"
#include "library/albums_loader.h"
#include "library/library_scan.h"
#include "render/cover_strip.h"
#include "support/app_fixture.h"
#include "support/simulated_loop.h"

namespace {

class LibraryWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        useGeneratedLibrary(dir, 30);
        library = albums;  // what the scan will hand over
        albums = nullptr;
    }
    void TearDown() override {
        if (!albums) albums = library;
        resetAppState();
    }

    TempDir dir;
    AlbumsLoader* library = nullptr;
};

TEST_F(LibraryWaitTest, AScanEndingLateGetsItsFirstFrameAndTheWholeOpeningByItself) {
    const uint32_t windowReady = 300, scanEnds = 5000;
    SimulatedLoop loop(windowReady);
    // Commands need the library: keys are held until it is there, a click on
    // the empty floor has nothing to act on.
    loop.keyDown(1150, KeyRight);
    loop.keyUp(1200, KeyRight);
    loop.mouseDown(1250, 1);
    loop.mouseUp(1260, 1);
    loop.expose(2000);

    ASSERT_TRUE(waitForLibrary(loop.waitHooks(scanEnds)));
    EXPECT_EQ(loop.tick, scanEnds) << "the wait ends as the scan does";
    EXPECT_EQ(done, 0);
    ASSERT_EQ(loop.waitingDraws.size(), 3u);
    EXPECT_EQ(loop.waitingDraws[0], std::make_pair(windowReady, false)) << "the empty scene at once";
    EXPECT_TRUE(loop.waitingDraws[1].second) << "then the notice";
    EXPECT_GE(loop.waitingDraws[1].first, windowReady + kWaitNoticeTicks);
    EXPECT_LE(loop.waitingDraws[1].first, windowReady + kWaitNoticeTicks + kIdleSleep);
    EXPECT_GE(loop.waitingDraws[2].first, 2000u) << "and again when exposed";
    EXPECT_LE(loop.waitingDraws[2].first, 2000u + kIdleSleep);

    // What the entry does with the library: the selection, then the opening from now.
    albums = library;
    current = 7;
    position = 7;
    beginOpening(loop.tick);
    EXPECT_EQ(playTime, scanEnds + 2000);
    loop.pass();
    EXPECT_EQ(current, 8) << "the key typed while waiting counts at the first pass";
    EXPECT_EQ(playing, 0) << "the click did nothing";
    loop.keyUp(scanEnds + 1000, KeyRight);
    loop.runUntil([&] { return loop.tick > scanEnds + 2400 && position == 9.0f; }, 5000);

    ASSERT_FALSE(loop.drawTicks.empty());
    EXPECT_EQ(loop.drawTicks[0], scanEnds) << "the first pass after the scan draws, with no key pressed";
    size_t openingFrames = 0;
    for (size_t i = 0; i < loop.drawTicks.size() && loop.drawTicks[i] <= scanEnds + kOpeningTicks; ++i) {
        EXPECT_EQ(loop.drawPositions[i], 7.0f) << "the row stands still through the opening, tick " << loop.drawTicks[i];
        ++openingFrames;
    }
    EXPECT_EQ(openingFrames, kOpeningTicks / loop.drawCost + 1) << "every pass of the opening draws, none sleeps";
    EXPECT_EQ(current, 9);
    EXPECT_EQ(position, 9.0f) << "then it glides to the selection";

    // The pose counts from the scan's end too: forward until 2000 ticks after
    // it, the selection gliding back until 2400, still from then on.
    const auto offset = [&](int index, uint32_t t) {
        return coverAnimationOffset(index, openingClock(t), playing, openingClock(playTime));
    };
    EXPECT_FLOAT_EQ(offset(3, scanEnds + 10), 0.5f);
    EXPECT_FLOAT_EQ(offset(3, scanEnds + 1999), 0.5f);
    EXPECT_FLOAT_EQ(offset(3, scanEnds + 2001), 0.0f);
    EXPECT_GT(offset(playing, scanEnds + 2200), 0.0f);
    EXPECT_LT(offset(playing, scanEnds + 2200), 0.5f);
    EXPECT_FLOAT_EQ(offset(playing, scanEnds + 2500), 0.0f);
}

// A long first walk: the notice counts the albums found so far, drawn again
// as the count grows but not more often than kCountEveryTicks.
TEST_F(LibraryWaitTest, TheNoticeCountsTheAlbumsFoundSoFar) {
    SimulatedLoop loop(0);
    loop.albumsFound = [&] { return size_t(loop.tick / 10); };  // an album every 10 ticks
    ASSERT_TRUE(waitForLibrary(loop.waitHooks(3000)));
    ASSERT_GE(loop.waitingDraws.size(), 4u);
    EXPECT_EQ(loop.waitingCounts[0], 0u) << "nothing counted before the notice";
    for (size_t i = 2; i < loop.waitingDraws.size(); ++i) {
        EXPECT_GT(loop.waitingCounts[i], loop.waitingCounts[i - 1]);
        EXPECT_GE(loop.waitingDraws[i].first - loop.waitingDraws[i - 1].first, kCountEveryTicks);
    }
    EXPECT_GE(loop.waitingCounts.back(), 250u);
    EXPECT_EQ(waitingLine(0), "Reading the music folder...");
    EXPECT_EQ(waitingLine(1), "Reading the music folder... 1 album");
    EXPECT_EQ(waitingLine(2048), "Reading the music folder... 2048 albums");
}

TEST_F(LibraryWaitTest, EscapeTheRightButtonOrClosingEndAtOnceWhileTheScanRunsAndAReadyOneIsNotWaitedFor) {
    struct Case {
        const char* what;
        void (*give)(SimulatedLoop&, uint32_t);
    };
    const Case cases[] = {
        {"Escape released", [](SimulatedLoop& loop, uint32_t t) { loop.keyUp(t, KeyEscape); }},
        {"right button", [](SimulatedLoop& loop, uint32_t t) { loop.mouseDown(t, 3); }},
        {"window closed", [](SimulatedLoop& loop, uint32_t t) { loop.quit(t); }},
    };
    {
        SimulatedLoop ready(400);  // a library ready before the window: no waiting frame
        EXPECT_TRUE(waitForLibrary(ready.waitHooks(200)));
        EXPECT_TRUE(ready.waitingDraws.empty());
        EXPECT_EQ(ready.tick, 400u);
    }
    for (const Case& c : cases) {
        done = 0;
        SimulatedLoop loop(100);
        loop.keyDown(300, KeyEscape);  // a press alone does nothing: commands run on release
        c.give(loop, 600);
        EXPECT_FALSE(waitForLibrary(loop.waitHooks(1000000))) << c.what;
        EXPECT_EQ(done, 1) << c.what;
        EXPECT_GE(loop.tick, 600u) << c.what;
        EXPECT_LE(loop.tick, 600u + kIdleSleep + loop.drawCost) << c.what << ": within one wait";
    }
}

TEST_F(LibraryWaitTest, TheRealScanHandsOverItsLibraryOnce) {
    const std::string music = dir.path() + "/music";
    {
        LibraryScan scan(music, "player", 1, 200);
        ASSERT_TRUE(scan.waitFinished(60000));
        EXPECT_FALSE(scan.abandoned());
        AlbumsLoader* scanned = scan.take();
        ASSERT_NE(scanned, nullptr);
        EXPECT_EQ(scanned->getAlbumsCount(), 30);
        EXPECT_STREQ(scanned->getAlbumName(29), library->getAlbumName(29));
        EXPECT_EQ(scan.take(), nullptr) << "handed over once";
        delete scanned;
    }
    // A scan the program stops waiting for is left to end alone.
    auto* slow = new LibraryScan(music, "player", 1, 600000);
    EXPECT_TRUE(slow->abandoned());
    delete slow;
}

}  // namespace
