// The texts' pure parts: sizes from the window's height, wrapping, NFC
// composition and the atlas's packing, without a font or a window.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "render/glyph_atlas.h"
#include "render/text_layout.h"
#include "render/unicode_text.h"

namespace {

TEST(TextSize, GrowsWithTheWindowsHeightAndTheCaptionReachesItsShare) {
    const double liberationMonoCap = 1349.0 / 2048;  // capital height over character height
    const struct {
        int height, text, caption;
    } sizes[] = {
        {300, 15, 15}, {600, 15, 15}, {720, 18, 21}, {1080, 27, 43}, {1440, 36, 57}, {2160, 54, 86},
    };
    for (const auto& s : sizes) {
        EXPECT_EQ(textPixelHeight(s.height), s.text) << s.height;
        const int caption = captionPixelHeight(s.height, liberationMonoCap);
        EXPECT_EQ(caption, s.caption) << s.height;
        if (s.height >= 1080) {
            EXPECT_GE(std::floor(caption * liberationMonoCap), 0.025 * s.height) << s.height;
        }
    }
    // Courier New's capitals are shorter: its caption is bigger for the same share.
    EXPECT_GE(std::floor(captionPixelHeight(1080, 0.571) * 0.571), 27);
    EXPECT_EQ(captionPixelHeight(1080, 0), 27) << "no face: the other texts' size";
    EXPECT_EQ(scaledPixels(35, 1080), 63);
}

TEST(WrapText, BreaksAtSpacesSlashesAndDashesElseBetweenCharacters) {
    const AdvanceOf one = [](char32_t c) { return c == U'W' ? 2 : 1; };
    const struct {
        std::u32string text;
        int width, maxLines;
        std::vector<std::u32string> lines;
    } cases[] = {
        {U"one two three", 7, 0, {U"one two", U"three"}},
        {U"one two three", 100, 0, {U"one two three"}},
        {U"/usr/local/share/fonts", 8, 0, {U"/usr/", U"local/", U"share/", U"fonts"}},
        {U"abcdefghij", 4, 0, {U"abcd", U"efgh", U"ij"}},
        {U"WWWW", 3, 0, {U"W", U"W", U"W", U"W"}},
        {U"top-level name", 6, 0, {U"top-", U"level", U"name"}},
        {U"a  b", 1, 0, {U"a", U"b"}},
        {U"", 5, 0, {U""}},
        {U"one two three four", 7, 2, {U"one two", U"three\u2026"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::u32string> lines = wrapText(c.text, c.width, one, c.maxLines);
        EXPECT_EQ(lines, c.lines) << std::string(c.text.begin(), c.text.end());
        for (const std::u32string& line : lines) EXPECT_LE(textWidth(line, one), std::max(c.width, 2));
    }
}

TEST(Nfc, ComposesAsTheNormalizationAlgorithmDoes) {
    const struct {
        std::u32string in, out;
    } cases[] = {
        {U"Bjo\u0308rk", U"Bj\u00F6rk"},
        {U"Bj\u00F6rk", U"Bj\u00F6rk"},
        {U"e\u0301\u0301", U"\u00E9\u0301"},                 // one mark composes, the second has no room
        {U"a\u0302\u0323", U"\u1EAD"},                       // marks reordered: dot below first, then ậ
        {U"\u1EA1\u0302", U"\u1EAD"},
        {U"\u00E2\u0323", U"\u1EAD"},                        // decomposed first, so the order can be mended
        {U"\u212B", U"\u00C5"},                              // angstrom sign: a singleton
        {U"\u2126", U"\u03A9"},
        {U"\u0958", U"\u0915\u093C"},                        // excluded from composition
        {U"\u304B\u3099", U"\u304C"},                        // kana with the voiced mark
        {U"\u1100\u1161\u11A8", U"\uAC01"},                  // Hangul jamo to a syllable
        {U"\uAC00\u11A8", U"\uAC01"},
        {U"\u0438\u0306", U"\u0439"},                        // Cyrillic й
        {U"\u03B9\u0308\u0301", U"\u0390"},                  // Greek ΐ
        {U"x\u0301", U"x\u0301"},                            // nothing to compose with
        {U"\u0301a", U"\u0301a"},                            // a mark before any starter stays
        {U"\U0001F3B5", U"\U0001F3B5"},
    };
    for (const auto& c : cases) EXPECT_EQ(composeNfc(c.in), c.out) << std::hex << uint32_t(c.in[0]);
}

TEST(TextCharacters, DecodeUtf8AndTakeStrayBytesAsWindows1252) {
    EXPECT_EQ(textCharacters("Caf\xC3\xA9"), U"Caf\u00E9");
    EXPECT_EQ(textCharacters("Caf\xE9"), U"Caf\u00E9");            // Latin-1 bytes
    EXPECT_EQ(textCharacters("\x80 \x81"), U"\u20AC \uFFFD");       // euro; an undefined code
    EXPECT_EQ(textCharacters("end\xE2\x82"), U"end\u00E2\u201A");   // a sequence cut short
    EXPECT_EQ(textCharacters("\xED\xA0\x80"), U"\u00ED\u00A0\u20AC");  // no surrogates
    EXPECT_EQ(textCharacters("\xF0\x9F\x8E\xB5"), U"\U0001F3B5");
    EXPECT_EQ(textCharacters(nullptr), U"");
    EXPECT_EQ(windows1252Characters("bj\xF6\x8D"), U"bj\u00F6\uFFFD");
    EXPECT_TRUE(isInvisibleCharacter(0xFE0F));
    EXPECT_TRUE(isInvisibleCharacter(0x200D));
    EXPECT_FALSE(isInvisibleCharacter(U'a'));
    EXPECT_TRUE(isControlCharacter(U'\n'));
    EXPECT_TRUE(isControlCharacter(0x85));
    EXPECT_FALSE(isControlCharacter(0xA0));
}

TEST(GlyphAtlas, PacksGlyphsWithoutOverlapUntilFullAndAgainAfterClearing) {
    GlyphAtlas atlas(64);
    std::vector<std::tuple<int, int, int, int>> placed;  // x, y, w, h
    const int sizes[][2] = {{10, 14}, {8, 14}, {12, 13}, {20, 27}, {5, 5}, {18, 26}, {9, 14}, {30, 30}};
    for (int round = 0; round < 6; ++round)
        for (const auto& size : sizes) {
            int x = -1, y = -1;
            if (!atlas.place(size[0], size[1], &x, &y)) continue;
            EXPECT_GE(x, 0);
            EXPECT_GE(y, 0);
            EXPECT_LE(x + size[0], 64);
            EXPECT_LE(y + size[1], 64);
            for (const auto& other : placed) {
                const bool apart = x + size[0] < std::get<0>(other) || std::get<0>(other) + std::get<2>(other) < x ||
                                   y + size[1] < std::get<1>(other) || std::get<1>(other) + std::get<3>(other) < y;
                EXPECT_TRUE(apart) << "overlap at " << x << "," << y;
            }
            placed.emplace_back(x, y, size[0], size[1]);
        }
    EXPECT_GT(placed.size(), 8u);
    int x = 0, y = 0;
    EXPECT_FALSE(atlas.place(40, 40, &x, &y)) << "full";
    EXPECT_FALSE(atlas.place(64, 1, &x, &y)) << "no room for the gap";
    atlas.clear();
    EXPECT_TRUE(atlas.place(40, 40, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(MissingGlyphBox, IsAnOutlineAsTallAsACapitalWithACharactersAdvance) {
    const platform::TextGlyph box = missingGlyphBox(15);
    EXPECT_EQ(box.advance, 9);
    EXPECT_EQ(box.rows, 10);
    EXPECT_EQ(box.top, 10);
    std::string art;
    for (int y = 0; y < box.rows; ++y) {
        for (int x = 0; x < box.width; ++x) art += box.coverage[size_t(y * box.width + x)] ? '#' : '.';
        art += '\n';
    }
    EXPECT_EQ(art, "#######\n#.....#\n#.....#\n#.....#\n#.....#\n#.....#\n#.....#\n#.....#\n#.....#\n#######\n");
    const platform::TextGlyph big = missingGlyphBox(54);
    EXPECT_EQ(big.coverage[size_t(3 * big.width + big.width / 2)], 255) << "lines 4 pixels thick at 54";
    EXPECT_EQ(big.coverage[size_t(4 * big.width + big.width / 2)], 0);
}

}  // namespace
