// Key and mouse commands against a real library and a recording stand-in player.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/app_state.h"
#include "app/input.h"
#include "app/player_notice.h"
#include "app/remote_keys.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "render/projection.h"
#include "support/app_fixture.h"
#include "support/process.h"
#include "support/simulated_loop.h"

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
    for (int rearming : {304 /* Shift */, 271 /* keypad Enter, before it is read as Return */, 19 /* Pause */,
                         int(KeyDismiss) /* the pad's B */}) {
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

TEST(MovedSelection, PagesAndEndsStopAtTheEnds) {
    struct Case {
        int key, from, count, expected;
    };
    const Case cases[] = {
        {KeyHome, 37, 50, 0},      {KeyEnd, 3, 50, 49},       {KeyPageDown, 3, 50, 13},
        {KeyPageDown, 45, 50, 49}, {KeyPageDown, 49, 50, 49}, {KeyPageUp, 13, 50, 3},
        {KeyPageUp, 4, 50, 0},     {KeyPageUp, 0, 50, 0},     {KeyRight, 49, 50, 49},
        {KeyLeft, 0, 50, 0},       {KeyEnd, 0, 1, 0},         {KeyPageDown, 0, 1, 0},
        {KeySpace, 7, 50, 7},      {KeyF1, 7, 50, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(movedSelection(c.key, c.from, c.count), c.expected) << c.key << " from " << c.from;
}

TEST(RemoteKeys, KeypadStandsForItsKeysAndUpDownPageAWindowful) {
    struct Case {
        int symbol, modifiers, command;
    };
    const Case cases[] = {
        {SDLK_KP_ENTER, 0, KeyReturn},    {SDLK_KP_ENTER, KMOD_NUM, KeyReturn}, {SDLK_KP4, 0, KeyLeft},
        {SDLK_KP6, 0, KeyRight},          {SDLK_KP8, 0, KeyUp},                 {SDLK_KP2, 0, KeyDown},
        {SDLK_KP9, 0, KeyPageUp},         {SDLK_KP3, 0, KeyPageDown},           {SDLK_KP7, 0, KeyHome},
        {SDLK_KP1, 0, KeyEnd},            {SDLK_KP5, 0, SDLK_KP5},              {SDLK_KP4, KMOD_NUM, '4'},
        {SDLK_KP0, KMOD_NUM, '0'},        {SDLK_KP9, KMOD_NUM | KMOD_SHIFT, '9'},
        {SDLK_RETURN, 0, KeyReturn},      {SDLK_UP, 0, KeyUp},                  {'a', KMOD_NUM, 'a'},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCommand(c.symbol, c.modifiers), c.command) << c.symbol;

    // Up and Down bring the cover at the window's edge to the middle.
    EXPECT_EQ(sideCoversInView(600, 600), 4);
    EXPECT_EQ(sideCoversInView(800, 600), 6);
    EXPECT_EQ(sideCoversInView(1920, 1080), 8);
    EXPECT_EQ(sideCoversInView(3840, 2160), 8);
    EXPECT_EQ(sideCoversInView(300, 600), 1);  // narrower than the middle cover: still one
    EXPECT_EQ(movedSelection(KeyDown, 3, 50, 4), 7);
    EXPECT_EQ(movedSelection(KeyDown, 47, 50, 4), 49);
    EXPECT_EQ(movedSelection(KeyUp, 7, 50, 8), 0);
}

TEST_F(InputTest, NewKeysMoveAndReArmReturnLikeAnyOther) {
    processKeys(KeyReturn);
    EXPECT_EQ(playedAlbums(1).back(), "album 00002");
    processKeys(KeyEnd);
    EXPECT_EQ(current, 4);
    processKeys(KeyReturn);
    EXPECT_EQ(playedAlbums(2).back(), "album 00004");
    processKeys(KeyHome);
    EXPECT_EQ(current, 0);
    processKeys(KeyPageDown);
    EXPECT_EQ(current, 4);
    processKeys(KeyPageUp);
    EXPECT_EQ(current, 0);
    for (int key : std::vector<int>{KeyF1, KeyF1, 'a', KeyF11 /* no window here: nothing to switch */}) {
        processKeys(KeyReturn);
        processKeys(key);
    }
    processKeys(KeyReturn);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(playedAlbums(7).size(), 7u);
    goToAlbum(3);  // a click on a side cover
    EXPECT_EQ(current, 3);
    processKeys(KeyReturn);
    EXPECT_EQ(done, 0) << "a click on a side cover re-arms Return";
    EXPECT_EQ(playedAlbums(8).back(), "album 00003");
    goToAlbum(99);
    EXPECT_EQ(current, 4) << "clamped";
}

TEST_F(InputTest, HelpShowsOnF1AndAnyCommandHidesIt) {
    processKeys(KeyF1);
    EXPECT_TRUE(helpShown);
    processKeys(KeyF1);
    EXPECT_FALSE(helpShown);
    for (int key : std::vector<int>{KeyRight, KeyHome, KeyPageDown, 'b', 304 /* Shift */, KeySpace}) {
        processKeys(KeyF1);
        ASSERT_TRUE(helpShown);
        redrawWanted = false;
        processKeys(key);
        EXPECT_FALSE(helpShown) << key;
        EXPECT_TRUE(redrawWanted) << key;
    }
    processKeys(KeyF1);
    processKeys(KeyEscape);
    EXPECT_EQ(done, 1) << "Escape keeps its meaning";
    helpShown = false;
}

TEST_F(InputTest, TypingFindsAlbumsByName) {
    // The generated names are "album 00000" .. "album 00004".
    now = 10000;
    processKeys('a');
    EXPECT_EQ(current, 0);
    EXPECT_EQ(findText.text, "a");
    EXPECT_TRUE(findText.matched);
    now += 400;
    processKeys('x');  // "ax": nothing, the selection stays
    EXPECT_EQ(current, 0);
    EXPECT_FALSE(findText.matched);
    EXPECT_EQ(findText.text, "ax");
    now += 1001;
    processKeys('q');  // a new text after a pause
    EXPECT_EQ(findText.text, "q");
    processKeys(KeyEnd);
    EXPECT_EQ(current, 4);
    EXPECT_EQ(findText.text, "") << "another command ends the search";
    processKeys('a');
    EXPECT_EQ(current, 0) << "a new search starts from the first album";
    processKeys(KeySpace);
    EXPECT_EQ(findText.text, "") << "Space stays the random jump";
    findText = FindText();
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


// A player that cannot be started: one line on stderr and the notice, raised
// at the hand-over's tick for a few seconds. Its texts fit the window.
TEST(PlayerNoticeTest, AFailedHandOverSaysSoOnceAndRaisesTheNoticeForAFewSeconds) {
    TempDir dir;
    useGeneratedLibrary(dir, 3, dir.at("missing player"));
    playerSettingsFile = "~/.config/vellora/vellora.ini";
    redrawWanted = false;
    SimulatedLoop clock(7000);
    testing::internal::CaptureStderr();
    processKeys(KeyReturn);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("vellora: cannot start \"" + dir.at("missing player") + "\" \"", 0), 0u) << err;
    EXPECT_NE(err.find("; set musicplayer in ~/.config/vellora/vellora.ini to choose the player\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(redrawWanted);
    ASSERT_EQ(playerNotice.lines.size(), 2u);
    EXPECT_EQ(playerNotice.lines[0].rfind("Cannot start \"", 0), 0u) << playerNotice.lines[0];
    EXPECT_EQ(playerNotice.lines[1], "Set musicplayer in ~/.config/vellora/vellora.ini to choose it");
    EXPECT_TRUE(playerNoticeLive(playerNotice, 7000));
    EXPECT_TRUE(playerNoticeLive(playerNotice, 7000 + kPlayerNoticeTicks - 1));
    EXPECT_FALSE(playerNoticeLive(playerNotice, 7000 + kPlayerNoticeTicks));
    playerNotice = PlayerNotice{};
    resetAppState();
}

TEST(PlayerNoticeTest, TextsNameThePlayerTheReasonAndTheSettingsFileWhole) {
    const std::string longName = "/opt/" + std::string(80, 'p') + "/player";
    const struct {
        PlayerFailure failure;
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        {{"vlc", "not found on PATH", "\"vlc\" \"/m/A\""}, "./vellora.ini",
         {"Cannot start \"vlc\": not found on PATH", "Set musicplayer in ./vellora.ini to choose it"}},
        {{"", "no music player found on PATH (tried vlc, audacious, mpv, celluloid, qmmp)", "\"\" \"/m/A\""},
         "./vellora.ini",
         {"No music player found on PATH (tried vlc, audacious, mpv, celluloid, qmmp)",
          "Set musicplayer in ./vellora.ini to choose it"}},
        {{longName, "no such file", ""}, "/srv/" + std::string(60, 's') + "/vellora.ini",  // wrapped when drawn
         {"Cannot start \"" + longName + "\": no such file",
          "Set musicplayer in /srv/" + std::string(60, 's') + "/vellora.ini to choose it"}},
        {{"caf\xC3\xA9 player", "no such file", ""}, "./vellora.ini",  // UTF-8 as it stands
         {"Cannot start \"caf\xC3\xA9 player\": no such file", "Set musicplayer in ./vellora.ini to choose it"}},
    };
    for (const auto& c : cases) EXPECT_EQ(playerNoticeLines(c.failure, c.file), c.lines);
    EXPECT_EQ(playerFailureLine({"", "no music player found on PATH (tried vlc)", "\"\" \"/m/A\""}, "./vellora.ini"),
              "vellora: cannot start a music player: no music player found on PATH (tried vlc); set musicplayer in "
              "./vellora.ini to choose the player\n");
    EXPECT_EQ(playerFailureLine({"p", "no such file", "\"p\" \"/m/new\nline\""}, "./vellora.ini"),
              "vellora: cannot start \"p\" \"/m/new\\nline\": no such file; set musicplayer in ./vellora.ini to "
              "choose the player\n");
    EXPECT_EQ(settingsFileForPeople("/home/ann/.config/vellora/vellora.ini", "/home/ann"),
              "~/.config/vellora/vellora.ini");
    EXPECT_EQ(settingsFileForPeople("/home/anna/vellora.ini", "/home/ann"), "/home/anna/vellora.ini");
    EXPECT_EQ(settingsFileForPeople("./vellora.ini", "/home/ann"), "./vellora.ini");
    EXPECT_EQ(settingsFileForPeople("", "/home/ann"), "./vellora.ini");
}

}  // namespace
