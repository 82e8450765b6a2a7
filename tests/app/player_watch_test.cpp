// The players the browser starts, watched from the frame thread: a start that
// ends failing at once is told like a start that failed, with what the player
// said; one that ends later, or that the browser ended, is not.
#include "app/player_watch.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/input.h"
#include "app/player_notice.h"
#include "platform/platform.h"
#include "support/app_fixture.h"
#include "support/process.h"

namespace {

TEST(PlayerWatch, OnlyAFailingEndWithinTwoSecondsIsAFailedStart) {
    const struct {
        bool failed, onRequest;
        uint32_t milliseconds;
        bool told;
    } cases[] = {
        {true, false, 0, true},     {true, false, 2000, true}, {true, false, 2001, false},
        {false, false, 10, false},  // ended with status 0: a player that handed its album to its running instance
        {false, true, 10, false},   // the browser ended it
    };
    for (const auto& c : cases) {
        platform::ProgramEnd end;
        end.failed = c.failed;
        end.onRequest = c.onRequest;
        end.milliseconds = c.milliseconds;
        EXPECT_EQ(failedAtOnce(end), c.told) << c.milliseconds;
    }
    platform::ProgramEnd end;
    end.how = "killed by signal 9 (Killed)";
    end.firstErrorLine = "out of memory";
    const PlayerFailure failure = failureOfEnd({"vlc", "", "\"vlc\" \"/m/A\""}, end);
    EXPECT_EQ(failure.reason, "killed by signal 9 (Killed) at once");
    EXPECT_EQ(failure.errorLine, "out of memory");
    EXPECT_EQ(failure.commandLine, "\"vlc\" \"/m/A\"");
}

// vlc run as root: it says why and ends at once. The browser says so too, on
// standard error and in the window, after passing on what vlc wrote.
TEST(PlayerWatch, APlayerThatEndsFailingAtOnceRaisesTheNoticeWithItsFirstLine) {
    TempDir dir;
    const std::string player =
        writeStandInPlayer(dir.path(), "vlc", dir.at("calls"),
                           "echo 'VLC is not supposed to be run as root. Sorry.' >&2; echo more >&2; exit 1");
    useGeneratedLibrary(dir, 2, player);
    playerSettingsFile = "./vellora.ini";
    playerNotice = PlayerNotice{};
    testing::internal::CaptureStderr();
    processKeys(KeyReturn);
    EXPECT_TRUE(playerNotice.lines.empty()) << "it started";
    EXPECT_TRUE(waitFor(
        [] {
            watchPlayers(platform::ticks());
            return !playerNotice.lines.empty();
        },
        20000));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "VLC is not supposed to be run as root. Sorry.\nmore\nvellora: cannot start \"" + player +
                        "\" \"" + dir.at("music/album 00000") +
                        "\": ended with status 1 at once, saying \"VLC is not supposed to be run as root. "
                        "Sorry.\"; set musicplayer in ./vellora.ini to choose the player\n");
    EXPECT_EQ(playerNotice.lines.size(), 3u);
    EXPECT_EQ(playerNotice.lines[1], "It said: VLC is not supposed to be run as root. Sorry.");
    playerNotice = PlayerNotice{};
    forgetPlayers();
    resetAppState();
}

}  // namespace
