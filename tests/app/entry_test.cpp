// Start-up up to the first frame, run as the real program without a display.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "app/entry.h"
#include "app/ini_reader.h"
#include "support/accounts.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

// The program, run in `folder` with no display. Leak checking is on so that a
// start-up that ends early must still release what it made (in the sanitizer
// build; elsewhere the option is ignored).
ProcessResult runBrowser(const std::string& folder, const std::vector<std::string>& args) {
    std::vector<std::string> argv{VELLORA_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, folder, {"DISPLAY", "WAYLAND_DISPLAY", "ASAN_OPTIONS=detect_leaks=1"});
}

// The first line of the message, or the whole of it with what to do, naming
// the settings file.
std::string emptyLibraryMessage(const std::string& folderText, const std::string& settingsFile = "") {
    std::string message = "error: The music directory " + folderText + " is not valid!\n";
    if (!settingsFile.empty())
        message += "Start vellora with your music folder (vellora FOLDER), or set defaultdir in the settings file " +
                   settingsFile + ".\n";
    return message;
}

TEST(StartupRules, OneTrailingSeparatorIsRemoved) {
    EXPECT_EQ(musicFolderFromText("/music/"), "/music");
    EXPECT_EQ(musicFolderFromText("/music//"), "/music/");
    EXPECT_EQ(musicFolderFromText("/music"), "/music");
    EXPECT_EQ(musicFolderFromText(""), "");
    EXPECT_EQ(musicFolderFromText("/"), "");
}

// The normal end and the end during the scan decide alike: _Exit while any
// thread may be stuck in the kernel, a plain return otherwise.
TEST(StartupRules, AnEndSkipsStaticTeardownWhileAThreadMayBeStuck) {
    EXPECT_FALSE(mustEndWithoutTeardown(false, 0));
    EXPECT_TRUE(mustEndWithoutTeardown(true, 0)) << "the scan still runs";
    EXPECT_TRUE(mustEndWithoutTeardown(false, 1)) << "a cover loader thread was left behind";
    EXPECT_TRUE(mustEndWithoutTeardown(true, 2));
}

TEST(StartupRules, HomeRelativeSettingsAndDefaults) {
    EXPECT_EQ(expandHome("~/Music", "/home/ann"), "/home/ann/Music");
    EXPECT_EQ(expandHome("~ann/Music", "/home/ann"), "~ann/Music");
    EXPECT_EQ(expandHome("/srv/~/x", "/home/ann"), "/srv/~/x");
    EXPECT_EQ(expandHome("~/Music", ""), "~/Music");
    EXPECT_EQ(defaultMusicFolder("/home/ann"), "/home/ann/Music");
}

TEST(EmptyLibrary, EveryFolderWithoutAlbumsGivesTheMessageAndStatusOne) {
    TempDir dir;
    dir.writeFile("plain-file", "not a folder");
    dir.makeFolder("empty");
    dir.makeFolder("files-only");
    dir.writeFile("files-only/track.mp3", "x");
    dir.writeFile("files-only/cover.jpg", "x");
    dir.makeFolder("dot-folders/.hidden");
    dir.makeFolder("dot-folders/.git");
    dir.writeFile("dot-folders/notes.txt", "x");

    for (std::string folder : {dir.at("missing"), dir.at("plain-file"), dir.at("empty"),
                               dir.at("files-only"), dir.at("dot-folders"), dir.at("empty") + "/"}) {
        ProcessResult result = runBrowser(dir.path(), {folder});
        EXPECT_EQ(result.status, 1) << folder << "\n" << result.err;
        // The folder text as given, trailing separator included, on one line.
        EXPECT_NE(result.err.find(emptyLibraryMessage(folder)), std::string::npos) << result.err;
    }
}

