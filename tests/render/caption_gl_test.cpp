// Every text on screen drawn by real GL through the text font: at 600 x 600
// pixel for pixel what the bitmap font drew, names in any script with their
// own glyphs, a character no font has as a box, centred by the drawn width.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/key_help.h"
#include "app/player_notice.h"
#include "app/type_to_find.h"
#include "render/caption.h"
#include "render/font_loader.h"
#include "render/help_overlay.h"
#include "render/overlay.h"
#include "render/text_font.h"
#include "render/unicode_text.h"
#include "render_fixture.h"
#include "texture/cover_picture.h"

namespace {

// Installs a real text font as the global `textFont` for one test.
class TextFontScope {
public:
    TextFontScope() { textFont = &font_; }
    ~TextFontScope() { textFont = nullptr; }
    TextFont font_;
};

// The bounding box of the white pixels of a frame, top-down rows.
struct InkBox {
    int left = 600, right = -1, top = 600, bottom = -1;
    int count = 0;
};
InkBox whiteInk(const std::vector<uint8_t>& frame, int x0 = 0, int y0 = 0, int x1 = 599, int y1 = 599) {
    InkBox box;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const uint8_t* p = &frame[size_t(y * 600 + x) * 3];
            if (p[0] < 128 || p[1] < 128 || p[2] < 128) continue;
            ++box.count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

std::vector<uint8_t> captionFrame(const char* name) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCaption(name);
    return readFrame();
}

// Windows-1252 bytes printed straight through the display-list font where the caption goes.
std::vector<uint8_t> printedFrame(const std::string& bytes) {
    FontLoader font;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    enable2D();
    glColor3f(1, 1, 1);
    glRasterPos2f(float(captionX(int(bytes.size()) * 9, 600)), 565);
    font.glPrint("%s", bytes.c_str());
    disable2D();
    return readFrame();
}

// Pixels that differ by more than `tolerance` in some channel.
int differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(a[i + size_t(c)]) - int(b[i + size_t(c)])) > tolerance) {
                ++count;
                break;
            }
    return count;
}

std::vector<uint8_t> referencePicture(const char* name) {
    const CoverPicture picture =
        decodeCoverPicture((std::string(VELLORA_SOURCE_DIR) + "/tests/render/pictures/" + name).c_str());
    EXPECT_TRUE(picture.usable()) << name << ": " << picture.failure;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < picture.height; ++y)
        rgb.insert(rgb.end(), picture.pixels.begin() + y * picture.pitch,
                   picture.pixels.begin() + y * picture.pitch + picture.width * 3);
    EXPECT_EQ(rgb.size(), size_t(600 * 600 * 3)) << name;
    return rgb;
}

// The frame with the rows first .. last (top-down) blacked out.
std::vector<uint8_t> withoutRows(std::vector<uint8_t> frame, int first, int last) {
    for (int y = first; y <= last; ++y) std::fill_n(frame.begin() + y * 600 * 3, 600 * 3, uint8_t(0));
    return frame;
}

// The help panel as the bitmap font drew it, with today's lines, on black.
std::vector<uint8_t> helpByBitmapFont() {
    const char* const title = "Keys and mouse (F1 hides this)";
    const std::vector<KeyHelpLine> lines = shownHelpLines(false);
    size_t widestKey = 0, widestAction = 0;
    for (const KeyHelpLine& line : lines) {
        widestKey = std::max(widestKey, std::strlen(line.keys));
        widestAction = std::max(widestAction, std::strlen(line.action));
    }
    HelpMeasure measure;  // 9 pixels a character
    measure.keyColumn = int(widestKey + 3) * 9;
    measure.textWidth = std::max(int(std::strlen(title)) * 9, measure.keyColumn + int(widestAction) * 9);
    EXPECT_EQ(helpPixelHeight(600, 600, int(lines.size()), [&](int) { return measure; }), 15)
        << "the help fits the 600 x 600 window at the design's size";
    const HelpPanel panel = helpPanel(600, 600, int(lines.size()), 15, measure);
    FontLoader font;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    enable2D();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0, 0, 0, 0.8f);
    glRecti(panel.left, panel.top, panel.right, panel.bottom);
    glDisable(GL_BLEND);
    glColor3f(1, 1, 1);
    int y = panel.firstBaseline;
    glRasterPos2f(float(panel.textLeft), float(y));
    font.glPrint("%s", title);
    y += panel.lineHeight;
    for (const KeyHelpLine& line : lines) {
        y += panel.lineHeight;
        glRasterPos2f(float(panel.textLeft), float(y));
        font.glPrint("%s", line.keys);
        glRasterPos2f(float(panel.actionLeft), float(y));
        font.glPrint("%s", line.action);
    }
    disable2D();
    return readFrame();
}

