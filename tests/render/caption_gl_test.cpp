// The caption drawn by real GL: centred by 9-pixel glyphs on a baseline 35
// pixels above the bottom edge, names drawn literally, UTF-8 names with the
// font's own glyphs.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <iostream>
#include <string>
#include <vector>

#include "render/caption.h"
#include "render/font_loader.h"
#include "render/overlay.h"
#include "render_fixture.h"

namespace {

// Installs a real font as the global `font` for one test.
class CaptionFontScope {
public:
    CaptionFontScope() { font = &font_; }
    ~CaptionFontScope() { font = nullptr; }
    FontLoader font_;
};

float rasterX() {
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    return raster[0];
}

// The bounding box of the white pixels of a frame, top-down rows.
struct InkBox {
    int left = 600, right = -1, top = 600, bottom = -1;
};
InkBox whiteInk(const std::vector<uint8_t>& frame) {
    InkBox box;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            const uint8_t* p = &frame[size_t(y * 600 + x) * 3];
            if (p[0] < 250 || p[1] < 250 || p[2] < 250) continue;
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

// The same bytes printed straight through the font where the caption goes.
std::vector<uint8_t> printedFrame(const std::string& bytes) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    enable2D();
    glColor3f(1, 1, 1);
    glRasterPos2f(float(captionX(int(bytes.size()), 600)), 565);
    font->glPrint("%s", bytes.c_str());
    disable2D();
    return readFrame();
}

TEST(CaptionGl, FourCharacterNameIsCentredOnTheBaseline) {
    GlWindow window;
    CaptionFontScope scope;
    const std::vector<uint8_t> frame = captionFrame("ABCD");
    EXPECT_FLOAT_EQ(rasterX(), 282 + 4 * 9);
    const InkBox box = whiteInk(frame);
    std::cout << "\"ABCD\" ink: x " << box.left << " .. " << box.right << ", rows " << box.top << " .. "
              << box.bottom << "\n";
    EXPECT_GE(box.left, 282);
    EXPECT_LE(box.left, 284);
    EXPECT_LE(box.right, 282 + 36);
    EXPECT_GE(box.top, 550);     // capitals: about ten rows above the baseline
    EXPECT_LE(box.bottom, 565);  // the baseline row: 35 above the bottom edge
    EXPECT_GE(box.bottom, 562);
}

TEST(CaptionGl, LongNameStartsAtTheLeftMargin) {
    GlWindow window;
    CaptionFontScope scope;
    const InkBox box = whiteInk(captionFrame(std::string(67, 'M').c_str()));
    EXPECT_FLOAT_EQ(rasterX(), 1 + 67 * 9);
    EXPECT_GE(box.left, 1);
    EXPECT_LE(box.left, 2);
    EXPECT_EQ(box.right, 599);  // runs off the right edge

    const InkBox centred = whiteInk(captionFrame(std::string(66, 'M').c_str()));
    EXPECT_GE(centred.left, 3);
    EXPECT_LE(centred.left, 4);
}

TEST(CaptionGl, NameIsDrawnLiterally) {
    GlWindow window;
    CaptionFontScope scope;
    const std::vector<uint8_t> caption = captionFrame("100%s %d %n");
    EXPECT_FLOAT_EQ(rasterX(), 250.5f + 11 * 9);  // all eleven characters drawn
    EXPECT_EQ(caption, printedFrame("100%s %d %n"));
    EXPECT_NE(caption, printedFrame("100?s ?d ?n"));
}

TEST(CaptionGl, Utf8NamesUseTheFontsOwnGlyphs) {
    GlWindow window;
    CaptionFontScope scope;
    const std::vector<uint8_t> cafe = captionFrame("Caf\xC3\xA9");
    EXPECT_FLOAT_EQ(rasterX(), 282 + 4 * 9);  // four glyphs for five bytes
    EXPECT_EQ(cafe, printedFrame("Caf\xE9"));
    EXPECT_NE(cafe, printedFrame("Cafe"));
    EXPECT_NE(cafe, printedFrame("Caf?"));

    const std::vector<uint8_t> nandu = captionFrame("\xC3\x91" "and\xC3\xBA");
    EXPECT_EQ(nandu, printedFrame("\xD1" "and\xFA"));
    EXPECT_NE(nandu, printedFrame("Nandu"));

    // Characters the font lacks are question marks, still 9 pixels each.
    EXPECT_EQ(captionFrame("\xE6\x97\xA5\xE6\x9C\xAC"), printedFrame("??"));
}

TEST(CaptionGl, EmptyNameOrNoFontDrawsNothing) {
    GlWindow window;
    {
        CaptionFontScope scope;
        const InkBox box = whiteInk(captionFrame(""));
        EXPECT_EQ(box.right, -1);
    }
    const InkBox box = whiteInk(captionFrame("ABCD"));  // font is null now
    EXPECT_EQ(box.right, -1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

}  // namespace
