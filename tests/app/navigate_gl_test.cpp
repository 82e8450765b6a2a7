// Getting around in the real program: the keys that jump and page, typing a
// name, the help overlay, a window that grows and full screen, typed and
// photographed through a real X server.
#include <gtest/gtest.h>

#include <thread>

#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/x_server.h"
#include "support/x11_window.h"

namespace {

constexpr int kExitWait = 15000;

TEST(NavigateKeys, HomeEndAndPagesJumpAndStopAtTheEndsAndF1ShowsAndHidesTheHelp) {
    BrowserOptions options;
    options.albums = 40;
    options.frameLog = true;
    BrowserRun browser(options);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    struct Step {
        std::vector<std::string> keys;
        int expected;
    };
    const Step steps[] = {
        {{"Home"}, 0},          {{"End"}, 39},         {{"Prior"}, 29}, {{"Next"}, 39},
        {{"Home", "Next", "Next"}, 20}, {{"Prior", "Prior", "Prior"}, 0},
    };
    for (const Step& step : steps) {
        pressKeys(browser.window(), step.keys);
        LoggedFrame frame = waitRestingOn(browser.frameLog, step.expected);
        EXPECT_EQ(frame.selection, step.expected) << step.keys[0];
        EXPECT_EQ(frame.position, double(step.expected)) << step.keys[0];
    }

    // At rest on album 0: F1 shows the help, and F1 or any command hides it.
    // The window's picture once it has stopped changing: two photographs
    // 300 ms apart that agree.
    auto stablePhoto = [&] {
        Photo last = photograph(browser.window()), next;
        waitFor([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            next = photograph(browser.window());
            const bool same = next.width == last.width && next.height == last.height &&
                              sameRegion(last, 0, 0, next, 0, 0, next.width, next.height);
            last = next;
            return same;
        }, 10000);
        return last;
    };
    const Photo plain = stablePhoto();
    ASSERT_EQ(plain.width, 600);
    auto showsPlain = [&] {
        Photo now;
        return waitFor([&] { return sameRegion(plain, 0, 0, now = photograph(browser.window()), 0, 0, 600, 600); },
                       5000);
    };

    pressKeys(browser.window(), {"F1"});
    Photo help;
    EXPECT_TRUE(waitFor([&] { return !sameRegion(plain, 0, 0, help = photograph(browser.window()), 0, 0, 600, 600); },
                        5000))
        << "the help shows";
    help = stablePhoto();
    EXPECT_TRUE(sameRegion(plain, 0, 0, help, 0, 0, 600, 20)) << "over the middle, not the whole window";

    pressKeys(browser.window(), {"F1"});
    EXPECT_TRUE(showsPlain()) << "F1 again hides it";

    pressKeys(browser.window(), {"F1", "Right", "Left"});  // a command hides it
    EXPECT_EQ(waitRestingOn(browser.frameLog, 0).selection, 0);
    EXPECT_TRUE(showsPlain());

    // The new keys re-arm Return like any other: Return, End, Return hands over twice.
    pressKeys(browser.window(), {"Return", "End", "Return"});
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(BrowserRun::albumIndex(calls[0].argument), 0);
    EXPECT_EQ(BrowserRun::albumIndex(calls[1].argument), 39);
    EXPECT_TRUE(browser.process->running());

    pressKeys(browser.window(), {"F1", "Escape"});  // Escape still quits
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0);
}

// True when some pixel of the band of rows y0 .. y1 is not black.
bool bandLit(const Photo& photo, int y0, int y1) { return photo.countInRows(y0, y1, isLit) > 0; }

// The player notice's pale yellow text: how many pixels of it lie in rows
// y0 .. y1, and how many outside them.
bool isNoticeInk(const uint8_t* rgb) { return rgb[0] >= 200 && rgb[1] >= 170 && rgb[2] >= 60 && rgb[2] <= 170; }
struct NoticeInk {
    int inside = 0, outside = 0;
};
NoticeInk noticeInk(const Photo& photo, int y0, int y1) {
    return {photo.countInRows(y0, y1, isNoticeInk),
            photo.countInRows(0, y0 - 1, isNoticeInk) + photo.countInRows(y1 + 1, photo.height - 1, isNoticeInk)};
}

