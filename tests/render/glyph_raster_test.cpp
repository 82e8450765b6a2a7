// The caption font's glyphs, rendered by the real font engine with no GL:
// their layout for glBitmap, their shapes and their common 9-pixel advance;
// the text glyphs of every script, and the 'cmap' reading of the Windows build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include "platform/glyph_raster.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

int rowBytes(const platform::GlyphBitmap& glyph) { return (glyph.width + 31) / 32 * 4; }

// Pixel (x, fromTop) of a glyph in glBitmap layout (bottom row stored first).
bool ink(const platform::GlyphBitmap& glyph, int x, int fromTop) {
    const int stored = glyph.rows - 1 - fromTop;
    const uint8_t byte = glyph.bits[size_t(stored * rowBytes(glyph) + x / 8)];
    return (byte >> (7 - x % 8)) & 1;
}

int inkCount(const platform::GlyphBitmap& glyph) {
    int count = 0;
    for (int y = 0; y < glyph.rows; ++y)
        for (int x = 0; x < glyph.width; ++x) count += ink(glyph, x, y);
    return count;
}

std::string asciiArt(const platform::GlyphBitmap& glyph) {
    std::string art;
    for (int y = 0; y < glyph.rows; ++y) {
        for (int x = 0; x < glyph.width; ++x) art += ink(glyph, x, y) ? '#' : '.';
        art += '\n';
    }
    return art;
}

// The longest run of inked rows in one column.
int longestVerticalRun(const platform::GlyphBitmap& glyph) {
    int best = 0;
    for (int x = 0; x < glyph.width; ++x) {
        int run = 0;
        for (int y = 0; y < glyph.rows; ++y) {
            run = ink(glyph, x, y) ? run + 1 : 0;
            if (run > best) best = run;
        }
    }
    return best;
}

TEST(GlyphFromMono, StoresRowsBottomFirstPaddedToFourBytes) {
    // 10 x 3, top row first, 2 bytes a row plus 1 byte FreeType padding.
    const uint8_t top[] = {0xFF, 0xFF, 0xAA,   // bits beyond width 10 must be cleared
                           0x80, 0x40, 0x00,   // leftmost pixel and pixel 9
                           0x00, 0x00, 0x00};
    MonoBitmap mono;
    mono.width = 10;
    mono.rows = 3;
    mono.pitch = 3;
    mono.buffer = top;
    mono.left = 1;
    mono.top = 2;
    const platform::GlyphBitmap glyph = glyphFromMono(mono, 9);
    EXPECT_EQ(glyph.width, 10);
    EXPECT_EQ(glyph.rows, 3);
    EXPECT_FLOAT_EQ(glyph.xorig, -1);
    EXPECT_FLOAT_EQ(glyph.yorig, 1);  // one row below the baseline
    EXPECT_FLOAT_EQ(glyph.advance, 9);
    const std::vector<uint8_t> expected = {0x00, 0x00, 0, 0,    // bottom row
                                           0x80, 0x40, 0, 0,
                                           0xFF, 0xC0, 0, 0};   // top row, cut at 10 pixels
    EXPECT_EQ(glyph.bits, expected);

    // The same picture stored bottom row first (negative pitch).
    const uint8_t bottom[] = {0x00, 0x00, 0x00, 0x80, 0x40, 0x00, 0xFF, 0xFF, 0xAA};
    mono.buffer = bottom;
    mono.pitch = -3;
    EXPECT_EQ(glyphFromMono(mono, 9).bits, expected);
}

TEST(GlyphFromMono, EmptyBitmapKeepsOnlyTheAdvance) {
    const platform::GlyphBitmap glyph = glyphFromMono(MonoBitmap{}, 9);
    EXPECT_EQ(glyph.width, 0);
    EXPECT_EQ(glyph.rows, 0);
    EXPECT_TRUE(glyph.bits.empty());
    EXPECT_FLOAT_EQ(glyph.advance, 9);
}

TEST(Windows1252, MapsEveryDefinedCodeBothWays) {
    EXPECT_EQ(windows1252ToUnicode('A'), 0x41u);
    EXPECT_EQ(windows1252ToUnicode(0x80), 0x20ACu);
    EXPECT_EQ(windows1252ToUnicode(0x9F), 0x178u);
    EXPECT_EQ(windows1252ToUnicode(0xE9), 0xE9u);
    int undefined = 0;
    for (int code = 0; code < 256; ++code) {
        const uint32_t unicode = windows1252ToUnicode(code);
        if (unicode == 0 && code != 0) {
            ++undefined;
            continue;
        }
        EXPECT_EQ(unicodeToWindows1252(unicode), code) << code;
    }
    EXPECT_EQ(undefined, 5);  // 0x81, 0x8D, 0x8F, 0x90, 0x9D
    EXPECT_EQ(unicodeToWindows1252(0x85), -1);    // a C1 control, not '…'
    EXPECT_EQ(unicodeToWindows1252(0x65E5), -1);  // 日
}

