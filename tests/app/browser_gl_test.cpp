// The real program in a real X server: its window, and real key and button
// events typed at it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>

#include "support/browser_run.h"
#include "support/x_server.h"
#include "support/x11_window.h"

namespace {

constexpr int kExitWait = 15000;

// A test's X server resets whenever its last client leaves and drops the
// connections that arrive meanwhile; a browser starting at such a moment found
// no display. The test servers keep a connection of their own open so that
// every short-lived client (the browser, xdotool, xwininfo) gets in.
TEST(TestDisplay, AcceptsEveryClientWhileShortLivedOnesComeAndGo) {
    XServer screen("640x480x24");
    ASSERT_TRUE(screen.ready());
    int refused = 0;
    for (int i = 0; i < 300; ++i) {
        Display* client = XOpenDisplay(screen.display().c_str());
        if (!client) ++refused;
        else XCloseDisplay(client);
    }
    EXPECT_EQ(refused, 0);
}

TEST(BrowserWindow, Is600SquareCaptionedAndCentred) {
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    WindowInfo info = describeWindow(browser.window());
    EXPECT_EQ(info.caption, "Vellora v0.1 alpha");
    EXPECT_EQ(info.width, 600);
    EXPECT_EQ(info.height, 600);
    EXPECT_EQ(info.x, 212);  // a 1024 x 768 screen
    EXPECT_EQ(info.y, 84);
}

TEST(BrowserWindow, CentresOnA1280By1024Screen) {
    XServer screen("1280x1024x24");
    ASSERT_TRUE(screen.ready());
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    WindowInfo info = describeWindow(browser.window());
    EXPECT_EQ(info.x, 340);
    EXPECT_EQ(info.y, 212);
    EXPECT_EQ(info.width, 600);
}

TEST(BrowserWindow, AScreenWithoutAGlVisualGivesAMessageAndStatusOne) {
    XServer screen("1024x768x8");  // 8-bit colour: no OpenGL visual exists
    ASSERT_TRUE(screen.ready());
    BrowserRun browser({});
    // The message is shown in a modal box on that screen; a user closes it.
    unsigned long box = findWindowTitled("SDL Video Error", 20000);
    ASSERT_NE(box, 0u) << browser.process->err();
    pressKeys(box, {"Return"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 1);
    EXPECT_NE(browser.process->err().find("SDL Video Error: Cannot open the 600 x 600 OpenGL window"),
              std::string::npos)
        << browser.process->err();
}

TEST(BrowserWindow, LosingTheDisplayEndsTheProgram) {
    XServer screen("1024x768x24");
    ASSERT_TRUE(screen.ready());
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    screen.stop();
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status)) << "still running without its display";
    EXPECT_EQ(status, 1);
    EXPECT_NE(browser.process->err().find("vellora: lost the connection to the display"), std::string::npos)
        << browser.process->err();
}