TEST(NavigateKeys, TypingANameSelectsItsAlbumAndShowsTheTextWhileLive) {
    TempDir music;
    for (const char* name : {"Abba", "Bach", "Beatles", "Bj\xC3\xB6rk", "Zappa"})
        music.makeFolder(std::string("music/") + name);
    BrowserOptions options;
    options.musicFolder = music.at("music");
    options.recorderAsPlayer = false;  // and a player that is not there
    options.settings = "musicplayer=vellora-no-such-player\n";
    options.frameLog = true;
    BrowserRun browser(options);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();

    pressKeys(browser.window(), {"Home"});
    waitRestingOn(browser.frameLog, 0);
    // Once the opening pose (covers standing forward, filling the window) is over,
    // nothing is written above the row.
    ASSERT_TRUE(waitFor([&] { return !bandLit(photograph(browser.window()), 20, 50); }, 10000));

    pressKeys(browser.window(), {"b", "j"});  // 100 ms apart: one text, "bj"
    EXPECT_TRUE(bandLit(photograph(browser.window()), 20, 50)) << "the text shows while it is live";
    EXPECT_EQ(waitRestingOn(browser.frameLog, 3).selection, 3);
    // Once its second is over the text goes, and the next letter starts anew.
    EXPECT_TRUE(waitFor([&] { return !bandLit(photograph(browser.window()), 20, 50); }, 5000));
    pressKeys(browser.window(), {"B"});  // Shift+b: letter case does not matter
    EXPECT_EQ(waitRestingOn(browser.frameLog, 1).selection, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    pressKeys(browser.window(), {"q"});  // nothing starts with q: the selection stays
    EXPECT_TRUE(waitFor([&] { return bandLit(photograph(browser.window()), 20, 50); }, 3000))
        << "an unmatched text shows all the same";
    EXPECT_EQ(lastLoggedFrame(browser.frameLog).selection, 1);

    // Return with a player that is not there: a notice near the top for a few
    // seconds, below the search text when both show, and one line on stderr.
    EXPECT_TRUE(waitFor([&] { return !bandLit(photograph(browser.window()), 0, 95); }, 5000));
    EXPECT_EQ(browser.process->err(), "");
    pressKeys(browser.window(), {"Return", "z"});
    NoticeInk ink;
    EXPECT_TRUE(waitFor([&] { return (ink = noticeInk(photograph(browser.window()), 48, 88)).inside > 200; }, 3000))
        << ink.inside;
    EXPECT_EQ(ink.outside, 0) << "all of the notice within the top 90 pixels, below the search text's";
    EXPECT_TRUE(bandLit(photograph(browser.window()), 20, 44)) << "the search text shows above it";
    const std::string said = "vellora: cannot start \"vellora-no-such-player\" \"" + music.at("music") +
                             "/Bach\": not found on PATH; set musicplayer in ./vellora.ini to choose the player\n";
    EXPECT_EQ(browser.process->err(), said);
    // The notice goes by itself: its end draws a frame though nothing else moves.
    EXPECT_TRUE(waitFor([&] { return !bandLit(photograph(browser.window()), 0, 95); }, 8000))
        << "the notice and the search text are gone";
    EXPECT_EQ(lastLoggedFrame(browser.frameLog).selection, 4);
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0);
}

TEST(NavigateMouse, AClickOnASideCoverGoesThereAndADragMovesTheRow) {
    BrowserOptions options;
    options.albums = 40;
    options.frameLog = true;
    BrowserRun browser(options);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Home", "Next"});
    ASSERT_EQ(waitRestingOn(browser.frameLog, 10).selection, 10);

    // The next cover on each side shows its outer strip around x = 540 and 60;
    // the one after that around 590.
    clickAt(browser.window(), 540, 300);
    EXPECT_EQ(waitRestingOn(browser.frameLog, 11).selection, 11);
    clickAt(browser.window(), 590, 300);
    EXPECT_EQ(waitRestingOn(browser.frameLog, 13).selection, 13);
    clickAt(browser.window(), 60, 300);
    EXPECT_EQ(waitRestingOn(browser.frameLog, 12).selection, 12);
    EXPECT_TRUE(browser.playerCalls().empty()) << "a click on a side cover starts nothing";

    // Dragged 4.3 covers' width to the left and held still before the release:
    // later albums come to the middle and the row rests on the nearest one.
    dragAcross(browser.window(), 450, 150, 300, 10, 30, 400);
    EXPECT_EQ(waitRestingOn(browser.frameLog, 16).selection, 16);
    // Thrown to the right: it glides on past where the pointer let go.
    dragAcross(browser.window(), 150, 450, 300, 6, 15, 0);
    LoggedFrame thrown;
    EXPECT_TRUE(waitFor([&] {
        thrown = lastLoggedFrame(browser.frameLog);
        return thrown.position == double(thrown.selection) && thrown.selection < 16;
    }, 15000));
    EXPECT_LE(thrown.selection, 12);
    EXPECT_TRUE(browser.playerCalls().empty()) << "nor does a drag";

    // On the middle cover a click is Return, acting on the release; twice ends.
    const int middle = thrown.selection;
    clickAt(browser.window(), 300, 300);
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(BrowserRun::albumIndex(calls[0].argument), middle);
    clickAt(browser.window(), 300, 300);
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0);
}

// Album i's cover: a flat colour of its own, so a grey panel (a lost
// texture) or the wrong album shows at once.
RgbPicture colourCover(int i) {
    return solidPicture(64, 64, uint8_t(60 + 9 * i), uint8_t(200 - 6 * i), uint8_t(40 + (i % 4) * 50));
}

bool showsCover(const Photo& photo, int x, int y, int album) { return photo.shows(x, y, colourCover(album).at(0, 0)); }

