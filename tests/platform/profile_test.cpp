// The settings-file reader behind CIniReader, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

// The value of [section] key in `file` with default "DEF", read into 255 bytes.
std::string read(const std::string& file, const char* section, const char* key) {
    char out[255];
    std::memset(out, 'x', sizeof out);
    int count = platform::GetProfileString(section, key, "DEF", out, sizeof out, file.c_str());
    EXPECT_EQ(count, static_cast<int>(std::strlen(out)));
    return out;
}

class ProfileFile : public ::testing::Test {
protected:
    std::string write(const std::string& content) { return dir.writeFile("settings.ini", content); }
    TempDir dir;
};

}  // namespace

TEST_F(ProfileFile, ReadsKeyOfSection) {
    std::string file = write("[vellora]\nmusicplayer=/usr/bin/vlc\ndefaultdir=/music\n");
    EXPECT_EQ(read(file, "vellora", "musicplayer"), "/usr/bin/vlc");
    EXPECT_EQ(read(file, "vellora", "defaultdir"), "/music");
}

TEST_F(ProfileFile, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(read(dir.at("absent.ini"), "vellora", "k"), "DEF");
    EXPECT_EQ(read(write(""), "vellora", "k"), "DEF");
    EXPECT_EQ(read(write("[other]\nk=1\n"), "vellora", "k"), "DEF");
    EXPECT_EQ(read(write("[vellora]\nj=1\n"), "vellora", "k"), "DEF");
    // Keys above the first section belong to no section.
    EXPECT_EQ(read(write("k=1\n[vellora]\n"), "vellora", "k"), "DEF");
    // A line without '=' is not a key.
    EXPECT_EQ(read(write("[vellora]\nk\n"), "vellora", "k"), "DEF");
}

