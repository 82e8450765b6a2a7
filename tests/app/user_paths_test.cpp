// The settings file's place and the default music folder: the rules as pure
// functions, then the real program with a private HOME.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/user_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

TEST(UserPaths, SettingsFileIsTheLocalOneElseTheFirstUserFileThereElseTheFirstToMake) {
    struct Places {
        const char* appData;
        const char* xdgConfigHome;
        const char* home;
        std::vector<std::string> files;
    };
    const Places places[] = {
        {"", "/cfg", "/home/ann", {"/cfg/vellora/vellora.ini"}},
        {"", "", "/home/ann", {"/home/ann/.config/vellora/vellora.ini"}},
        {"", "relative/cfg", "/home/ann", {"/home/ann/.config/vellora/vellora.ini"}},  // must be absolute
        {"", "", "", {}},
        {"", "/cfg", "", {"/cfg/vellora/vellora.ini"}},
        // Windows: %APPDATA% first, then the XDG-style folder under the profile that earlier versions read.
        {"C:\\Users\\ann\\AppData\\Roaming", "", "C:\\Users\\ann",
         {"C:\\Users\\ann\\AppData\\Roaming\\vellora\\vellora.ini", "C:\\Users\\ann/.config/vellora/vellora.ini"}},
        {"C:\\Roaming", "", "", {"C:\\Roaming\\vellora\\vellora.ini"}},
    };
    for (const Places& c : places)
        EXPECT_EQ(userSettingsFiles(c.appData, c.xdgConfigHome, c.home), c.files) << c.appData << " " << c.home;

    static std::vector<std::string> present;
    auto isFile = [](const std::string& path) {
        return std::find(present.begin(), present.end(), path) != present.end();
    };
    const std::vector<std::string> files = {"A\\vellora\\vellora.ini", "B/vellora/vellora.ini"};
    struct Case {
        bool local;
        std::vector<std::string> present;
        std::vector<std::string> files;
        const char* path;
    };
    const Case cases[] = {
        {true, {files[0], files[1]}, files, "./vellora.ini"},
        {false, {files[0], files[1]}, files, "A\\vellora\\vellora.ini"},
        {false, {files[1]}, files, "B/vellora/vellora.ini"},   // the older place still counts
        {false, {}, files, "A\\vellora\\vellora.ini"},        // none there: the one to make
        {false, {}, {}, ""},
    };
    for (const Case& c : cases) {
        present = c.present;
        EXPECT_EQ(settingsFilePath(c.local, c.files, isFile), c.path) << c.present.size();
    }
}

TEST(UserPaths, MusicFolderFromUserDirsElseHomeMusic) {
    const std::string header = "# This file is written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    struct Case {
        std::string text;
        const char* folder;
    };
    const Case cases[] = {
        {header + "XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "/home/ann/Musik"},
        {header + "XDG_MUSIC_DIR=\"$HOME/Ma musique\"\r\n", "/home/ann/Ma musique"},
        {"XDG_MUSIC_DIR=\"/srv/music/\"", "/srv/music"},
        {"XDG_MUSIC_DIR=\"$HOME/Say \\\"hi\\\"\"\n", "/home/ann/Say \"hi\""},
        {"XDG_MUSIC_DIR=\"$HOME/A\"\nXDG_MUSIC_DIR=\"$HOME/B\"\n", "/home/ann/B"},  // the last one counts
        {"  XDG_MUSIC_DIR=\"$HOME/Indented\"\n", "/home/ann/Indented"},
        {"# XDG_MUSIC_DIR=\"$HOME/Commented\"\n", "/home/ann/Music"},
        {"XDG_MUSIC_DIR=\"$HOME/\"\n", "/home/ann/Music"},  // the home folder means not set
        {"XDG_MUSIC_DIR=\"$HOME\"\n", "/home/ann/Music"},
        {"XDG_MUSIC_DIR=\"Musik\"\n", "/home/ann/Music"},   // neither $HOME/ nor absolute
        {"XDG_MUSIC_DIR=$HOME/Musik\n", "/home/ann/Music"},  // not quoted
        {"XDG_MUSIC_DIR=\"$HOME/Open\n", "/home/ann/Music"},  // no closing quote
        {"XDG_MUSIC_DIRS=\"$HOME/Other\"\n", "/home/ann/Music"},
        {"", "/home/ann/Music"},
        {std::string("XDG_MUSIC_DIR=\"$HOME/\0x\"", 24), "/home/ann/Music"},
    };
    for (const Case& c : cases) EXPECT_EQ(defaultMusicFolder("/home/ann", c.text), c.folder) << c.text;
}

// The real program with a private HOME (and no display: it stops at the empty
// library message, which names the folder it looked in, or at the display).
TEST(UserPaths, StartupReadsTheLocalFileElseConfigAndDefaultsToTheUserDirsMusicFolder) {
    TempDir dir;
    const std::string home = dir.makeFolder("home");
    const std::string cwd = dir.makeFolder("cwd");
    dir.makeFolder("home/.config/vellora");
    dir.makeFolder("xdg");
    auto run = [&](std::vector<std::string> environment) {
        environment.insert(environment.end(), {"DISPLAY", "WAYLAND_DISPLAY", "HOME=" + home});
        return runProcess({VELLORA_BINARY}, cwd, environment);
    };
    auto said = [](const ProcessResult& result, const std::string& folder) {
        return result.err.find("The music directory " + folder + " is not valid!") != std::string::npos;
    };

    // Nothing configured: ~/Music.
    ProcessResult plain = run({"XDG_CONFIG_HOME"});
    EXPECT_TRUE(said(plain, home + "/Music")) << plain.err;

    // user-dirs.dirs names a localised music folder.
    dir.writeFile("home/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    ProcessResult localised = run({"XDG_CONFIG_HOME"});
    EXPECT_TRUE(said(localised, home + "/Musik")) << localised.err;

    // ~/.config/vellora/vellora.ini is read, and its depth setting reaches the scan:
    // an artist folder without albums is no album at depth 2.
    dir.makeFolder("library/Artist Without Albums");
    dir.writeFile("home/.config/vellora/vellora.ini",
                  "[vellora]\ndefaultdir=" + dir.at("library") + "\ndepth=2\nautoplay=false\n");
    ProcessResult fromConfig = run({"XDG_CONFIG_HOME"});
    EXPECT_TRUE(said(fromConfig, dir.at("library"))) << fromConfig.err;

    // $XDG_CONFIG_HOME replaces ~/.config, for both files.
    dir.writeFile("xdg/user-dirs.dirs", "XDG_MUSIC_DIR=\"/nowhere/xdg music\"\n");
    ProcessResult fromXdg = run({"XDG_CONFIG_HOME=" + dir.at("xdg")});
    EXPECT_TRUE(said(fromXdg, "/nowhere/xdg music")) << fromXdg.err;

    // ./vellora.ini wins over all of them; depth 1 makes the artist an album,
    // so start-up gets past the library and stops at the missing display.
    dir.writeFile("cwd/vellora.ini", "[vellora]\ndefaultdir=" + dir.at("library") + "\nautoplay=false\n");
    ProcessResult local = run({"XDG_CONFIG_HOME=" + dir.at("xdg")});
    EXPECT_EQ(local.status, 1);
    EXPECT_EQ(local.err.find("is not valid"), std::string::npos) << local.err;
    EXPECT_NE(local.err.find("SDL Init Error"), std::string::npos) << local.err;
}
