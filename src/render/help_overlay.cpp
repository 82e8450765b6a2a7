// The help panel is a black quad at alpha 0.8 blended over the scene, with the
// key table written on it; the search line is plain text above the row; the
// notice a red band under it. All go through enable2D .. disable2D; blending
// is switched on only for the quads (and, inside TextFont::draw, the glyphs).
#include "render/help_overlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/gamepad.h"
#include "app/key_help.h"
#include "app/type_to_find.h"
#include "render/overlay.h"
#include "render/text_font.h"
#include "render/unicode_text.h"

namespace {

// The design's layout at 15 pixels; other sizes scale it.
const int kPadding = 16;
const int kHelpLineHeight = 20;
const int kBaselineLift = 5;
const int kKeyGapCharacters = 3;  // spaces between the widest key and its action
const int kHelpMargin = 8;        // kept free around the panel at 600 lines
const int kSmallestHelpPixels = 6;
const int kFindBaseline = 40;     // above the row, in the black of the background
const int kNoticeTop = 48;
const int kNoticeLineHeight = 17;
const int kNoticeFirstBaseline = 16;  // below the band's top
const int kNoticeBelowLast = 7;       // band below the last baseline
const int kNoticeSidePadding = 6;
const char* const kHelpTitle = "Keys and mouse (F1 hides this)";

// `design` pixels of the 15-pixel layout at a text of `pixelHeight`.
int atSize(int design, int pixelHeight) { return int(std::lround(design * pixelHeight / double(kDesignTextPixels))); }

void printAt(int x, int baseline, const std::u32string& text, int pixelHeight) {
    if (textFont) textFont->draw(text, x, baseline, pixelHeight);
}

// The lines the help shows now: the keys, and a pad's buttons while one is open.
std::vector<KeyHelpLine> helpLinesNow() { return shownHelpLines(gamepadOpen()); }

HelpMeasure measureHelp(int pixelHeight) {
    const AdvanceOf advanceOf = textFont->advances(pixelHeight);
    int widestKey = 0, widestAction = 0;
    for (const KeyHelpLine& line : helpLinesNow()) {
        widestKey = std::max(widestKey, textWidth(textCharacters(line.keys), advanceOf));
        widestAction = std::max(widestAction, textWidth(textCharacters(line.action), advanceOf));
    }
    HelpMeasure measure;
    measure.keyColumn = widestKey + kKeyGapCharacters * advanceOf(U' ');
    measure.textWidth = std::max(textWidth(textCharacters(kHelpTitle), advanceOf), measure.keyColumn + widestAction);
    return measure;
}

}  // namespace

HelpPanel helpPanel(int width, int height, int lines, int pixelHeight, const HelpMeasure& measure) {
    const int padding = atSize(kPadding, pixelHeight);
    const int lineHeight = atSize(kHelpLineHeight, pixelHeight);
    const int panelWidth = measure.textWidth + 2 * padding;
    const int panelHeight = (lines + 2) * lineHeight + 2 * padding;
    HelpPanel panel;
    panel.left = std::max(0, (width - panelWidth) / 2);
    panel.top = std::max(0, (height - panelHeight) / 2);
    panel.right = std::min(width, panel.left + panelWidth);
    panel.bottom = std::min(height, panel.top + panelHeight);
    panel.textLeft = panel.left + padding;
    panel.actionLeft = panel.textLeft + measure.keyColumn;
    panel.firstBaseline = panel.top + padding + lineHeight - atSize(kBaselineLift, pixelHeight);
    panel.lineHeight = lineHeight;
    panel.pixelHeight = pixelHeight;
    return panel;
}

int helpPixelHeight(int width, int height, int lines, const HelpMeasureAt& measureAt) {
    const int margin = scaledPixels(kHelpMargin, height);
    const int roomWidth = width - 2 * margin, roomHeight = height - 2 * margin;
    int size = textPixelHeight(height);
    for (int tries = 0; tries < 8 && size > kSmallestHelpPixels; ++tries) {
        const HelpMeasure measure = measureAt(size);
        const int padding = 2 * atSize(kPadding, size);
        const int panelWidth = measure.textWidth + padding;
        const int panelHeight = (lines + 2) * atSize(kHelpLineHeight, size) + padding;
        if (panelWidth <= roomWidth && panelHeight <= roomHeight) break;
        // Text grows about in proportion to its size: aim there, then step down.
        const double shrink = std::min(double(roomWidth) / panelWidth, double(roomHeight) / panelHeight);
        size = std::max(kSmallestHelpPixels, std::min(size - 1, int(size * shrink)));
    }
    return std::max(size, kSmallestHelpPixels);
}