TEST_F(ProfileFile, FilesThatAreNotRegularGiveTheDefaultWithoutBlocking) {
    EXPECT_EQ(read(dir.makeFolder("folder.ini"), "vellora", "k"), "DEF");
    std::string fifo = dir.at("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(read(fifo, "vellora", "k"), "DEF");  // a FIFO with no writer must not block
    EXPECT_EQ(read("/dev/zero", "vellora", "k"), "DEF");
    EXPECT_EQ(read("", "vellora", "k"), "DEF");
}

TEST_F(ProfileFile, NamesMatchWhateverTheirCaseAndBlanksAreTrimmed) {
    std::string file = write("  [ VelLora ]  \n\t MusicPlayer \t=  my player  \n");
    EXPECT_EQ(read(file, "vellora", "musicplayer"), "my player");
    EXPECT_EQ(read(file, "VELLORA", "MUSICPLAYER"), "my player");
}

TEST_F(ProfileFile, FirstSectionAndFirstKeyWin) {
    std::string file = write("[vellora]\nk=first\nk=second\n[other]\nz=1\n[VELLORA]\nk=third\nonly=late\n");
    EXPECT_EQ(read(file, "vellora", "k"), "first");
    // The later section of the same name is never searched.
    EXPECT_EQ(read(file, "vellora", "only"), "DEF");
}

TEST_F(ProfileFile, CommentLinesAreSkippedButInlineSemicolonsAreText) {
    std::string file = write("; a comment\n[vellora]\n;k=commented\n  ; k=also\nk=a ; b\n");
    EXPECT_EQ(read(file, "vellora", "k"), "a ; b");
    EXPECT_EQ(read(write("[vellora]\n;k=commented\n"), "vellora", "k"), "DEF");
    // A comment line is no key, even when asked for by its own text.
    EXPECT_EQ(read(write("[vellora]\n;k=commented\n"), "vellora", ";k"), "DEF");
}

TEST_F(ProfileFile, OnePairOfMatchingQuotesIsRemoved) {
    std::string file = write(
        "[q]\n"
        "double=\"with spaces \"\n"
        "single='x'\n"
        "mixed=\"x'\n"
        "lone=\"\n"
        "empty=\"\"\n"
        "nested=\"'y'\"\n"
        "inner=a\"b\"c\n");
    EXPECT_EQ(read(file, "q", "double"), "with spaces ");
    EXPECT_EQ(read(file, "q", "single"), "x");
    EXPECT_EQ(read(file, "q", "mixed"), "\"x'");
    EXPECT_EQ(read(file, "q", "lone"), "\"");
    EXPECT_EQ(read(file, "q", "empty"), "");
    EXPECT_EQ(read(file, "q", "nested"), "'y'");
    EXPECT_EQ(read(file, "q", "inner"), "a\"b\"c");
}

TEST_F(ProfileFile, AcceptsCrlfAndByteOrderMark) {
    std::string file = write("\xEF\xBB\xBF[vellora]\r\nmusicplayer=vlc\r\nautoplay = true \r\n");
    EXPECT_EQ(read(file, "vellora", "musicplayer"), "vlc");
    EXPECT_EQ(read(file, "vellora", "autoplay"), "true");
}

TEST_F(ProfileFile, EmptyValueIsEmptyNotTheDefault) {
    std::string file = write("[vellora]\nk=\nblank =   \n");
    EXPECT_EQ(read(file, "vellora", "k"), "");
    EXPECT_EQ(read(file, "vellora", "blank"), "");
}

TEST_F(ProfileFile, ValueIsCutToTheBufferAndAlwaysTerminated) {
    std::string file = write("[s]\nk=abcdef\n");
    char out[4];
    EXPECT_EQ(platform::GetProfileString("s", "k", "DEF", out, sizeof out, file.c_str()), 3);
    EXPECT_STREQ(out, "abc");
    char one[1] = {'x'};
    EXPECT_EQ(platform::GetProfileString("s", "k", "DEF", one, 1, file.c_str()), 0);
    EXPECT_EQ(one[0], '\0');
    // The default is cut the same way.
    EXPECT_EQ(platform::GetProfileString("s", "none", "default", out, sizeof out, file.c_str()), 3);
    EXPECT_STREQ(out, "def");
    // A character is never cut in two: "aé" needs 3 bytes, so only "a" fits.
    const std::string accented = write("[s]\nk=a\xC3\xA9\xC3\xA9\n");
    EXPECT_EQ(platform::GetProfileString("s", "k", "DEF", out, sizeof out, accented.c_str()), 3);
    EXPECT_STREQ(out, "a\xC3\xA9");
    char three[3];
    EXPECT_EQ(platform::GetProfileString("s", "k", "DEF", three, sizeof three, accented.c_str()), 1);
    EXPECT_STREQ(three, "a");
}

TEST_F(ProfileFile, LongLinesAreReadAndCutTo254Bytes) {
    std::string longValue(10000, 'v');
    std::string file = write("[s]\nnoise=" + std::string(10000, 'n') + "\nk=" + longValue + "\nafter=1\n");
    EXPECT_EQ(read(file, "s", "k"), std::string(254, 'v'));
    EXPECT_EQ(read(file, "s", "after"), "1");
}

TEST_F(ProfileFile, BinaryGarbageGivesDefaultsOrTheValuesAroundIt) {
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    EXPECT_EQ(read(write(garbage), "vellora", "k"), "DEF");
    EXPECT_EQ(platform::GetProfileInt("vellora", "k", 17, dir.at("settings.ini").c_str()), 17);

    std::string mixed = std::string("\0\0\xff\n", 4) + "[vellora]\n" + std::string("\0junk\n", 6) +
                        std::string("k=v\0rest\n", 9) + garbage + "\nlast=ok\n";
    std::string file = write(mixed);
    EXPECT_EQ(read(file, "vellora", "k"), "v");  // a NUL ends the value
    EXPECT_EQ(read(file, "vellora", "last"), "ok");
}

TEST_F(ProfileFile, IntegersReadLikeTheWindowsCall) {
    struct Case {
        const char* line;  // "" for a key that is not there
        int expected;      // the default is 99
    };
    const Case cases[] = {
        {"k=42", 42},           {"k=-7", -7},          {"k=+3", 3},
        {"k=12abc", 12},        {"k=abc", 0},          {"k=  5  ", 5},
        {"k=\"9\"", 9},         {"k=010", 10},         {"k=4294967297", 1},  // wraps at 32 bits
        {"k=0x10", 16},         {"k=0X1f", 31},        {"k=0xfffffff0", -16},
        {"k=-0x10", -16},       {"k=0x", 0},           {"k=0x1g", 1},
        {"k=0x100000001", 1},   {"k=", 99},            {"k=\"\"", 99},
        {"k=   ", 99},          {"", 99},
    };
    for (const Case& c : cases) {
        std::string file = write(std::string("[n]\n") + c.line + "\n");
        EXPECT_EQ(platform::GetProfileInt("n", "k", 99, file.c_str()), c.expected) << c.line;
    }
    EXPECT_EQ(platform::GetProfileInt("n", "k", 99, dir.at("absent.ini").c_str()), 99);
}

TEST_F(ProfileFile, LineEndsAndSectionNamesAsWindowsReadsThem) {
    struct Case {
        std::string content;
        const char* section;
        const char* expected;
    };
    const Case cases[] = {
        {"[s]\rk=mac\rafter=1\r", "s", "mac"},         // lone CR, as old Mac editors write
        {"[s]\r\nk=dos\r\n", "s", "dos"},
        {"[other]\rk=no\r[s]\rk=yes", "s", "yes"},
        {"[s]\nk=v\n", "  s\t", "v"},                  // the asked name is trimmed too
        {"[ s ]\nk=v\n", " S ", "v"},
        {"[s]\nk=v\n", "s x", "DEF"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(write(c.content), c.section, "k"), c.expected) << c.content;
}

TEST_F(ProfileFile, ReadsSeeTheFileAsItIsNow) {
    std::string file = write("[s]\nk=old\n");
    EXPECT_EQ(read(file, "s", "k"), "old");
    write("[s]\nk=new\n");
    EXPECT_EQ(read(file, "s", "k"), "new");
}