class CaptionFont : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::rasteriseCaptionFont(15, 32, 223, &glyphs, &error)) << error;
        ASSERT_EQ(glyphs.size(), 223u);
    }
    const platform::GlyphBitmap& glyph(int code) { return glyphs[size_t(code - 32)]; }
    std::vector<platform::GlyphBitmap> glyphs;
};

TEST_F(CaptionFont, EveryGlyphAdvancesNinePixels) {
    for (int code = 32; code <= 254; ++code) {
        EXPECT_FLOAT_EQ(glyph(code).advance, 9) << code;
        EXPECT_EQ(glyph(code).bits.size(), size_t(rowBytes(glyph(code)) * glyph(code).rows)) << code;
    }
}

TEST_F(CaptionFont, GlyphsHaveInkWhereTheLetterIs) {
    const platform::GlyphBitmap& bar = glyph('|');
    const platform::GlyphBitmap& letterI = glyph('I');
    std::cout << "'|' " << bar.width << "x" << bar.rows << " origin " << bar.xorig << "," << bar.yorig
              << "\n" << asciiArt(bar) << "'I' " << letterI.width << "x" << letterI.rows << " origin "
              << letterI.xorig << "," << letterI.yorig << "\n" << asciiArt(letterI);

    EXPECT_GE(longestVerticalRun(bar), 12);  // a bar reaching below the baseline
    EXPECT_GT(bar.yorig, 0);
    // 'I': a stem from cap height to the baseline, crossbars at both ends.
    EXPECT_GE(longestVerticalRun(letterI), 9);
    EXPECT_FLOAT_EQ(letterI.yorig, 0);  // sits on the baseline
    int topBar = 0, bottomBar = 0;
    for (int x = 0; x < letterI.width; ++x) {
        topBar += ink(letterI, x, 0);
        bottomBar += ink(letterI, x, letterI.rows - 1);
    }
    EXPECT_GE(topBar, 5);
    EXPECT_GE(bottomBar, 5);
    // Glyphs stay within their 9-pixel cell.
    EXPECT_GE(-letterI.xorig, 0);
    EXPECT_LE(-letterI.xorig + letterI.width, 9);

    EXPECT_EQ(inkCount(glyph(' ')), 0);
    EXPECT_EQ(inkCount(glyph(0x81)), 0);  // undefined code
    EXPECT_GT(inkCount(glyph(0xE9)), inkCount(glyph('e')));  // é is e with an accent
    EXPECT_GT(glyph(0xE9).rows, glyph('e').rows);
    EXPECT_GT(inkCount(glyph(0x80)), 10);  // € comes from U+20AC
}

// Rasterises the caption font with fontconfig reading `configText` instead of
// the system's configuration. Returns whether it worked; `error` says why not.
bool rasteriseWithConfig(const TempDir& dir, const std::string& configText, std::string* error) {
    const std::string config = dir.writeFile("fonts.conf", configText);
    const char* previous = std::getenv("FONTCONFIG_FILE");
    const std::string saved = previous ? previous : "";
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    std::vector<platform::GlyphBitmap> glyphs;
    const bool ok = platform::rasteriseCaptionFont(15, 32, 223, &glyphs, error);
    if (previous)
        setenv("FONTCONFIG_FILE", saved.c_str(), 1);
    else
        unsetenv("FONTCONFIG_FILE");
    return ok;
}

TEST(CaptionFontMissing, SaysWhichFontAndPackageAreMissing) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(rasteriseWithConfig(dir, "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", &error));
    std::cout << error << "\n";
    EXPECT_NE(error.find("Courier New"), std::string::npos) << error;
    EXPECT_NE(error.find("fonts-liberation2"), std::string::npos) << error;
}

TEST(CaptionFontMissing, RefusesAProportionalFont) {
    const std::string proportional = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
    if (!std::ifstream(proportional)) GTEST_SKIP() << proportional << " is not installed";
    TempDir dir;
    dir.makeFolder("fonts");
    ASSERT_EQ(symlink(proportional.c_str(), dir.at("fonts/sans.ttf").c_str()), 0);
    std::string error;
    EXPECT_FALSE(rasteriseWithConfig(dir,
                                     "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + dir.at("fonts") +
                                         "</dir><cachedir>" + dir.at("cache") + "</cachedir></fontconfig>\n",
                                     &error));
    std::cout << error << "\n";
    EXPECT_NE(error.find("not a fixed-pitch font"), std::string::npos) << error;
    EXPECT_NE(error.find("fonts-liberation2"), std::string::npos) << error;
}

