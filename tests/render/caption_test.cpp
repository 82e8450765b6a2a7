// What the caption says (UTF-8 names as the font's Windows-1252 glyphs) and
// where it starts.
#include <gtest/gtest.h>

#include <string>

#include "render/caption.h"

namespace {

TEST(CaptionText, KeepsPlainAsciiAndPercentSigns) {
    EXPECT_EQ(captionText("Abbey Road"), "Abbey Road");
    EXPECT_EQ(captionText("100%s %d %n"), "100%s %d %n");
    EXPECT_EQ(captionText(""), "");
    EXPECT_EQ(captionText(nullptr), "");
}

TEST(CaptionText, ConvertsUtf8ToWindows1252Glyphs) {
    EXPECT_EQ(captionText("Caf\xC3\xA9"), "Caf\xE9");                      // é
    EXPECT_EQ(captionText("\xC3\x91" "and\xC3\xBA"), "\xD1" "and\xFA");    // Ñandú
    EXPECT_EQ(captionText("\xE2\x82\xAC" "5"), "\x80" "5");                // €
    EXPECT_EQ(captionText("a\xE2\x80\x94" "b"), "a\x97" "b");              // em dash
    EXPECT_EQ(captionText("\xC5\xB8"), "\x9F");                            // Ÿ
    EXPECT_EQ(captionText("\xC2\xA0\xC3\xBE"), "\xA0\xFE");                // no-break space, þ
}

TEST(CaptionText, DrawsCharactersWithoutAGlyphAsQuestionMarks) {
    EXPECT_EQ(captionText("\xE6\x97\xA5\xE6\x9C\xAC"), "??");   // 日本
    EXPECT_EQ(captionText("x\xF0\x9F\x8E\xB5y"), "x?y");         // a four-byte emoji
    EXPECT_EQ(captionText("one\ntwo\tthree\r"), "one?two?three?");
    EXPECT_EQ(captionText("del\x7F"), "del?");
    EXPECT_EQ(captionText("\xC2\x85"), "?");                     // C1 control NEL
    EXPECT_EQ(captionText("\xC3\xBF"), "?");                     // ÿ: code 255 has no glyph
}

TEST(CaptionText, TakesBytesThatAreNotUtf8AsTheyStand) {
    EXPECT_EQ(captionText("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(captionText("\xC3("), "\xC3(");                 // lead byte without continuation
    EXPECT_EQ(captionText("end\xE2\x82"), "end\xE2\x82");     // sequence cut short
    EXPECT_EQ(captionText("\xC0\xAF"), "\xC0\xAF");           // overlong '/'
    EXPECT_EQ(captionText("\xED\xA0\x80"), "\xED\xA0\x80");   // a UTF-16 surrogate
    EXPECT_EQ(captionText("\x81\x8D"), "\x81\x8D");           // undefined codes: empty glyphs
    EXPECT_EQ(captionText("\xFF\xFE"), "?\xFE");              // byte 255 has no glyph
}

TEST(CaptionText, IsCutTo255Glyphs) {
    EXPECT_EQ(captionText(std::string(300, 'a').c_str()), std::string(255, 'a'));
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "\xC3\xA9";
    EXPECT_EQ(captionText(accents.c_str()), std::string(200, '\xE9'));  // 400 bytes, 200 glyphs
    accents += accents;
    EXPECT_EQ(captionText(accents.c_str()), std::string(255, '\xE9'));
}

TEST(CaptionX, CentresTheDrawnWidthNeverLeftOfOne) {
    EXPECT_DOUBLE_EQ(captionX(0, 600), 300);
    EXPECT_DOUBLE_EQ(captionX(4 * 9, 600), 282);
    EXPECT_DOUBLE_EQ(captionX(11 * 9, 600), 250.5);
    EXPECT_DOUBLE_EQ(captionX(66 * 9, 600), 3);
    EXPECT_DOUBLE_EQ(captionX(67 * 9, 600), 1);  // 300 - 301.5 would be left of the margin
    EXPECT_DOUBLE_EQ(captionX(255 * 9, 600), 1);
    EXPECT_DOUBLE_EQ(captionX(10 * 9, 200), 55);
    EXPECT_DOUBLE_EQ(captionX(400, 1920), 760);
}

TEST(CaptionText, ComposesDecomposedNamesBeforeConverting) {
    EXPECT_EQ(captionText("Bjo\xCC\x88rk"), "Bj\xF6rk");       // o + combining diaeresis
    EXPECT_EQ(captionText("\xE2\x84\xAB"), "\xC5");             // the angstrom sign is an A with ring
    EXPECT_EQ(captionText("x\xCC\x81"), "x?");                   // no composed form: the mark stays
}

TEST(CaptionCharacters, AreTheNameInNfcCutTo255) {
    EXPECT_EQ(captionCharacters("Bjo\xCC\x88rk"), U"Bj\u00F6rk");
    EXPECT_EQ(captionCharacters(std::string(300, 'a').c_str()), std::u32string(255, U'a'));
    EXPECT_EQ(captionCharacters(nullptr), U"");
}

TEST(CaptionBaseline, Is35PixelsUpAt600LinesAndTheSameShareAbove) {
    EXPECT_EQ(captionBaseline(600), 565);
    EXPECT_EQ(captionBaseline(300), 265);
    EXPECT_EQ(captionBaseline(1080), 1080 - 63);
    EXPECT_EQ(captionBaseline(2160), 2160 - 126);
}

}  // namespace
