// Handing an album to the player: the command line text, the one argument the
// player really gets, and failed starts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "support/process.h"
#include "support/temp_dir.h"

TEST(PlayerCommandLine, QuotesPlayerAndFolderWithOneSpaceBetween) {
    EXPECT_EQ(AlbumsLoader::playerCommandLine("/usr/bin/vlc", "/music/Album"), "\"/usr/bin/vlc\" \"/music/Album\"");
    EXPECT_EQ(AlbumsLoader::playerCommandLine("/opt/my player/play", "/music/A B"),
              "\"/opt/my player/play\" \"/music/A B\"");
    EXPECT_EQ(AlbumsLoader::playerCommandLine("", "/music/x"), "\"\" \"/music/x\"");
    EXPECT_EQ(AlbumsLoader::playerCommandLine("p", "/m/say \"hi\""), "\"p\" \"/m/say \"hi\"\"");  // nothing escaped
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

TEST(PlayerLaunch, UnstartablePlayerWritesOneLineAndReturns) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    std::string notExecutable = dir.writeFile("player.sh", "#!/bin/sh\nexit 0\n");
    for (const std::string& player : {std::string(), dir.at("missing player"), notExecutable, dir.path()}) {
        AlbumsLoader albums(music, player);
        testing::internal::CaptureStderr();
        albums.playAlbum(0);
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << "player \"" << player << "\": " << message;
        EXPECT_NE(message.find(AlbumsLoader::playerCommandLine(player, music + "/Album")), std::string::npos)
            << message;
        EXPECT_EQ(albums.getAlbumsCount(), 1);  // the library goes on as before
    }
}
