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

// The first line of the message (for a folder without albums, unless the
// reason says otherwise), or the whole of it with what to do, naming the
// settings file.
std::string emptyLibraryMessage(const std::string& folderText, const std::string& settingsFile = "",
                                NoAlbumReason reason = NoAlbumReason::NoAlbums) {
    const std::string message = "error: " + noMusicFolderMessage(folderText, settingsFile, reason) + "\n";
    return settingsFile.empty() ? message.substr(0, message.find('\n') + 1) : message;
}

TEST(StartupRules, OneTrailingSeparatorIsRemoved) {
    EXPECT_EQ(musicFolderFromText("/music/"), "/music");
    EXPECT_EQ(musicFolderFromText("/music//"), "/music/");
    EXPECT_EQ(musicFolderFromText("/music"), "/music");
    EXPECT_EQ(musicFolderFromText(""), "");
    EXPECT_EQ(musicFolderFromText("/"), "/") << "the root, not the working folder";
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

// What the user reads when the folder holds no album: why, what a music
// folder is, and what to do.
TEST(EmptyLibrary, TheMessageSaysWhyAndWhatAMusicFolderIs) {
    const std::string to = "Start vellora with your music folder (vellora FOLDER), or set defaultdir in the "
                           "settings file ~/.config/vellora/vellora.ini.";
    const struct {
        NoAlbumReason reason;
        std::string message;
    } cases[] = {
        {NoAlbumReason::Missing, "The music directory /m/Music does not exist!\n" + to},
        {NoAlbumReason::NotAFolder, "The music directory /m/Music is not a folder!\n" + to},
        {NoAlbumReason::NoAlbums,
         "The music directory /m/Music is not valid!\nIt holds no album folders: each album is a sub-folder of it. " +
             to},
        {NoAlbumReason::SongsOnly,
         "The music directory /m/Music holds songs but no album folders!\nEach album is a sub-folder of the music "
         "folder (Music/Album/song.mp3), or with depth = 2 in the settings file ~/.config/vellora/vellora.ini a "
         "sub-folder of an artist's folder (Music/Artist/Album). Start vellora with the folder that holds your "
         "album folders (vellora FOLDER)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(noMusicFolderMessage("/m/Music", "~/.config/vellora/vellora.ini", c.reason), c.message);
    EXPECT_EQ(noMusicFolderMessage("/m/new\nline \xff", "./vellora.ini", NoAlbumReason::Missing)
                  .substr(0, 53),
              "The music directory /m/new\\nline \\xff does not exist!");
    EXPECT_EQ(noMusicFolderMessage("", "~/.config/vellora/vellora.ini", NoAlbumReason::NoAlbums),
              "No music directory is given: its name is empty!\n" + to);
}

TEST(EmptyLibrary, EveryFolderWithoutAlbumsGivesTheMessageAndStatusOne) {
    TempDir dir;
    dir.writeFile("plain-file", "not a folder");
    dir.makeFolder("empty");
    dir.makeFolder("files-only");
    dir.writeFile("files-only/cover.jpg", "x");
    dir.writeFile("files-only/notes.txt", "x");
    dir.makeFolder("songs-only");
    dir.writeFile("songs-only/01 Track.mp3", "x");
    dir.writeFile("songs-only/cover.jpg", "x");
    dir.makeFolder("dot-folders/.hidden");
    dir.makeFolder("dot-folders/.git");
    dir.writeFile("dot-folders/notes.txt", "x");

    const struct {
        std::string folder;
        NoAlbumReason reason;
    } cases[] = {
        {dir.at("missing"), NoAlbumReason::Missing},       {dir.at("plain-file"), NoAlbumReason::NotAFolder},
        {dir.at("empty"), NoAlbumReason::NoAlbums},        {dir.at("files-only"), NoAlbumReason::NoAlbums},
        {dir.at("songs-only"), NoAlbumReason::SongsOnly},  {dir.at("dot-folders"), NoAlbumReason::NoAlbums},
        {dir.at("empty") + "/", NoAlbumReason::NoAlbums}, {"", NoAlbumReason::Missing},
    };
    for (const auto& c : cases) {
        ProcessResult result = runBrowser(dir.path(), {c.folder});
        EXPECT_EQ(result.status, 1) << c.folder << "\n" << result.err;
        // The folder text as given, trailing separator included, on one line.
        EXPECT_EQ(result.err.rfind(emptyLibraryMessage(c.folder, "", c.reason), 0), 0u) << result.err;
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
    EXPECT_NE(fromSettings.err.find(emptyLibraryMessage(dir.at("nowhere"), "", NoAlbumReason::Missing)),
              std::string::npos)
        << fromSettings.err;

    // With an album folder as the argument, start-up gets past the library and
    // stops at the display, which this test does not have.
    ProcessResult fromArgument = runBrowser(dir.path(), {dir.at("music"), "ignored extra"});
    EXPECT_EQ(fromArgument.status, 1);
    EXPECT_EQ(fromArgument.err.find("The music directory"), std::string::npos) << fromArgument.err;
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
    EXPECT_EQ(result.err, emptyLibraryMessage(dir.at("home") + "/Music", "./vellora.ini", NoAlbumReason::Missing))
        << "the sample has no mistake to say";
}

// Settings mistakes are said on stderr, one line each, before anything else;
// what the values mean stays (the folder is still read from the file).
TEST(Settings, MistakesAreSaidOneLineEach) {
    TempDir dir;
    dir.makeFolder("home");
    dir.writeFile("vellora.ini", "autoplay = false\n[velora]\n[vellora]\nautoplay = yes\nauto_play = true\n"
                                 "depth = two\ntexturememory = 256MB\ndefaultdir = " + dir.at("nowhere") + "\n");
    ProcessResult result = runProcess({VELLORA_BINARY}, dir.path(), {"DISPLAY", "HOME=" + dir.at("home")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "vellora: ./vellora.ini line 1: autoplay = false comes before any section and is not read; write "
              "[vellora] above it\n"
              "vellora: ./vellora.ini line 2: [velora] is not [vellora]: its lines are not read; write [vellora]\n"
              "vellora: ./vellora.ini line 4: autoplay = yes is taken as false; write true or false\n"
              "vellora: ./vellora.ini line 5: auto_play is not a setting and is ignored; write autoplay\n"
              "vellora: ./vellora.ini line 6: depth = two is taken as 1; write 1, 2 or 3\n"
              "vellora: ./vellora.ini line 7: texturememory = 256MB is taken as 256; write a whole number of at "
              "least 1\n" +
                  emptyLibraryMessage(dir.at("nowhere"), "./vellora.ini", NoAlbumReason::Missing));
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
            EXPECT_EQ(result.err, emptyLibraryMessage(dir.at("planted"), "./vellora.ini", NoAlbumReason::Missing))
                << c.name;
        } else {
            // One line saying why, then the start-up of a folder without settings.
            const std::string said = "vellora: ignoring the settings file ./vellora.ini: ";
            const size_t lineEnd = result.err.find('\n');
            ASSERT_NE(lineEnd, std::string::npos) << c.name;
            EXPECT_EQ(result.err.compare(0, said.size(), said), 0) << result.err;
            EXPECT_NE(result.err.substr(0, lineEnd).find(c.said), std::string::npos) << result.err;
            EXPECT_EQ(result.err.substr(lineEnd + 1),
                      emptyLibraryMessage(dir.at("home") + "/Music", "~/.config/vellora/vellora.ini",
                                          NoAlbumReason::Missing))
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
    EXPECT_NE(result.err.find(emptyLibraryMessage(dir.at("mine"), "", NoAlbumReason::Missing)), std::string::npos)
        << result.err;
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
