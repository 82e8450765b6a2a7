// The Windows platform layer against the real calls (under Wine in CI): the
// profile reader's Windows rules, listings and player starts with names that
// the ANSI code page cannot hold, and the thumbnail cache's files.
#include <windows.h>
// windows.h names its own (win.ini) profile calls so; the ones tested are platform::'s.
#undef GetProfileString
#undef GetProfileInt

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/folder_listing.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

// "Ωmega 日本 Björk": Greek and Japanese leave every ANSI code page of Europe.
const std::string kWideName = "\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC Bj\xC3\xB6rk";

std::string read(const std::string& file, const char* section, const char* key, int size = 255) {
    std::vector<char> value(size_t(size), 'x');
    platform::GetProfileString(section, key, "default", value.data(), size, file.c_str());
    return value.data();
}

}  // namespace

TEST(WindowsProfile, FollowsTheWindowsRules) {
    TempDir dir;
    const std::string file = dir.writeFile("vellora.ini",
                                           "[other]\nmusicplayer=wrong\n"
                                           "[VELLORA]\n  MusicPlayer  =  \"C:\\Program Files\\p.exe\"  \n"
                                           "defaultdir=\nautoplay=False\nvolume=12abc\n");
    struct Case {
        const char* key;
        std::string expected;
    } cases[] = {
        {"musicplayer", "C:\\Program Files\\p.exe"},  // names in any case, blanks and quotes gone
        {"defaultdir", ""},                           // present but empty is not the default
        {"autoplay", "False"},
        {"missing", "default"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(file, "vellora", c.key), c.expected) << c.key;
    EXPECT_EQ(read(file, "nosection", "musicplayer"), "default");
    EXPECT_EQ(read(dir.at("absent.ini"), "vellora", "musicplayer"), "default");
    EXPECT_EQ(read(file, "vellora", "musicplayer", 6), "C:\\Pr");  // cut to size - 1
    EXPECT_EQ(platform::GetProfileInt("vellora", "volume", 7, file.c_str()), 12);  // leading digits
    EXPECT_EQ(platform::GetProfileInt("vellora", "missing", 7, file.c_str()), 7);
}

TEST(WindowsProfile, ADefaultOutsideTheCodePageComesBackWhole) {
    TempDir dir;
    const std::string file = dir.writeFile("vellora.ini", "[vellora]\n");
    char value[255];
    platform::GetProfileString("vellora", "defaultdir", kWideName.c_str(), value, sizeof value, file.c_str());
    EXPECT_EQ(std::string(value), kWideName);
}

TEST(WindowsListing, NamesOutsideTheCodePageSurviveAndOpen) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    dir.makeFolder("music/" + kWideName);
    dir.writeFile("music/" + kWideName + "/cover.jpg", "x");
    dir.writeFile("music/plain.txt", "x");

    std::vector<platform::FindEntry> entries = listAll(music);
    ASSERT_EQ(entries.size(), 2u);
    bool sawAlbum = false;
    for (const platform::FindEntry& entry : entries) {
        if (entry.name == kWideName) {
            sawAlbum = true;
            EXPECT_EQ(entry.attrib, platform::kAttrSubdir);
        } else {
            EXPECT_EQ(entry.name, "plain.txt");
            EXPECT_EQ(entry.attrib, 0u);
        }
    }
    EXPECT_TRUE(sawAlbum);
    // The album folder itself opens by the name the listing gave.
    std::vector<platform::FindEntry> inside = listAll(music + platform::kSeparator + kWideName);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0].name, "cover.jpg");

    EXPECT_TRUE(listAll(dir.makeFolder("empty")).empty());
    EXPECT_TRUE(listAll(dir.at("missing")).empty());
}

TEST(WindowsPlayer, StartsWithTheQuotedCommandLineWhateverTheName) {
    TempDir dir;
    const std::string log = dir.at("player.log");
    const std::string player = writeRecordingPlayer(dir.path(), log);
    const std::vector<std::string> folders = {dir.makeFolder("Plain Album"), dir.makeFolder(kWideName)};
    for (const std::string& folder : folders) {
        const platform::ProgramCall call = platform::playerCall(player, "", folder, "");
        EXPECT_EQ(call.commandLine, "\"" + player + "\" \"" + folder + "\"");
        EXPECT_TRUE(platform::startProgram(call, nullptr)) << call.commandLine;
    }
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() >= 2; }, 20000));
    std::vector<std::string> received;
    for (const PlayerCall& call : readPlayerCalls(log)) {
        EXPECT_EQ(call.argumentCount, 1);
        received.push_back(call.argument);
    }
    // Two processes may append in either order.
    if (received.size() == 2 && received[0] != folders[0]) std::swap(received[0], received[1]);
    EXPECT_EQ(received, folders);
}

