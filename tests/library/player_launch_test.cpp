// Handing an album to the player: the command line text, the absolute folder
// the player really gets as its one argument, and failed starts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "platform/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"

TEST(PlayerCommandLine, QuotesPlayerAndFolderWithOneSpaceBetween) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    dir.makeFolder("music/A B");
    dir.makeFolder("music/say \"hi\"");
    const struct {
        const char* player;
        const char* arguments;
        const char* album;
        std::string line;
    } cases[] = {
        {"/usr/bin/vlc", "", "A B", "\"/usr/bin/vlc\" \"" + music + "/A B\""},
        {"/opt/my player/play", "", "A B", "\"/opt/my player/play\" \"" + music + "/A B\""},
        {"p", "", "say \"hi\"", "\"p\" \"" + music + "/say \"hi\"\""},  // nothing escaped
        {"audacious", "-e  \"x y\"", "A B", "\"audacious\" \"-e\" \"x y\" \"" + music + "/A B\""},
    };
    for (const auto& c : cases) {
        AlbumsLoader albums(music, c.player);
        albums.setPlayerArguments(c.arguments);
        const int i = std::string(c.album) == "A B" ? 0 : 1;
        EXPECT_EQ(albums.playerCall(i, "").commandLine, c.line);
    }
}

// A relative music folder, even one named like an option, reaches the player
// absolute: from the working folder the library was made in.
TEST(PlayerLaunch, ARelativeMusicFolderGoesOverAbsolute) {
    TempDir dir;
    dir.makeFolder("-Music/Album");
    dir.makeFolder("work");
    const std::string log = dir.at("calls"), cwd = platform::workingFolder();
    ASSERT_EQ(chdir(dir.at("work").c_str()), 0);
    AlbumsLoader dashed("../-Music", writeRecordingPlayer(dir.path(), log));
    ASSERT_EQ(chdir(cwd.c_str()), 0);  // later changes of the working folder do not count
    ASSERT_EQ(dashed.getAlbumsCount(), 1);
    EXPECT_EQ(dashed.getAlbumFolder(0), "../-Music/Album");
    ASSERT_TRUE(dashed.playAlbum(0));
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == 1; }, 20000));
    EXPECT_EQ(readPlayerCalls(log)[0].argument, dir.at("-Music/Album"));
    EXPECT_EQ(readPlayerCalls(log)[0].argumentCount, 1);
}

TEST(PlayerLaunch, AlbumFolderReachesThePlayerAsOneArgumentByteForByte) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    const std::vector<std::string> names = {
        "$HOME $(touch injected)", "-leading dash", std::string(255, 'L'), "new\nline", "not utf-8 \xff\xfe\x80",
        "quotes \"double\" 'single'", "with  two  spaces "};  // already in listing order
    for (const auto& name : names) dir.makeFolder("music/" + name);
    std::string log = dir.at("calls");
    // A player path with a space in it, too.
    AlbumsLoader albums(music, writeRecordingPlayer(dir.makeFolder("my players"), log));
    ASSERT_EQ(albums.getAlbumsCount(), static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        albums.playAlbum(static_cast<int>(i));
        // One call at a time, so the log holds the calls in album order.
        ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == i + 1; }, 20000)) << "album " << i;
        PlayerCall call = readPlayerCalls(log)[i];
        EXPECT_EQ(call.argumentCount, 1) << "album " << i;
        EXPECT_EQ(call.argument, music + "/" + names[i]) << "album " << i;
    }
}

TEST(PlayerLaunch, TwoCallsStartThePlayerTwice) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    std::string log = dir.at("calls");
    AlbumsLoader albums(music, writeRecordingPlayer(dir.path(), log));
    albums.playAlbum(0);
    albums.playAlbum(0);
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == 2; }, 20000));
    for (const PlayerCall& call : readPlayerCalls(log)) EXPECT_EQ(call.argument, music + "/Album");
}

TEST(PlayerLaunch, AnUnstartablePlayerIsNamedWithTheReasonAndNothingWritten) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    std::string notExecutable = dir.writeFile("player.sh", "#!/bin/sh\nexit 0\n");
    for (const std::string& player : {dir.at("missing player"), notExecutable, dir.path()}) {
        AlbumsLoader albums(music, player);
        testing::internal::CaptureStderr();
        PlayerFailure failure;
        EXPECT_FALSE(albums.playAlbum(0, &failure));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << player;
        EXPECT_EQ(failure.player, player);
        EXPECT_NE(failure.reason, "") << player;
        EXPECT_EQ(failure.commandLine, "\"" + player + "\" \"" + music + "/Album\"");
        EXPECT_EQ(albums.getAlbumsCount(), 1);  // the library goes on as before
    }
}
