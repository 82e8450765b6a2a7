// The real program on a music folder whose scan takes seconds (held back with
// the test switch VELLORA_SCAN_DELAY_MS, as a slow network folder would be):
// the window answers while it waits, and once the library is there the first
// frame and the whole opening come without any key.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/x11_window.h"

namespace {

// Light pixels in the bottom band of the window, where the caption goes.
int lightPixelsAtTheBottom(unsigned long window) {
    const Photo photo = photograph(window);
    return photo.countInRows(photo.height * 3 / 4, photo.height - 1, isLight);
}

TEST(SlowFolder, TheWindowAnswersWhileTheScanRunsAndEscapeEndsIt) {
    BrowserOptions options;
    options.frameLog = true;
    options.extraEnv = {"VELLORA_SCAN_DELAY_MS=600000"};
    BrowserRun browser(options);
    const std::string& log = browser.frameLog;
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    EXPECT_TRUE(waitFor([&] { return lightPixelsAtTheBottom(browser.window()) > 50; }, 15000))
        << "after a second the window says it is reading the music folder";
    EXPECT_EQ(lastLoggedFrame(log).number, 0) << "no frame of the browser before its library";
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(15000, &status)) << "Escape ends the program though the scan goes on";
    EXPECT_EQ(status, 0) << browser.process->err();
}

TEST(SlowFolder, TheFirstFrameAndTheWholeOpeningComeByThemselves) {
    BrowserOptions options;
    options.frameLog = true;
    options.extraEnv = {"VELLORA_SCAN_DELAY_MS=3000"};
    // Wall-clock ms since the epoch, as the frame log writes them.
    const double startedMs = std::chrono::duration<double, std::milli>(
                                 std::chrono::system_clock::now().time_since_epoch()).count();
    BrowserRun browser(options);
    const std::string& log = browser.frameLog;
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    // No key is pressed: the frames must come by themselves, and go on until
    // the opening is over (the loop then rests and draws nothing).
    ASSERT_TRUE(waitFor([&] { return !loggedFrames(log).empty(); }, 30000)) << browser.process->err();
    std::vector<LoggedFrame> frames;
    ASSERT_TRUE(waitFor(
        [&] {
            frames = loggedFrames(log);
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            return loggedFrames(log).size() == frames.size();
        },
        30000));
    ASSERT_GE(frames.size(), 2u);
    // The scan ends 3000 ms after the start at the earliest and the opening's
    // frames go on for 2400 ms after it; a slow machine only makes it later.
    // Counted from the first frame instead, the time the first frame took
    // after the scan would be lost from the opening.
    EXPECT_GE(frames.back().wallMs - startedMs, 3000 + 2000)
        << "the opening (2400 ticks of frames) plays after the scan, not before it";
    for (const LoggedFrame& frame : frames) {
        EXPECT_EQ(frame.selection, frames.front().selection);
        EXPECT_EQ(frame.position, double(frames.front().selection)) << "the row stands still through the opening";
    }
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(15000, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

}  // namespace