// playerarguments go in as they stand, between the quoted player and the
// quoted folder; the player splits them as Windows programs do.
TEST(WindowsPlayer, ArgumentsGoInUnchangedBetweenPlayerAndFolder) {
    TempDir dir;
    const std::string log = dir.at("player.log");
    const std::string player = writeRecordingPlayer(dir.path(), log);
    const std::string folder = dir.makeFolder("Album");
    const platform::ProgramCall call = platform::playerCall(player, "/e  \"two words\"", folder, "");
    EXPECT_EQ(call.commandLine, "\"" + player + "\" /e  \"two words\" \"" + folder + "\"");
    ASSERT_TRUE(platform::startProgram(call, nullptr));
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == 1; }, 20000));
    EXPECT_EQ(readPlayerCalls(log)[0].arguments, (std::vector<std::string>{"/e", "two words", folder}));
    // The album folder made absolute by the system's own rules.
    const std::string here = platform::workingFolder();
    EXPECT_EQ(platform::absolutePath("Music\\.\\x\\..\\Album", here), here + "\\Music\\Album");
}

namespace {

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::string& value) : name_(name), old_(_wgetenv(name) ? _wgetenv(name) : L"") {
        _wputenv_s(name, platform::nativePath(value).c_str());
    }
    ~ScopedVariable() { _wputenv_s(name_, old_.c_str()); }

private:
    const wchar_t* name_;
    std::wstring old_;
};

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MusicBee.exe";

}  // namespace