TEST(TextGlyphFrom, TurnsOneBitAndGreyRowsIntoCoverage) {
    const uint8_t bits[] = {0xA0, 0x00, 0x40, 0x00};  // 3 x 2, pitch 2: "#.#" over ".#."
    MonoBitmap mono;
    mono.width = 3, mono.rows = 2, mono.pitch = 2, mono.buffer = bits, mono.left = 1, mono.top = 7;
    platform::TextGlyph glyph = textGlyphFrom(mono, 0, 9);
    EXPECT_EQ(glyph.coverage, (std::vector<uint8_t>{255, 0, 255, 0, 255, 0}));
    EXPECT_EQ(glyph.left, 1);
    EXPECT_EQ(glyph.top, 7);
    EXPECT_EQ(glyph.advance, 9);
    mono.pitch = -2;  // stored bottom row first
    EXPECT_EQ(textGlyphFrom(mono, 0, 9).coverage, (std::vector<uint8_t>{0, 255, 0, 255, 0, 255}));
    const uint8_t grey[] = {0, 32, 64, 70};  // GDI's 0 .. 64
    MonoBitmap gdi;
    gdi.width = 4, gdi.rows = 1, gdi.pitch = 4, gdi.buffer = grey;
    EXPECT_EQ(textGlyphFrom(gdi, 64, 5).coverage, (std::vector<uint8_t>{0, 128, 255, 255}));
    EXPECT_TRUE(textGlyphFrom(MonoBitmap{}, 255, 4).coverage.empty());
}

TEST_F(CaptionFont, AtFifteenPixelsTheTextGlyphsAreTheBitmapFontsAndSmoothAbove) {
    std::string error;
    platform::GlyphFaces* faces = platform::openGlyphFaces(&error);
    ASSERT_NE(faces, nullptr) << error;
    for (int code = 33; code <= 254; ++code) {
        const uint32_t unicode = windows1252ToUnicode(code);
        if (unicode == 0 || unicode == 0x7F) continue;  // undefined, and DEL: drawn as a box
        platform::TextGlyph text;
        ASSERT_TRUE(platform::renderTextGlyph(faces, unicode, 15, &text)) << code;
        const platform::GlyphBitmap& bitmap = glyph(code);
        EXPECT_EQ(text.advance, 9) << code;
        ASSERT_EQ(text.width, bitmap.width) << code;
        ASSERT_EQ(text.rows, bitmap.rows) << code;
        EXPECT_EQ(text.left, int(-bitmap.xorig)) << code;
        EXPECT_EQ(text.top, bitmap.rows - int(bitmap.yorig)) << code;
        for (int y = 0; y < text.rows; ++y)
            for (int x = 0; x < text.width; ++x)
                ASSERT_EQ(text.coverage[size_t(y * text.width + x)] != 0, ink(bitmap, x, y)) << code;
    }
    platform::TextGlyph big;
    ASSERT_TRUE(platform::renderTextGlyph(faces, U'O', 43, &big));
    const bool smoothed = std::any_of(big.coverage.begin(), big.coverage.end(), [](uint8_t v) { return v > 0 && v < 255; });
    EXPECT_TRUE(smoothed) << "an O at 43 pixels has grey edges";
    EXPECT_EQ(big.advance, 26);
    platform::TextGlyph none;  // no installed font: nothing, the caller draws a box
    none.advance = 3;
    EXPECT_FALSE(platform::renderTextGlyph(faces, 0x10FFFD, 43, &none));
    EXPECT_TRUE(none.coverage.empty());
    EXPECT_EQ(none.advance, 0);
    platform::closeGlyphFaces(faces);
}

// The 'cmap' table of a font file, as FreeType reads it from the file.
std::vector<uint8_t> cmapOf(FT_Library library, const char* file, FT_Face* face) {
    std::vector<uint8_t> table;
    if (FT_New_Face(library, file, 0, face) != 0) return table;
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(*face, TTAG_cmap, 0, nullptr, &length) != 0) return table;
    table.resize(length);
    FT_Load_Sfnt_Table(*face, TTAG_cmap, 0, table.data(), &length);
    return table;
}

TEST(CmapGlyphIndex, AgreesWithFreeTypeOnRealFontsAndReadsNoFurtherThanItsBytes) {
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    int fonts = 0;
    for (const char* file : {"/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf",
                             "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
                             "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf"}) {
        FT_Face face = nullptr;
        const std::vector<uint8_t> table = cmapOf(library, file, &face);
        if (table.empty()) {
            if (face) FT_Done_Face(face);
            continue;
        }
        ++fonts;
        int mapped = 0;
        for (char32_t c = 0; c < 0x20000; c += (c < 0x10000 ? 1 : 7)) {
            const uint32_t index = cmapGlyphIndex(table.data(), table.size(), c);
            ASSERT_EQ(index, FT_Get_Char_Index(face, c)) << file << " U+" << std::hex << uint32_t(c);
            mapped += index != 0;
        }
        std::cout << file << ": " << mapped << " characters mapped\n";
        // Cut anywhere, the table gives no index it does not hold (and ASan sees no stray read).
        for (size_t cut = 0; cut < table.size(); cut += 1 + cut / 4) {
            const std::vector<uint8_t> part(table.begin(), table.begin() + long(cut));
            for (char32_t c : {U'A', char32_t(0x5742), char32_t(0x1F3B5)}) {
                const uint32_t index = cmapGlyphIndex(part.data(), part.size(), c);
                EXPECT_TRUE(index == 0 || index == FT_Get_Char_Index(face, c)) << file << " cut at " << cut;
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    EXPECT_GE(fonts, 1);
    EXPECT_EQ(cmapGlyphIndex(nullptr, 0, U'A'), 0u);
}

}  // namespace
