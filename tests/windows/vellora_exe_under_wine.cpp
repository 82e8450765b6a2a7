// The Windows build's vellora.exe end to end under Wine, in the current X
// display: its window, a decoded cover on screen, the keys, the player start
// and the empty-library message. VELLORA_WINDOWS_BUILD names the folder with
// vellora.exe and SDL.dll, and tests/vellora-recorder.exe; WINEPREFIX a ready prefix.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/browser_run.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/wine_run.h"
#include "support/x11_window.h"

namespace {

bool isWindowsPath(const std::string& path) { return path.size() > 1 && path[1] == ':'; }

// vellora.exe on `music` (a Linux path, or a Windows one) from a working folder with a settings file whose
// player is the recorder, writing to `dir`/player.log.
class WineBrowser {
public:
    // `settings`: more lines of [vellora]; `env`: more of the environment,
    // which reaches the player too (VELLORA_RECORDER_THEN=stay keeps it running).
    WineBrowser(const TempDir& dir, const std::string& music, bool autoplay, const std::string& settings = "",
                std::vector<std::string> env = {}) {
        std::filesystem::copy_file(windowsBuild() + "/tests/vellora-recorder.exe", dir.at("player.exe"));
        dir.writeFile("vellora.ini", "[vellora]\r\nmusicplayer=" + windowsPath(dir.at("player.exe")) +
                                         "\r\nautoplay=" + (autoplay ? "true" : "false") + "\r\n" + settings);
        env.push_back("WINEDEBUG=-all");
        process = std::make_unique<ChildProcess>(
            std::vector<std::string>{"wine", windowsBuild() + "/vellora.exe", isWindowsPath(music) ? music : windowsPath(music)},
            dir.path(), env);
    }
    ~WineBrowser() { process->kill(); }

    std::unique_ptr<ChildProcess> process;
};

std::string makeLibrary(const TempDir& dir, int albums, bool redCovers) {
    return makeMusicFolder(dir, albums, [redCovers](const std::string& folder, int) {
        if (redCovers) writeJpeg(folder + "/cover.jpg", solidPicture(64, 64, 255, 0, 0));
    });
}

bool middleIsRed(unsigned long window) {
    const uint8_t red[] = {255, 0, 0};
    return middleShows(window, red);
}

// White caption pixels in the band around its baseline, 35 pixels above the bottom.
int captionPixels(unsigned long window) {
    const Photo photo = photograph(window);
    return photo.countInRows(photo.height - 50, photo.height - 31, isLight);
}

// The processes that run the Windows program `exe` (a Linux path) now: Wine
// shows a Windows program's own path in its command line.
std::vector<int> runningCopies(const std::string& exe) {
    std::vector<int> pids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (readWholeFile(entry.path().string() + "/cmdline").find(windowsPath(exe)) != std::string::npos)
            pids.push_back(std::atoi(name.c_str()));
    }
    return pids;
}

class VelloraExe : public testing::Test {
protected:
    void SetUp() override {
        if (windowsBuild().empty()) GTEST_FAIL() << "set VELLORA_WINDOWS_BUILD to the Windows build folder";
    }
};