// With no musicplayer: the design's foobar2000 path where it is, else the
// first common player installed, registered under App Paths or in its folder
// under one of the places programs go, whatever PATH holds.
TEST(WindowsPlayer, TheDefaultIsTheFirstCommonPlayerInstalled) {
    TempDir dir;
    const ScopedVariable programs(L"ProgramW6432", dir.makeFolder("x64"));
    const ScopedVariable programs64(L"ProgramFiles", dir.at("x64"));
    const ScopedVariable programs32(L"ProgramFiles(x86)", dir.makeFolder("x86"));
    const ScopedVariable local(L"LOCALAPPDATA", dir.makeFolder("local"));
    const std::string folder = "C:\\Music\\Album";
    const platform::ProgramCall none = platform::playerCall("", "", folder, dir.path());
    EXPECT_EQ(none.notFound, "no music player found (tried foobar2000, vlc, AIMP, MusicBee, winamp)");
    std::string why;
    EXPECT_FALSE(platform::startProgram(none, &why));
    EXPECT_EQ(why, none.notFound);

    // The user's App Paths, quoted, naming a file that comes only later: until
    // then it counts for nothing.
    const std::wstring registered = L"\"" + platform::nativePath(dir.at("elsewhere\\MusicBee.exe")) + L"\"";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kAppPaths, nullptr, REG_SZ, registered.c_str(),
                              DWORD((registered.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    // Each installed in turn, each ahead of those before it in the list.
    for (const char* installed : {"x86/Winamp/winamp.exe", "local/Programs/foobar2000/foobar2000.exe",
                                  "elsewhere/MusicBee.exe", "x64/VideoLAN/VLC/vlc.exe"}) {
        dir.makeFolder(std::string(installed).substr(0, std::string(installed).rfind('/')));
        const std::string program = dir.writeFile(installed, "x");
        EXPECT_EQ(platform::playerCall("", "", folder, dir.path()).commandLine,
                  "\"" + program + "\" \"" + folder + "\"");
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, kAppPaths);

    // The design's path comes first, where a prefix lets the test put it there.
    const std::string design = "C:\\Program Files\\foobar2000\\foobar2000.exe";
    if (!platform::isFile(design) && CreateDirectoryW(L"C:\\Program Files\\foobar2000", nullptr)) {
        std::fclose(_wfopen(platform::nativePath(design).c_str(), L"wb"));
        EXPECT_EQ(platform::playerCall("", "", folder, dir.path()).player, design);
        DeleteFileW(platform::nativePath(design).c_str());
        RemoveDirectoryW(L"C:\\Program Files\\foobar2000");
    }
}

// No defaultdir: C:\Music where it is, else the profile's own Music folder.
TEST(WindowsDefaults, MusicFolderIsCMusicWhenThereElseTheUsersOwn) {
    if (platform::isDirectory("C:\\Music")) GTEST_SKIP() << "this system has a C:\\Music";
    EXPECT_EQ(platform::defaultMusicFolder(""), platform::environmentValue("USERPROFILE") + "\\Music");
    if (!CreateDirectoryW(L"C:\\Music", nullptr)) GTEST_SKIP() << "C:\\Music cannot be made here";
    EXPECT_EQ(platform::defaultMusicFolder(""), "C:\\Music");
    RemoveDirectoryW(L"C:\\Music");
    EXPECT_EQ(platform::appDataFolder(), platform::environmentValue("APPDATA"));
}

TEST(WindowsPlayer, AFailedStartGivesTheSystemsReasonAndWritesNothing) {
    TempDir dir;
    const std::string missing = dir.at("no-such-player.exe");
    testing::internal::CaptureStderr();
    std::string why;
    EXPECT_FALSE(platform::startProgram(platform::playerCall(missing, "", "C:\\Music\\Album", ""), &why));
    EXPECT_NE(why, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(WindowsCaptionFont, IsFixedPitchWithTheCellTheCaptionIsCentredBy) {
    std::vector<platform::GlyphBitmap> glyphs;
    std::string error;
    ASSERT_TRUE(platform::rasteriseCaptionFont(15, 32, 223, &glyphs, &error)) << error;
    ASSERT_EQ(glyphs.size(), 223u);
    for (size_t i = 0; i < glyphs.size(); ++i) EXPECT_EQ(glyphs[i].advance, 9.0f) << "code " << i + 32;
    EXPECT_TRUE(glyphs[0].bits.empty()) << "the space has no ink, only its advance";
    EXPECT_FALSE(glyphs['M' - 32].bits.empty());
    EXPECT_GE(glyphs['M' - 32].rows, 9);
}

// Captions in every script: the caption face, its links and the system's
// fallback faces (under Wine, the host's fonts that scripts/install-deps brings).
TEST(WindowsTextGlyphs, EveryScriptComesFromAnInstalledFaceAndNoFaceGivesNone) {
    std::string error;
    platform::GlyphFaces* faces = platform::openGlyphFaces(&error);
    ASSERT_NE(faces, nullptr) << error;
    platform::TextGlyph glyph;
    ASSERT_TRUE(platform::renderTextGlyph(faces, U'M', 15, &glyph));
    EXPECT_EQ(glyph.advance, 9) << "the caption face at the bitmap font's size";
    for (uint8_t value : glyph.coverage) EXPECT_TRUE(value == 0 || value == 255) << "one bit a pixel at 15";
    const char32_t characters[] = {0x0413, 0x039C, 0x5742, 0xC544, 0x304C, 0x00F6, 0x1F3B5};
    for (char32_t c : characters) {
        EXPECT_TRUE(platform::renderTextGlyph(faces, c, 27, &glyph)) << std::hex << uint32_t(c);
        EXPECT_GT(glyph.advance, 5) << std::hex << uint32_t(c);
        EXPECT_GT(glyph.rows, 5) << std::hex << uint32_t(c);
        EXPECT_EQ(glyph.coverage.size(), size_t(glyph.width * glyph.rows));
    }
    EXPECT_FALSE(platform::renderTextGlyph(faces, 0x10FFFD, 27, &glyph));
    EXPECT_TRUE(glyph.coverage.empty());
    platform::closeGlyphFaces(faces);
}

TEST(WindowsFiles, ReadByTheirWideNameAndOnlyWhenTheyAreFiles) {
    TempDir dir;
    const std::string picture = dir.writeFile(kWideName + ".jpg", "abc");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(platform::readRegularFile(picture, 1024, &bytes, &error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");
    std::FILE* file = platform::openFile(picture, "rb");
    EXPECT_NE(file, nullptr);
    if (file) std::fclose(file);

    struct Refused {
        std::string path;
        size_t limit;
        const char* reason;
    } cases[] = {
        {dir.makeFolder("folder.jpg"), 1024, "it is a folder, not a file"},
        {picture, 2, "the file is larger than"},
        {dir.at("missing.jpg"), 1024, "cannot open the file: "},
    };
    for (const Refused& c : cases) {
        error.clear();
        EXPECT_FALSE(platform::readRegularFile(c.path, c.limit, &bytes, &error)) << c.path;
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.path << ": " << error;
        EXPECT_TRUE(bytes.empty());
    }
}

// The thumbnail cache's files: under %LOCALAPPDATA%, folders made with their
// parents, a file replaced whole (also one that is there already), its time
// read back; names outside the code page included.
TEST(WindowsThumbnailFiles, FoldersFilesAndTimes) {
    EXPECT_EQ(platform::thumbnailCacheFolder(), platform::environmentValue("LOCALAPPDATA") + "\\vellora\\thumbnails");
    TempDir dir;
    const std::string folder = dir.at(kWideName + "/thumbnails/x-large");
    std::string error;
    ASSERT_TRUE(platform::makePrivateFolder(folder, &error)) << error;
    EXPECT_TRUE(platform::makePrivateFolder(folder, &error)) << "a folder that is there is fine: " << error;
    const std::string file = folder + "\\" + kWideName + ".png";
    for (const std::string content : {"first", "second, longer"}) {
        ASSERT_TRUE(platform::replaceFilePrivately(file, std::vector<uint8_t>(content.begin(), content.end()), &error))
            << error;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(platform::readRegularFile(file, 1024, &bytes, &error)) << error;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
    }
    EXPECT_EQ(listAll(folder).size(), 1u) << "no temporary file is left";
    int64_t seconds = 0;
    ASSERT_TRUE(platform::fileModifiedSeconds(file, &seconds));
    EXPECT_GT(seconds, int64_t(1600000000));  // after 2020: seconds since 1970, not since 1601
    EXPECT_FALSE(platform::fileModifiedSeconds(folder, &seconds)) << "a folder has no file time";
    EXPECT_FALSE(platform::makePrivateFolder(file, &error)) << "a file is not a folder";
}