// The pictures in tests/render/pictures were taken from the bitmap font's
// drawing before the text font replaced it.
TEST(TextGl, At600TheTextsArePixelForPixelTheBitmapFonts) {
    GlWindow window;
    TextFontScope scope;
    glClearColor(0.2f, 0.3f, 0.4f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCaption("Bj\xC3\xB6rk \xE2\x80\x93 Homog\xC3\xA9nie \xC3\x91" "and\xC3\xBA 100%");
    FindText find;
    find.text = "bj";
    drawFindText(find);
    drawPlayerNotice(playerNoticeLines({"mpv", "not found on PATH", ""}, "~/.config/vellora/vellora.ini"));
    drawHelpOverlay();
    const std::vector<uint8_t> drawn = readFrame();
    // The help's lines are the keys of the day: its panel (within rows 110 ..
    // 540, between the notice and the caption) is checked against the bitmap
    // font below, the rest against the picture.
    EXPECT_EQ(differingPixels(withoutRows(drawn, 110, 540), withoutRows(referencePicture("overlays-600.png"), 110, 540), 1), 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawHelpOverlay();
    const std::vector<uint8_t> help = readFrame();
    EXPECT_EQ(differingPixels(help, helpByBitmapFont(), 0), 0);
    glClearColor(0.2f, 0.3f, 0.4f, 1);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCaption(std::string(67, 'M').c_str());  // wider than the window: from x = 1
    find.text = "zq";
    find.matched = false;
    drawFindText(find);
    EXPECT_EQ(differingPixels(readFrame(), referencePicture("long-caption-600.png"), 1), 0);
    glClearColor(0, 0, 0, 1);

    // And against the bitmap font itself, drawn now.
    for (const char* name : {"100%s %d %n", "Caf\xC3\xA9", "ABCD"})
        EXPECT_EQ(differingPixels(captionFrame(name), printedFrame(captionText(name)), 0), 0) << name;
}

TEST(TextGl, CaptionIsCentredByTheWidthItsGlyphsTake) {
    GlWindow window;
    TextFontScope scope;
    struct Case {
        const char* name;
    } cases[] = {{"ABCD"}, {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E ABC"}, {"\xD0\x93\xD1\x80\xD0\xB0\xD0\xBD\xD0\xB0\xD1\x82"}};
    for (const Case& c : cases) {
        const InkBox box = whiteInk(captionFrame(c.name));
        const int width = textFont->width(captionCharacters(c.name), 15);
        std::cout << c.name << ": ink x " << box.left << " .. " << box.right << ", drawn width " << width << "\n";
        EXPECT_NEAR((box.left + box.right) / 2.0, 300, 3) << c.name;
        EXPECT_GE(box.bottom, 560) << c.name;
        EXPECT_LE(box.bottom, 569) << c.name;  // baseline 565, descenders below
    }
    // UTF-8 is not counted by its bytes: three CJK characters take about three
    // wide cells, not nine narrow ones.
    EXPECT_LT(textFont->width(captionCharacters("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), 15), 9 * 9);
}

// One character drawn alone at (100, 300): its pixels.
std::vector<uint8_t> characterFrame(char32_t c) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    enable2D();
    glColor3f(1, 1, 1);
    textFont->draw(std::u32string(1, c), 100, 300, 27);
    disable2D();
    return readFrame();
}

TEST(TextGl, EveryScriptDrawsItsOwnGlyphsAndACharacterNoFontHasABox) {
    GlWindow window;
    TextFontScope scope;
    const std::vector<uint8_t> box = characterFrame(0x10FFFD);  // private use: in no font
    const std::vector<uint8_t> question = characterFrame(U'?');
    // The box: an outline, lit at its edges and dark inside.
    const InkBox outline = whiteInk(box);
    ASSERT_GT(outline.right - outline.left, 6);
    ASSERT_GT(outline.bottom - outline.top, 10);
    const int middleX = (outline.left + outline.right) / 2, middleY = (outline.top + outline.bottom) / 2;
    EXPECT_EQ(box[size_t(middleY * 600 + outline.left) * 3], 255);
    EXPECT_EQ(box[size_t(outline.top * 600 + middleX) * 3], 255);
    EXPECT_EQ(box[size_t(middleY * 600 + middleX) * 3], 0);

    const char* names[] = {
        "\xD0\x93\xD1\x80\xD0\xB0\xD0\xBD\xD0\xB0\xD1\x82\xD0\xBE\xD0\xB2\xD1\x8B\xD0\xB9",  // Гранатовый
        "\xCE\x9C\xCE\xAF\xCE\xBA\xCE\xB7\xCF\x82",                                          // Μίκης
        "\xE5\x9D\x82\xE6\x9C\xAC\xE9\xBE\x8D\xE4\xB8\x80",                                  // 坂本龍一
        "\xE3\x81\x8B\xE3\x82\x99",                        // か + combining voiced mark: が
        "\xEC\x95\x84\xEC\x9D\xB4\xEC\x9C\xA0",            // 아이유
        "Bjo\xCC\x88rk",                                   // decomposed, as macOS writes it
        "\xF0\x9F\x8E\xB5",                                // an emoji: musical note
    };
    for (const char* name : names) {
        for (char32_t c : captionCharacters(name)) {
            const std::vector<uint8_t> drawn = characterFrame(c);
            EXPECT_GT(whiteInk(drawn).count, 3) << name << " U+" << std::hex << uint32_t(c);
            EXPECT_GT(differingPixels(drawn, box, 0), 0) << name << " U+" << std::hex << uint32_t(c) << " is a box";
            EXPECT_GT(differingPixels(drawn, question, 0), 0) << name << " U+" << std::hex << uint32_t(c);
        }
    }
    // Decomposed and composed names draw the same caption.
    EXPECT_EQ(differingPixels(captionFrame("Bjo\xCC\x88rk"), captionFrame("Bj\xC3\xB6rk"), 0), 0);
    EXPECT_EQ(differingPixels(captionFrame("\xE3\x81\x8B\xE3\x82\x99"), captionFrame("\xE3\x81\x8C"), 0), 0);
}

TEST(TextGl, EmptyNameOrNoFontDrawsNothing) {
    GlWindow window;
    {
        TextFontScope scope;
        EXPECT_EQ(whiteInk(captionFrame("")).count, 0);
        EXPECT_EQ(whiteInk(captionFrame("\xE2\x80\x8B")).count, 0);  // a zero-width space shows nothing
    }
    EXPECT_EQ(whiteInk(captionFrame("ABCD")).count, 0);  // textFont is null now
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