TEST(NavigateWindow, GrowsKeepingTheLookAndTheCoversAndGoesFullScreenAndBack) {
    // A screen with room for the grown window: X cannot read back pixels that are off the screen.
    XServer screen("1600x1200x24");
    ASSERT_TRUE(screen.ready());
    TempDir pictures;
    const int count = 12;
    BrowserOptions options;
    options.musicFolder = makeMusicFolder(pictures, count, [](const std::string& folder, int i) {
        writePng(folder + "/cover.png", colourCover(i), PngKind::Rgb);
    });
    options.frameLog = true;
    BrowserRun browser(options);
    const unsigned long window = browser.window();
    ASSERT_NE(window, 0u) << browser.process->err();
    pressKeys(window, {"Home", "Right", "Right", "Right", "Right", "Right"});
    ASSERT_EQ(waitRestingOn(browser.frameLog, 5).selection, 5);
    Photo square;
    // At rest the idle passes load every cover of this small library; wait
    // until a drawn frame has them all, so that no later frame differs.
    LoggedFrame drawn;
    ASSERT_TRUE(waitFor([&] {
        // Idle passes load covers only after a quiet spell, so ask for a frame
        // (the help shown, then hidden) only now and then.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        pressKeys(window, {"F1", "F1"});
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        drawn = lastLoggedFrame(browser.frameLog);
        return drawn.textures == count;
    }, 20000)) << browser.process->err() << " textures " << drawn.textures;
    // Then until the frame that hides the help is drawn and no other follows.
    ASSERT_TRUE(waitFor([&] {
        const long before = lastLoggedFrame(browser.frameLog).number;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        square = photograph(window);
        return lastLoggedFrame(browser.frameLog).number == before && showsCover(square, 300, 300, 5);
    }, 10000)) << " middle pixel " << int(square.at(300, 300)[0]) << "," << int(square.at(300, 300)[1]) << ","
               << int(square.at(300, 300)[2]);
    ASSERT_EQ(square.width, 600);

    auto resizeTo = [&](int width, int height) {
        runProcess({"xdotool", "windowsize", std::to_string(window), std::to_string(width), std::to_string(height)},
                   "");
        Photo photo;
        waitFor([&] {
            photo = photograph(window);
            return photo.width == width && photo.height == height && showsCover(photo, width / 2, height / 2, 5);
        }, 15000);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // any later frame is the same
        return photograph(window);
    };

    // Wider: the middle cover the same 400 pixels, centred, with its texture;
    // more of the row shows at the sides.
    const Photo wide = resizeTo(900, 600);
    ASSERT_EQ(wide.width, 900) << browser.process->err();
    EXPECT_TRUE(sameRegion(square, 100, 100, wide, 250, 100, 400, 400)) << "the middle cover, pixel for pixel";
    EXPECT_TRUE(showsCover(wide, 450, 300, 5));
    EXPECT_TRUE(sameRegion(square, 0, 540, wide, 150, 540, 600, 60)) << "the caption, centred on the new width";
    EXPECT_FALSE(wide.blackAt(880, 300)) << "further covers at the right edge";

    // Taller: the middle cover 2/3 of the height, 600 pixels from row 150.
    const Photo tall = resizeTo(600, 900);
    ASSERT_EQ(tall.height, 900);
    EXPECT_TRUE(showsCover(tall, 300, 152, 5));
    EXPECT_TRUE(showsCover(tall, 300, 747, 5));
    EXPECT_TRUE(tall.blackAt(300, 147));
    EXPECT_FALSE(tall.blackAt(300, 760)) << "its reflection under the floor line";

    // Back to 600 x 600: every pixel as before.
    const Photo again = resizeTo(600, 600);
    EXPECT_TRUE(sameRegion(square, 0, 0, again, 0, 0, 600, 600));

    // F11: the whole 1600 x 1200 screen from its corner, though no window
    // manager runs here, the cover still there; F11 again: back where it stood.
    const WindowInfo windowed = describeWindow(window);
    EXPECT_EQ(windowed.x, (1600 - 600) / 2);
    pressKeys(window, {"F11"});
    WindowInfo info;
    EXPECT_TRUE(waitFor([&] {
        info = describeWindow(window);
        return info.width == 1600 && info.height == 1200 && info.x == 0 && info.y == 0;
    }, 10000)) << info.width << "x" << info.height << " at " << info.x << "," << info.y;
    Photo full;
    EXPECT_TRUE(waitFor([&] { return showsCover(full = photograph(window), 800, 600, 5); }, 10000));
    EXPECT_TRUE(showsCover(full, 800, 600 - 395, 5)) << "2/3 of 1200 is 800 pixels tall";
    EXPECT_TRUE(full.blackAt(800, 600 - 405));
    pressKeys(window, {"F11"});
    EXPECT_TRUE(waitFor([&] {
        info = describeWindow(window);
        return info.width == 600 && info.height == 600 && info.x == windowed.x && info.y == windowed.y;
    }, 10000)) << info.width << "x" << info.height << " at " << info.x << "," << info.y;
    Photo back;
    EXPECT_TRUE(waitFor([&] {
        back = photograph(window);
        return back.width == 600 && sameRegion(square, 0, 0, back, 0, 0, 600, 600);
    }, 10000));
    EXPECT_TRUE(browser.process->running()) << browser.process->err();
}

}  // namespace