TEST(BrowserEnds, EscapeEndsWithStatusZero) {
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

TEST(BrowserEnds, RightButtonEndsWithStatusZero) {
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    clickButton(browser.window(), 3);
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

TEST(BrowserEnds, ClosingTheWindowEndsWithStatusZero) {
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    closeWindow(browser.window());
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
}

TEST(BrowserEnds, ReturnThenReturnHandsOverOnceAndEnds) {
    BrowserRun browser({});
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Return", "Return"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].argumentCount, 1);
    EXPECT_EQ(calls[0].argument.rfind(browser.musicFolder + "/album ", 0), 0u) << calls[0].argument;
}

// Runs the browser with autoplay for one frame; the one call of the player it
// made (a test failure when that did not happen exactly once).
PlayerCall autoplayedCall(BrowserOptions options, std::string* folder = nullptr) {
    options.autoplay = true;
    options.extraEnv.push_back("VELLORA_EXIT_AFTER_FRAMES=1");
    BrowserRun browser(options);
    int status = -1;
    EXPECT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0) << browser.process->err();
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(1);
    EXPECT_EQ(calls.size(), 1u) << browser.process->err();
    if (folder) *folder = browser.musicFolder;
    return calls.size() == 1 ? calls[0] : PlayerCall{-1, "", {}};
}

std::string autoplayedFolder(BrowserOptions options) { return autoplayedCall(options).argument; }

TEST(BrowserPlayer, AutoplayStartsThePlayerOnceBeforeTheFirstFrame) {
    TempDir music;
    music.makeFolder("album 00000");
    BrowserOptions options;
    options.musicFolder = music.path();
    EXPECT_EQ(autoplayedFolder(options), music.path() + "/album 00000");
}

// --depth on the command line outranks the setting (1 here, the default):
// with 2, the albums of an Artist/Album tree are the album folders.
TEST(BrowserPlayer, DepthFromTheCommandLineChoosesTheAlbumFolders) {
    struct Case {
        std::vector<std::string> options;
        const char* album;
    };
    TempDir music;
    music.makeFolder("Solo");
    music.makeFolder("Solo/Only");
    for (const Case& c : {Case{{}, "/Solo"}, Case{{"--depth", "2"}, "/Solo/Only"}, Case{{"--depth=2"}, "/Solo/Only"}}) {
        BrowserOptions options;
        options.musicFolder = music.path();
        options.options = c.options;
        EXPECT_EQ(autoplayedFolder(options), music.path() + c.album);
    }
}

// What the player gets: a relative music folder named like an option goes
// over absolute; playerarguments come before it, split with their quotes; with
// no musicplayer set, the first default player on PATH with its own arguments.
TEST(BrowserPlayer, ARelativeDashFolderPlayerArgumentsAndTheDefaultPlayerReachThePlayer) {
    struct Case {
        const char* name;
        BrowserOptions options;
        std::vector<std::string> words;  // the player's arguments before the folder
    };
    BrowserOptions dashed, withArguments, byDefault, defaultWithArguments;
    dashed.options = {"--"};
    dashed.relativeMusicFolder = "-Music";
    withArguments.settings = "playerarguments = -e  \"two words\" \"\"\n";
    byDefault.recorderAsPlayer = false;
    byDefault.playerOnPath = "mpv";
    defaultWithArguments = byDefault;
    defaultWithArguments.settings = "musicplayer=\nplayerarguments=--shuffle\n";
    for (Case c : {Case{"a relative folder after --", dashed, {}},
                    Case{"playerarguments", withArguments, {"-e", "two words", ""}},
                    Case{"the default player", byDefault, {"--player-operation-mode=pseudo-gui"}},
                    Case{"the default player, playerarguments", defaultWithArguments, {"--shuffle"}}}) {
        c.options.albums = 1;
        std::string music;
        const PlayerCall call = autoplayedCall(c.options, &music);
        std::vector<std::string> expected = c.words;
        expected.push_back(music + "/album 00000");
        EXPECT_EQ(call.arguments, expected) << c.name;
        EXPECT_EQ(call.argument.substr(0, 1), "/") << c.name;
    }
}

// The window's position goes to the media library through the environment;
// the player must get the environment as the user had it.
TEST(BrowserPlayer, ThePlayerGetsTheEnvironmentWithoutTheWindowPlacement) {
    struct Case {
        std::vector<std::string> env;
        std::string expected;  // the variable's line in the player's environment
    };
    for (const Case& c : {Case{{"SDL_VIDEO_WINDOW_POS"}, ""},
                          Case{{"SDL_VIDEO_WINDOW_POS=5,7"}, "SDL_VIDEO_WINDOW_POS=5,7\n"}}) {
        BrowserOptions options;
        options.albums = 1;
        options.autoplay = true;
        options.extraEnv = c.env;
        BrowserRun browser(options);
        ASSERT_EQ(browser.waitPlayerCalls(1).size(), 1u) << browser.process->err();
        ASSERT_NE(browser.window(), 0u) << browser.process->err();
        EXPECT_EQ(describeWindow(browser.window()).x, 212) << "placed by the variable all the same";
        std::string env = readWholeFile(browser.playerLog + ".env");
        size_t at = env.find("SDL_VIDEO_WINDOW_POS=");
        EXPECT_EQ(at == std::string::npos ? "" : env.substr(at, env.find('\n', at) + 1 - at), c.expected);
    }
}

TEST(BrowserPlayer, RightThenReturnStartsThePlayerOnTheNextAlbumAsTheKeypadAndTheMediaKeyDo) {
    const int albums = 40;
    BrowserOptions options;
    options.albums = albums;
    options.autoplay = true;
    BrowserRun browser(options);
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(1);
    ASSERT_EQ(calls.size(), 1u) << "autoplay";
    const int selected = BrowserRun::albumIndex(calls[0].argument);
    ASSERT_GE(selected, 0);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Right", "Return"});
    calls = browser.waitPlayerCalls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(BrowserRun::albumIndex(calls[1].argument), std::min(selected + 1, albums - 1));
    // The keypad's arrow and Enter (Num Lock off, as a remote sends them).
    pressKeys(browser.window(), {"KP_Right", "KP_Enter"});
    calls = browser.waitPlayerCalls(3);
    ASSERT_EQ(calls.size(), 3u);
    const int third = std::min(selected + 2, albums - 1);
    EXPECT_EQ(BrowserRun::albumIndex(calls[2].argument), third);
    // Play/Pause hands the album over each time, never quits.
    pressKeys(browser.window(), {"XF86AudioPlay", "XF86AudioPlay"});
    calls = browser.waitPlayerCalls(5);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(BrowserRun::albumIndex(calls[4].argument), third);
    // Down: on by the 4 covers the 600-pixel window shows on a side.
    pressKeys(browser.window(), {"KP_Down", "Return"});
    calls = browser.waitPlayerCalls(6);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(BrowserRun::albumIndex(calls[5].argument), std::min(third + 4, albums - 1));
    // Keypad Enter right after Return is the second Return in a row: it ends the program.
    pressKeys(browser.window(), {"KP_Enter"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(browser.playerCalls().size(), 6u);
}

}  // namespace
