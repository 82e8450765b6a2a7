// The caption font's glyphs, rendered by the real font engine with no GL:
// their layout for glBitmap, their shapes and their common 9-pixel advance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

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

}  // namespace