std::string findLine(const FindText& find) {
    return "Find: " + find.text + (find.matched ? "" : "  (no album)");
}

NoticeLayout noticeLayout(const std::vector<std::string>& paragraphs, int width, int height,
                          const AdvanceOf& advanceOf) {
    NoticeLayout layout;
    const int size = textPixelHeight(height);
    layout.pixelHeight = size;
    layout.top = scaledPixels(kNoticeTop, height);
    layout.lineHeight = atSize(kNoticeLineHeight, size);
    layout.firstBaseline = layout.top + atSize(kNoticeFirstBaseline, size);
    const int side = atSize(kNoticeSidePadding, size);
    const int wrapWidth = std::max(1, width - 2 * side - 2);
    const int maxLines = std::max(2, (height / 2 - layout.firstBaseline) / std::max(1, layout.lineHeight) + 1);
    for (const std::string& paragraph : paragraphs) {
        const int room = maxLines - int(layout.lines.size());
        if (room <= 0) break;
        for (std::u32string& line : wrapText(textCharacters(paragraph.c_str()), wrapWidth, advanceOf, room))
            layout.lines.push_back(std::move(line));
    }
    int widest = 0;
    for (const std::u32string& line : layout.lines) {
        const int lineWidth = textWidth(line, advanceOf);
        widest = std::max(widest, lineWidth);
        layout.lineLeft.push_back(std::max(1, (width - lineWidth) / 2));
    }
    layout.left = std::max(0, (width - widest) / 2 - side);
    layout.right = std::min(width, layout.left + widest + 2 * side);
    layout.bottom = layout.firstBaseline + (int(layout.lines.size()) - 1) * layout.lineHeight +
                    atSize(kNoticeBelowLast, size);
    return layout;
}

// A panel or band of one colour behind a text, see-through by 1 - alpha:
// blending on for it only.
static void drawBand(int left, int top, int right, int bottom, float red, float green, float blue, float alpha) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(red, green, blue, alpha);
    glRecti(left, top, right, bottom);
    glDisable(GL_BLEND);
}

void warmBandDrawing() {
    enable2D();
    drawBand(0, 0, 1, 1, 0, 0, 0, 0);  // wholly see-through: no pixel changes
    disable2D();
}

void drawHelpOverlay() {
    if (!textFont || !textFont->usable()) return;
    const std::vector<KeyHelpLine> lines = helpLinesNow();
    const int count = int(lines.size());
    const int size = helpPixelHeight(screenWidth, screenHeight, count, measureHelp);
    const HelpPanel panel = helpPanel(screenWidth, screenHeight, count, size, measureHelp(size));
    enable2D();
    drawBand(panel.left, panel.top, panel.right, panel.bottom, 0, 0, 0, 0.8f);

    glColor3f(1, 1, 1);
    int y = panel.firstBaseline;
    printAt(panel.textLeft, y, textCharacters(kHelpTitle), size);
    y += panel.lineHeight;
    for (const KeyHelpLine& line : lines) {
        y += panel.lineHeight;
        printAt(panel.textLeft, y, textCharacters(line.keys), size);
        printAt(panel.actionLeft, y, textCharacters(line.action), size);
    }
    disable2D();
}

void drawFindText(const FindText& find) {
    if (!textFont) return;
    const std::u32string text = windows1252Characters(findLine(find));
    const int size = textPixelHeight(screenHeight);
    enable2D();
    if (find.matched)
        glColor3f(1, 1, 1);
    else
        glColor3f(1, 0.5f, 0.5f);
    const int x = std::max(1, (screenWidth - textFont->width(text, size)) / 2);
    printAt(x, scaledPixels(kFindBaseline, screenHeight), text, size);
    disable2D();
}

void drawPlayerNotice(const std::vector<std::string>& paragraphs) {
    if (paragraphs.empty() || !textFont) return;
    const NoticeLayout layout =
        noticeLayout(paragraphs, screenWidth, screenHeight, textFont->advances(textPixelHeight(screenHeight)));
    enable2D();
    drawBand(layout.left, layout.top, layout.right, layout.bottom, 0.45f, 0.05f, 0.05f, 0.85f);
    glColor3f(1, 0.9f, 0.45f);
    int y = layout.firstBaseline;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        printAt(layout.lineLeft[i], y, layout.lines[i], layout.pixelHeight);
        y += layout.lineHeight;
    }
    disable2D();
}
