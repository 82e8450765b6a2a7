// CIniReader's typed reads over real settings files.
#include "app/ini_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace {

class IniReaderFile : public ::testing::Test {
protected:
    CIniReader readerFor(const std::string& content) {
        return CIniReader(dir.writeFile("vellora.ini", content).c_str());
    }
    std::string readString(CIniReader& reader, const char* key, const char* def) {
        std::unique_ptr<char[]> value(reader.ReadString("vellora", key, def));
        return value.get();
    }
    TempDir dir;
};

}  // namespace

TEST_F(IniReaderFile, ReadBooleanIsTrueOnlyForTrueAndTrueLowerCase) {
    CIniReader reader = readerFor(
        "[vellora]\na=True\nb=true\nc=TRUE\nd=1\ne=yes\nf=\ng=on\nh= true \ni=\"true\"\nj=truely\n");
    EXPECT_TRUE(reader.ReadBoolean("vellora", "a", false));
    EXPECT_TRUE(reader.ReadBoolean("vellora", "b", false));
    EXPECT_TRUE(reader.ReadBoolean("vellora", "h", false));  // blanks are trimmed
    EXPECT_TRUE(reader.ReadBoolean("vellora", "i", false));  // quotes are removed
    for (const char* key : {"c", "d", "e", "f", "g", "j"}) EXPECT_FALSE(reader.ReadBoolean("vellora", key, true)) << key;
}

TEST_F(IniReaderFile, ReadBooleanGivesTheDefaultWhenMissing) {
    CIniReader reader = readerFor("[vellora]\nother=1\n");
    EXPECT_TRUE(reader.ReadBoolean("vellora", "autoplay", true));
    EXPECT_FALSE(reader.ReadBoolean("vellora", "autoplay", false));
    EXPECT_TRUE(reader.ReadBoolean("nosection", "autoplay", true));
}

TEST_F(IniReaderFile, ReadFloatTakesTheLeadingNumber) {
    CIniReader reader = readerFor("[vellora]\nnumber=3.25abc\nletters=abc\nnegative=-0.5\nempty=\n");
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "missing", 2.5f), 2.5f);
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "missing", -3.4028235e38f), -3.4028235e38f);
    // The default comes back exactly, however small.
    for (float small : {1e-7f, -2.5e-30f, 1.17549435e-38f})
        EXPECT_EQ(reader.ReadFloat("vellora", "missing", small), small);
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "number", 9.0f), 3.25f);
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "letters", 9.0f), 0.0f);
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "negative", 9.0f), -0.5f);
    EXPECT_FLOAT_EQ(reader.ReadFloat("vellora", "empty", 9.0f), 0.0f);
}

TEST_F(IniReaderFile, ReadIntegerReadsTheValueOrTheDefault) {
    CIniReader reader = readerFor("[vellora]\nn=-12\ntext=x\nempty=\nhex=0x10\n");
    EXPECT_EQ(reader.ReadInteger("vellora", "n", 5), -12);
    EXPECT_EQ(reader.ReadInteger("vellora", "text", 5), 0);
    EXPECT_EQ(reader.ReadInteger("vellora", "missing", 5), 5);
    EXPECT_EQ(reader.ReadInteger("vellora", "empty", 5), 5);
    EXPECT_EQ(reader.ReadInteger("vellora", "hex", 5), 16);
}

TEST_F(IniReaderFile, ReadStringReturnsAFreshArrayOfTheValueOrTheDefault) {
    CIniReader reader = readerFor("[vellora]\nmusicplayer=/usr/bin/vlc\nempty=\nlong=" + std::string(400, 'l') + "\n");
    EXPECT_EQ(readString(reader, "missing", "fallback"), "fallback");
    EXPECT_EQ(readString(reader, "empty", "fallback"), "");
    EXPECT_EQ(readString(reader, "long", ""), std::string(254, 'l'));

    std::unique_ptr<char[]> first(reader.ReadString("vellora", "musicplayer", "vlc"));
    std::unique_ptr<char[]> second(reader.ReadString("vellora", "musicplayer", "vlc"));
    EXPECT_NE(first.get(), second.get());
    EXPECT_STREQ(first.get(), "/usr/bin/vlc");
    EXPECT_STREQ(second.get(), "/usr/bin/vlc");
    // The rest of the 255 chars is zeroed, not left over from anything.
    for (int i = 12; i < 255; ++i) ASSERT_EQ(first[i], '\0') << i;
}

// The paths and the player's words are read whole beside it: a path cut
// short names another folder.
TEST_F(IniReaderFile, ReadTextGivesTheValueWholeOrTheDefault) {
    const std::string path = "/music/" + std::string(4000, 'p');
    CIniReader reader = readerFor("[vellora]\ndefaultdir = \"" + path + "\"\nempty=\n");
    EXPECT_EQ(reader.ReadText("vellora", "defaultdir", "fallback"), path);
    EXPECT_EQ(readString(reader, "defaultdir", "fallback"), path.substr(0, 254)) << "ReadString keeps its cut";
    EXPECT_EQ(reader.ReadText("vellora", "empty", "fallback"), "");
    EXPECT_EQ(reader.ReadText("vellora", "missing", "fallback"), "fallback");
}

TEST_F(IniReaderFile, DamagedFilesGiveDefaults) {
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 31 % 251);
    for (const std::string& content : {std::string(), garbage, std::string("[vellora"), std::string("=\n[]\n=x")}) {
        CIniReader reader = readerFor(content);
        EXPECT_EQ(readString(reader, "musicplayer", "vlc"), "vlc");
        EXPECT_TRUE(reader.ReadBoolean("vellora", "autoplay", true));
        EXPECT_EQ(reader.ReadInteger("vellora", "n", 7), 7);
    }
    CIniReader missing(dir.at("absent.ini").c_str());
    EXPECT_EQ(readString(missing, "musicplayer", "vlc"), "vlc");
}

TEST_F(IniReaderFile, PathsUpTo254BytesWorkAndLongerOnesAreRefused) {
    // Pad the file name so the whole path is exactly 254 (then 255) bytes.
    std::string base = dir.path() + "/";
    std::string path254 = base + std::string(254 - base.size(), 'p');
    std::string path255 = base + std::string(255 - base.size(), 'q');
    ASSERT_EQ(path254.size(), 254u);
    dir.writeFile(path254.substr(base.size()), "[vellora]\nk=found\n");
    dir.writeFile(path255.substr(base.size()), "[vellora]\nk=found\n");
    // Were the long path cut instead of refused, it would name this file.
    dir.writeFile(path255.substr(base.size(), 254 - base.size()), "[vellora]\nk=cut\n");
    CIniReader fits(path254.c_str());
    EXPECT_EQ(readString(fits, "k", "default"), "found");
    CIniReader tooLong(path255.c_str());
    EXPECT_EQ(readString(tooLong, "k", "default"), "default");
    EXPECT_EQ(tooLong.ReadInteger("vellora", "k", 3), 3);
}
