// The texts of the real program in a 600 x 600 window and full screen at
// 1920 x 1080 and 3840 x 2160 (Xvfb of that size), measured in photographs:
// the caption's capital height and centring, the key help's size and that
// it fits, and a long notice wrapped within the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "pictures/picture_writer.h"
#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/x11_window.h"
#include "support/x_server.h"

namespace {

// Where the pixels that `which` picks lie in rows y0 .. y1.
struct Ink {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, count = 0;
};
Ink inkIn(const Photo& photo, int y0, int y1, bool (*which)(const uint8_t*)) {
    Ink ink;
    for (int y = std::max(0, y0); y <= std::min(photo.height - 1, y1); ++y)
        for (int x = 0; x < photo.width; ++x) {
            if (!which(photo.at(x, y))) continue;
            ++ink.count;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

bool isNoticeInk(const uint8_t* rgb) { return rgb[0] >= 200 && rgb[1] >= 170 && rgb[2] >= 60 && rgb[2] <= 170; }

struct Screen {
    int width, height;
    bool full;  // F11 to full screen, else the 600 x 600 window
};

class TextSize : public ::testing::TestWithParam<Screen> {};

TEST_P(TextSize, CaptionGrowsHelpFitsAndNoticesWrap) {
    const Screen s = GetParam();
    XServer server(s.full ? std::to_string(s.width) + "x" + std::to_string(s.height) + "x24" : "1024x768x24");
    ASSERT_TRUE(server.ready());
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    // Red covers: the only light pixels are then the texts.
    for (const char* name : {"HAMBURG", "Zwei"}) {
        dir.makeFolder(std::string("music/") + name);
        writePng(music + "/" + name + "/cover.png", solidPicture(64, 64, 200, 0, 0), PngKind::Rgb);
    }
    BrowserOptions options;
    options.musicFolder = music;
    options.recorderAsPlayer = false;
    options.settings = "musicplayer=vellora-no-such-player-" + std::string(60, 'x') + "\n";
    options.frameLog = true;
    BrowserRun browser(options);
    const unsigned long window = browser.window();
    ASSERT_NE(window, 0u) << browser.process->err();
    if (s.full) {
        pressKeys(window, {"F11"});
        // Without a window manager nothing moves it to the corner; do it, to read it back.
        WindowInfo info;
        ASSERT_TRUE(waitFor([&] { return (info = describeWindow(window)).width == s.width; }, 15000)) << info.width;
        runProcess({"xdotool", "windowmove", std::to_string(window), "0", "0"}, "");
    }
    pressKeys(window, {"Home"});
    waitRestingOn(browser.frameLog, 0);
    const int W = s.width, H = s.height;
    const double scale = std::max(1.0, H / 600.0);
    Photo photo;
    Ink caption;
    // Once the opening is over: two photographs 300 ms apart that agree.
    ASSERT_TRUE(waitFor([&] {
        const Photo before = photograph(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        photo = photograph(window);
        if (photo.width != W || photo.height != H || before.width != W || before.height != H) return false;
        caption = inkIn(photo, H * 4 / 5, H - 1, isLight);
        return caption.count > 0 && sameRegion(before, 0, 0, photo, 0, 0, W, H);
    }, 20000)) << photo.width << "x" << photo.height;

    // "HAMBURG": capitals only, so the ink's height is the capital height.
    const int capHeight = caption.bottom - caption.top + 1;
    std::cout << W << "x" << H << ": caption capitals " << capHeight << " px (" << 100.0 * capHeight / H
              << " %), x " << caption.left << " .. " << caption.right << "\n";
    if (H == 600) EXPECT_EQ(capHeight, 10) << "the bitmap font's size";
    else EXPECT_GE(capHeight, 0.025 * H);
    EXPECT_NEAR((caption.left + caption.right) / 2.0, W / 2.0, 2 + scale);
    EXPECT_NEAR(H - 1 - caption.bottom, 35 * scale, 2 * scale) << "its baseline in the same share of the height";

    // F1: the help grows in proportion and stays inside the window.
    pressKeys(window, {"F1"});
    Ink help;
    ASSERT_TRUE(waitFor([&] {
        help = inkIn(photo = photograph(window), 0, H * 4 / 5 - 1, isLight);
        return help.count > 1000;
    }, 10000));
    std::cout << "  help text x " << help.left << " .. " << help.right << ", y " << help.top << " .. " << help.bottom
              << "\n";
    EXPECT_GT(help.left, 0);
    EXPECT_LT(help.right, W - 1);
    EXPECT_GT(help.top, 0);
    const double width = help.right - help.left + 1;
    EXPECT_NEAR(width / 521.0, scale, 0.1 * scale) << "the design's 521 pixels of text, grown";
    EXPECT_NEAR((help.left + help.right) / 2.0, W / 2.0, 2 + scale);

    // Return: the player is not there. Its long name wraps onto more lines
    // instead of running off the right edge.
    pressKeys(window, {"F1", "Return"});
    Ink notice;
    ASSERT_TRUE(waitFor([&] {
        notice = inkIn(photo = photograph(window), 0, H / 2, isNoticeInk);
        return notice.count > 200;
    }, 10000));
    std::cout << "  notice x " << notice.left << " .. " << notice.right << ", y " << notice.top << " .. "
              << notice.bottom << "\n";
    EXPECT_GT(notice.left, 0);
    EXPECT_LT(notice.right, W - 1);
    const double lines = (notice.bottom - notice.top) / (17 * scale);
    if (W == 600) EXPECT_GE(lines, 2.0) << "three lines at 600 pixels wide";
    else EXPECT_LT(lines, 2.0) << "two lines where the window is wide enough";
    pressKeys(window, {"Escape"});
    int status = -1;
    EXPECT_TRUE(browser.waitExit(15000, &status));
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(Screens, TextSize,
                         ::testing::Values(Screen{600, 600, false}, Screen{1920, 1080, true},
                                           Screen{3840, 2160, true}),
                         [](const ::testing::TestParamInfo<Screen>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

}  // namespace