TEST(EmptyLibrary, UnreadableMusicFolderGivesTheMessage) {
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    dir.makeFolder("locked/album");
    chmod(dir.at("locked").c_str(), 0);
    std::vector<std::string> argv;
    if (geteuid() == 0)  // root reads anything; run as nobody instead
        argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", VELLORA_BINARY};
    else
        argv = {VELLORA_BINARY};
    argv.push_back(dir.at("locked"));
    ProcessResult result = runProcess(argv, "/", {"DISPLAY"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(emptyLibraryMessage(dir.at("locked"))), std::string::npos) << result.err;
}

TEST(Settings, DefaultFolderComesFromTheSettingsUnlessAnArgumentIsGiven) {
    TempDir dir;
    dir.makeFolder("music/Some Album");
    dir.writeFile("vellora.ini", "[vellora]\r\ndefaultdir = \"" + dir.at("nowhere") + "\"\r\nautoplay=false\r\n");

    ProcessResult fromSettings = runBrowser(dir.path(), {});
    EXPECT_EQ(fromSettings.status, 1);
    EXPECT_NE(fromSettings.err.find(emptyLibraryMessage(dir.at("nowhere"))), std::string::npos)
        << fromSettings.err;

    // With an album folder as the argument, start-up gets past the library and
    // stops at the display, which this test does not have.
    ProcessResult fromArgument = runBrowser(dir.path(), {dir.at("music"), "ignored extra"});
    EXPECT_EQ(fromArgument.status, 1);
    EXPECT_EQ(fromArgument.err.find("is not valid"), std::string::npos) << fromArgument.err;
}

// A music folder whose path is longer than the 254 bytes other values are
// cut to is read whole: start-up gets past the library to the display.
TEST(Settings, ALongMusicFolderPathIsReadWhole) {
    TempDir dir;
    const std::string relative = "music/" + std::string(200, 'a') + "/" + std::string(200, 'b');
    dir.makeFolder(relative + "/Some Album");
    dir.writeFile("vellora.ini", "[vellora]\ndefaultdir = " + dir.at(relative) + "\nautoplay=false\n");
    ProcessResult result = runBrowser(dir.path(), {});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.find("is not valid"), std::string::npos) << result.err;
}