// A new size sets the video mode again, which on Windows makes a new GL
// context: the cover texture and the caption's glyphs come back. So
// does F11, to full screen and back to the same size: the covers come back
// although nothing about their size asks for a new decode.
TEST_F(VelloraExe, OpensCentredShowsTheRedCoverKeepsItThroughAResizeAndF11TwiceAndEndsOnEscape) {
    TempDir dir;
    WineBrowser browser(dir, makeLibrary(dir, 3, true), false);
    const unsigned long window = findWindowTitled(kWindowsCaption, kWineWait);
    ASSERT_NE(window, 0u) << browser.process->err();
    const WindowInfo info = describeWindow(window);
    EXPECT_EQ(info.width, 600);
    EXPECT_EQ(info.height, 600);
    EXPECT_EQ(info.x, 212);  // the client area centred on a 1024 x 768 screen
    EXPECT_EQ(info.y, 84);
    EXPECT_TRUE(waitFor([&] { return middleIsRed(window); }, 30000)) << "the middle never showed the red cover";
    EXPECT_GT(captionPixels(window), 20) << "no caption";

    ASSERT_EQ(std::system(("xdotool windowsize " + std::to_string(window) + " 800 650").c_str()), 0);
    EXPECT_TRUE(waitFor([&] { return describeWindow(window).width == 800; }, 10000));
    EXPECT_TRUE(waitFor([&] { return middleIsRed(window); }, 30000)) << "the cover did not come back";
    EXPECT_TRUE(waitFor([&] { return captionPixels(window) > 20; }, 10000)) << "the caption did not come back";

    WindowInfo sized;
    auto sizeBecomes = [&](int width, int height) {
        return waitFor([&] {
            sized = describeWindow(window);
            return sized.width == width && sized.height == height;
        }, 15000);
    };
    // Right after a mode change the window may still show the old frame:
    // give the program time to draw, then the cover must be there and stay.
    auto coverStaysAfterChange = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        if (!waitFor([&] { return middleIsRed(window); }, 30000)) return false;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return middleIsRed(window);
    };
    pressKeys(window, {"F11"});
    EXPECT_TRUE(sizeBecomes(1024, 768)) << "full screen: " << sized.width << " x " << sized.height;
    EXPECT_TRUE(coverStaysAfterChange()) << "full screen: the cover did not come back";
    pressKeys(window, {"F11"});
    EXPECT_TRUE(sizeBecomes(800, 650)) << "back: " << sized.width << " x " << sized.height;
    EXPECT_TRUE(coverStaysAfterChange()) << "back: the cover did not come back";
    EXPECT_TRUE(waitFor([&] { return captionPixels(window) > 20; }, 10000)) << "the caption did not come back";
    pressKeys(window, {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.process->wait(30000, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

// The player stays running, as players do: Return on the next album ends it
// before the next one starts, Shift+Return adds to the list with
// enqueuearguments and ends nothing. Then an album moved into the music
// folder while the program runs is in the row: End and Return hand it over
// once the watch has seen it.
TEST_F(VelloraExe, RightThenReturnReplacesThePlayerShiftReturnEnqueuesAndAnAlbumMovedInPlays) {
    TempDir dir;
    const int albums = 12;
    const std::string music = makeLibrary(dir, albums, false);
    // The autoplayed album says which one is selected.
    WineBrowser browser(dir, music, true, "enqueuearguments=/add\r\n", {"VELLORA_RECORDER_THEN=stay"});
    const unsigned long window = findWindowTitled(kWindowsCaption, kWineWait);
    ASSERT_NE(window, 0u) << browser.process->err();
    const std::string log = dir.at("player.log");
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() >= 1; }, 30000)) << browser.process->err();
    const int selected = BrowserRun::albumIndex(readPlayerCalls(log)[0].argument);
    ASSERT_GE(selected, 0);

    pressKeys(window, {"Right", "Return"});
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() >= 2; }, 30000)) << browser.process->err();
    const std::vector<PlayerCall> calls = readPlayerCalls(log);
    char next[32];
    std::snprintf(next, sizeof next, "album %05d", std::min(selected + 1, albums - 1));
    EXPECT_EQ(calls[1].argumentCount, 1);
    EXPECT_EQ(calls[1].argument, windowsPath(music) + "\\" + next);
    const std::string player = dir.at("player.exe");
    EXPECT_TRUE(waitFor([&] { return runningCopies(player).size() == 1; }, 30000))
        << runningCopies(player).size() << " players run: the first was not ended";

    pressKeys(window, {"shift+Return"});
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() >= 3; }, 30000)) << browser.process->err();
    EXPECT_EQ(readPlayerCalls(log)[2].arguments, (std::vector<std::string>{"/add", windowsPath(music) + "\\" + next}));
    EXPECT_TRUE(waitFor([&] { return runningCopies(player).size() == 2; }, 30000)) << "enqueueing ended the player";

    dir.makeFolder("staging/album 00100 moved in");
    std::filesystem::rename(dir.at("staging/album 00100 moved in"), music + "/album 00100 moved in");
    EXPECT_TRUE(waitFor([&] {
        pressKeys(window, {"End", "Return"});  // End between the Returns: each hands over
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        return readPlayerCalls(log).back().argument == windowsPath(music) + "\\album 00100 moved in";
    }, 30000)) << browser.process->err();
    pressKeys(window, {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.process->wait(30000, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
    for (int pid : runningCopies(player)) kill(pid, SIGKILL);
}

// A music folder that is a drive's root: "M:\" is not taken for "M:", the
// working folder on that drive. Its albums play as "M:\album ..." and the
// watch sees one moved in.
TEST_F(VelloraExe, AMusicFolderAtADriveRootPlaysItsAlbumsAndSeesOneMovedIn) {
    TempDir dir;
    const std::string music = makeLibrary(dir, 3, false);
    const char* prefix = std::getenv("WINEPREFIX");
    ASSERT_NE(prefix, nullptr) << "set WINEPREFIX to the prefix the tests run in: a drive is mapped in it";
    const std::string drive = std::string(prefix) + "/dosdevices/m:";
    std::filesystem::remove(drive);
    std::filesystem::create_directory_symlink(music, drive);
    struct Unmap {
        std::string link;
        ~Unmap() { std::filesystem::remove(link); }
    } unmap{drive};
    WineBrowser browser(dir, "M:\\", true);
    const std::string log = dir.at("player.log");
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() >= 1; }, 30000)) << browser.process->err();
    const std::string first = readPlayerCalls(log)[0].argument;
    char expected[32];
    std::snprintf(expected, sizeof expected, "M:\\album %05d", BrowserRun::albumIndex(first));
    EXPECT_EQ(first, expected);

    const unsigned long window = findWindowTitled(kWindowsCaption, kWineWait);
    ASSERT_NE(window, 0u) << browser.process->err();
    dir.makeFolder("staging/album 00100 moved in");
    std::filesystem::rename(dir.at("staging/album 00100 moved in"), music + "/album 00100 moved in");
    EXPECT_TRUE(waitFor([&] {
        pressKeys(window, {"End", "Return"});
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        return readPlayerCalls(log).back().argument == "M:\\album 00100 moved in";
    }, 30000)) << readPlayerCalls(log).back().argument << "\n" << browser.process->err();
    pressKeys(window, {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.process->wait(30000, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

// The caption of the window's picture: its light pixels in the bottom sixth.
Photo captionBand(unsigned long window) {
    const Photo photo = photograph(window);
    Photo band;
    band.width = photo.width;
    band.height = photo.height / 6;
    for (int y = photo.height - band.height; y < photo.height; ++y)
        band.pixels.insert(band.pixels.end(), photo.at(0, y), photo.at(0, y) + photo.width * 3);
    return band;
}

// Names in Japanese, Cyrillic and Greek draw their own glyphs, not boxes: the
// six Japanese characters take their full width (about 15 pixels each at the
// 600-line size, from a fallback face), where a name of as many characters no
// font has shows boxes one cell (9 pixels) wide.
TEST_F(VelloraExe, CaptionsInEveryScriptDrawTheirGlyphs) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    const std::string box = "\xF4\x8F\xBF\xBD";  // U+10FFFD, private use: in no font
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
    dir.makeFolder("music/A " + japanese + japanese + " \xD0\x93\xD1\x80\xD0\xB0 \xCE\x9C\xCE\xAF");
    dir.makeFolder("music/B " + box + box + box + box + box + box + " " + box + box + box + " " + box + box);
    for (const auto& album : std::filesystem::directory_iterator(music))  // red: the only light pixels are text
        writeJpeg(album.path().string() + "/cover.jpg", solidPicture(64, 64, 255, 0, 0));
    WineBrowser browser(dir, music, false);
    const unsigned long window = findWindowTitled(kWindowsCaption, kWineWait);
    ASSERT_NE(window, 0u) << browser.process->err();
    // Each caption once the opening is over: the same in two photographs a second apart.
    auto settledCaption = [&](const char* key) {
        pressKeys(window, {key});
        Photo before, after;
        waitFor([&] {
            before = captionBand(window);
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            after = captionBand(window);
            return sameRegion(before, 0, 0, after, 0, 0, after.width, after.height);
        }, 30000);
        return after;
    };
    // Keys sent before the first frame of the row can be lost, and the start
    // album is random: Home then End until the two captions differ.
    ASSERT_TRUE(waitFor([&] { return photograph(window).blackAt(2, 2) && middleIsRed(window); }, 30000))
        << "the row never showed";
    Photo scripts, boxes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        scripts = settledCaption("Home");
        boxes = settledCaption("End");
        if (!sameRegion(scripts, 0, 0, boxes, 0, 0, boxes.width, boxes.height)) break;
    }
    auto inkWidth = [](const Photo& band) {
        int left = band.width, right = -1;
        for (int y = 0; y < band.height; ++y)
            for (int x = 0; x < band.width; ++x)
                if (isLight(band.at(x, y))) left = std::min(left, x), right = std::max(right, x);
        return right - left + 1;
    };
    std::cout << "caption ink: scripts " << inkWidth(scripts) << " pixels wide, boxes " << inkWidth(boxes) << "\n";
    EXPECT_GT(boxes.countInRows(0, boxes.height - 1, isLight), 100) << "the boxes show";
    EXPECT_GE(inkWidth(scripts), inkWidth(boxes) + 6 * 4) << "the Japanese characters drew their own glyphs";
    pressKeys(window, {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.process->wait(30000, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

TEST_F(VelloraExe, AnEmptyLibraryGivesTheMessageAndStatusOne) {
    TempDir dir;
    const std::string empty = dir.makeFolder("empty");
    WineBrowser browser(dir, empty, false);
    const unsigned long box = findWindowTitled("error", kWineWait);
    ASSERT_NE(box, 0u) << browser.process->err();
    pressKeys(box, {"Return"});
    int status = -1;
    ASSERT_TRUE(browser.process->wait(30000, &status));
    EXPECT_EQ(status, 1);
    EXPECT_NE(browser.process->err().find("error: The music directory " + windowsPath(empty) + " is not valid!"),
              std::string::npos)
        << browser.process->err();
    EXPECT_EQ(findWindowTitled(kWindowsCaption, 0), 0u) << "no window opens on an empty library";
}

}  // namespace
