// The help panel is a black quad at alpha 0.8 blended over the scene, with the
// key table written on it; the search line is plain text above the row. Both
// go through enable2D .. disable2D; blending is switched on only for the quad.
#include "render/help_overlay.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/gamepad.h"
#include "app/key_help.h"
#include "app/type_to_find.h"
#include "render/font_loader.h"
#include "render/overlay.h"

namespace {

const int kGlyphWidth = 9;
const int kPadding = 16;
const int kFindBaseline = 40;  // above the row, in the black of the background
const char* const kHelpTitle = "Keys and mouse (F1 hides this)";

void printAt(int x, int y, const std::string& text) {
    glRasterPos2f(float(x), float(y));
    if (font) font->glPrint("%s", text.c_str());  // text, never a format
}

}  // namespace

HelpPanel helpPanel(int width, int height, int lines) {
    const int textWidth = (kHelpKeyColumnChars + kHelpActionColumnChars) * kGlyphWidth;
    const int panelWidth = textWidth + 2 * kPadding;
    const int panelHeight = (lines + 2) * kHelpLineHeight + 2 * kPadding;
    HelpPanel panel;
    panel.left = std::max(0, (width - panelWidth) / 2);
    panel.top = std::max(0, (height - panelHeight) / 2);
    panel.right = std::min(width, panel.left + panelWidth);
    panel.bottom = std::min(height, panel.top + panelHeight);
    panel.textLeft = panel.left + kPadding;
    panel.actionLeft = panel.textLeft + kHelpKeyColumnChars * kGlyphWidth;
    panel.firstBaseline = panel.top + kPadding + kHelpLineHeight - 5;
    return panel;
}

std::string findLine(const FindText& find) {
    return "Find: " + find.text + (find.matched ? "" : "  (no album)");
}

void drawHelpOverlay() {
    const std::vector<KeyHelpLine> lines = shownHelpLines(gamepadOpen());
    const HelpPanel panel = helpPanel(screenWidth, screenHeight, int(lines.size()));
    enable2D();
    // On: blending for the panel only.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0, 0, 0, 0.8f);
    glRecti(panel.left, panel.top, panel.right, panel.bottom);
    glDisable(GL_BLEND);

    glColor3f(1, 1, 1);  // before each raster position, which takes the current colour
    int y = panel.firstBaseline;
    printAt(panel.textLeft, y, kHelpTitle);
    y += kHelpLineHeight;
    for (const KeyHelpLine& line : lines) {
        y += kHelpLineHeight;
        printAt(panel.textLeft, y, line.keys);
        printAt(panel.actionLeft, y, line.action);
    }
    disable2D();
}

void drawFindText(const FindText& find) {
    const std::string text = findLine(find);
    enable2D();
    if (find.matched)
        glColor3f(1, 1, 1);
    else
        glColor3f(1, 0.5f, 0.5f);
    const int x = std::max(1, (screenWidth - int(text.size()) * kGlyphWidth) / 2);
    printAt(x, kFindBaseline, text);
    disable2D();
}

int noticeBottom(int lines) { return kNoticeFirstBaseline + (lines - 1) * kNoticeLineHeight + 7; }

void drawPlayerNotice(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    size_t widest = 0;
    for (const std::string& line : lines) widest = std::max(widest, line.size());
    const int textWidth = int(widest) * kGlyphWidth;
    const int left = std::max(0, (screenWidth - textWidth) / 2 - 6);
    enable2D();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.45f, 0.05f, 0.05f, 0.85f);
    glRecti(left, kNoticeTop, std::min(screenWidth, left + textWidth + 12), noticeBottom(int(lines.size())));
    glDisable(GL_BLEND);
    glColor3f(1, 0.9f, 0.45f);  // before each raster position, which takes the current colour
    int y = kNoticeFirstBaseline;
    for (const std::string& line : lines) {
        printAt(std::max(1, (screenWidth - int(line.size()) * kGlyphWidth) / 2), y, line);
        y += kNoticeLineHeight;
    }
    disable2D();
}