TEST(Settings, HomeRelativeDefaultFolder) {
    TempDir dir;
    dir.makeFolder("home/Music");
    ProcessResult result = runProcess({VELLORA_BINARY}, dir.path(),
                                      {"DISPLAY", "HOME=" + dir.at("home")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(emptyLibraryMessage(dir.at("home") + "/Music")), std::string::npos)
        << result.err;
}

TEST(Startup, WithoutADisplayTheMediaLibraryErrorEndsWithStatusOne) {
    TempDir dir;
    dir.makeFolder("music/One");
    ProcessResult result = runBrowser(dir.path(), {dir.at("music")});
    EXPECT_EQ(result.status, 1);
    // The media library may say more of its own; ours is one line, and nothing
    // after it: no player was started and no frame ran.
    const size_t at = result.err.find("SDL Init Error: ");
    ASSERT_NE(at, std::string::npos) << result.err;
    EXPECT_TRUE(at == 0 || result.err[at - 1] == '\n') << result.err;
    EXPECT_EQ(result.err.find('\n', at), result.err.size() - 1) << result.err;
}

// The settings sample in the README, copied as it stands, gives what its
// comments say: the README is the user's first settings file.
TEST(Settings, TheReadmeSampleWorksWhenCopied) {
    std::string readme = readWholeFile(std::string(VELLORA_SOURCE_DIR) + "/README.md");
    const std::string open = "```ini\n";
    size_t begin = readme.find(open);
    ASSERT_NE(begin, std::string::npos) << "no ini sample in the README";
    begin += open.size();
    size_t end = readme.find("```", begin);
    ASSERT_NE(end, std::string::npos);
    TempDir dir;
    dir.makeFolder("home");
    std::string file = dir.writeFile("vellora.ini", readme.substr(begin, end - begin));

    CIniReader settings(file.c_str());
    std::unique_ptr<char[]> player(settings.ReadString("vellora", "musicplayer", "missing"));
    std::unique_ptr<char[]> folder(settings.ReadString("vellora", "defaultdir", "missing"));
    std::unique_ptr<char[]> arguments(settings.ReadString("vellora", "playerarguments", "missing"));
    EXPECT_STREQ(player.get(), "");  // not set: the default players
    EXPECT_STREQ(arguments.get(), "");
    EXPECT_STREQ(folder.get(), "~/Music");
    EXPECT_TRUE(settings.ReadBoolean("vellora", "autoplay", false));
    EXPECT_EQ(settings.ReadInteger("vellora", "depth", 7), 1);
    // And the real program takes the folder from it, relative to $HOME.
    ProcessResult result = runProcess({VELLORA_BINARY}, dir.path(), {"DISPLAY", "HOME=" + dir.at("home")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, emptyLibraryMessage(dir.at("home") + "/Music", "./vellora.ini"));
}

// A settings file that someone else owns or can change is ignored with one
// line, and start-up goes on as if it were not there.
TEST(Settings, AFileSomeoneElseCouldHavePutThereIsIgnored) {
    struct Case {
        const char* name;
        mode_t mode;
        bool byNobody;
        const char* said;  // "" when the file is read
    };
    const Case cases[] = {
        {"own", 0644, false, ""},
        {"anyone can write", 0666, false, "other users can change it (mode 0666)"},
        {"group can write, a group not the owner's", 0664, false, "other users can change it (mode 0664)"},
        {"group can write, the owner's own group", 0664, false, primaryGroupIsPrivate() ? "" : "(mode 0664)"},
        {"nobody's", 0644, true, "it belongs to user 65534"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        chmod(dir.path().c_str(), 01777);  // a shared folder such as /tmp
        dir.makeFolder("home");
        std::string file = dir.writeFile("vellora.ini", "[vellora]\ndefaultdir=" + dir.at("planted") + "\n");
        chmod(file.c_str(), c.mode);
        if (c.byNobody && (geteuid() != 0 || chown(file.c_str(), 65534, 65534) != 0)) continue;
        // A group that is not the owner's primary group: nogroup (as root), else any other of the user's.
        if (std::string(c.name).find("not the owner's") != std::string::npos && chown(file.c_str(), -1, 65534) != 0)
            continue;
        ProcessResult result = runProcess({VELLORA_BINARY}, dir.path(), {"DISPLAY", "HOME=" + dir.at("home")});
        EXPECT_EQ(result.status, 1) << c.name;
        if (*c.said == '\0') {
            EXPECT_EQ(result.err, emptyLibraryMessage(dir.at("planted"), "./vellora.ini")) << c.name;
        } else {
            // One line saying why, then the start-up of a folder without settings.
            const std::string said = "vellora: ignoring the settings file ./vellora.ini: ";
            const size_t lineEnd = result.err.find('\n');
            ASSERT_NE(lineEnd, std::string::npos) << c.name;
            EXPECT_EQ(result.err.compare(0, said.size(), said), 0) << result.err;
            EXPECT_NE(result.err.substr(0, lineEnd).find(c.said), std::string::npos) << result.err;
            EXPECT_EQ(result.err.substr(lineEnd + 1),
                      emptyLibraryMessage(dir.at("home") + "/Music", "~/.config/vellora/vellora.ini"))
                << c.name;
        }
    }
    // An ignored ./vellora.ini counts as absent: the user's own file in ~/.config is read instead.
    TempDir dir;
    dir.makeFolder("home/.config/vellora");
    dir.writeFile("home/.config/vellora/vellora.ini", "[vellora]\ndefaultdir=" + dir.at("mine") + "\n");
    chmod(dir.writeFile("vellora.ini", "[vellora]\ndefaultdir=" + dir.at("planted") + "\n").c_str(), 0666);
    ProcessResult result = runProcess({VELLORA_BINARY}, dir.path(), {"DISPLAY", "XDG_CONFIG_HOME", "HOME=" + dir.at("home")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(emptyLibraryMessage(dir.at("mine"))), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("planted"), std::string::npos) << result.err;
}

TEST(Startup, TheMessageNamesTheDisplayThatCouldNotBeOpened) {
    TempDir dir;
    dir.makeFolder("music/One");
    struct Case {
        std::string displayEnv;
        std::string message;
    };
    for (const Case& c : {Case{"DISPLAY", "SDL Init Error: No display to open the window on (DISPLAY is not set)\n"},
                          Case{"DISPLAY=", "SDL Init Error: No display to open the window on (DISPLAY is not set)\n"},
                          Case{"DISPLAY=:31999", "SDL Init Error: Cannot open the display :31999\n"}}) {
        ProcessResult result =
            runProcess({VELLORA_BINARY, dir.at("music")}, dir.path(), {c.displayEnv, "WAYLAND_DISPLAY"});
        EXPECT_EQ(result.status, 1) << c.displayEnv;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.displayEnv << "\n" << result.err;
    }
}

}  // namespace
