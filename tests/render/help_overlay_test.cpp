// The help panel's and the notice's layout, the search line, without a window:
// a monospace stand-in whose advance is 0.6 of the character height (9 at 15).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/key_help.h"
#include "app/type_to_find.h"
#include "render/help_overlay.h"

namespace {

int monospaceAdvance(int pixelHeight) { return int(std::lround(pixelHeight * 0.6)); }

// The help's key table, a pad's buttons included (its longest form), measured in that font.
HelpMeasure measureAt(int pixelHeight) {
    size_t widestKey = 0, widestAction = 0;
    for (const KeyHelpLine& line : shownHelpLines(true)) {
        widestKey = std::max(widestKey, std::strlen(line.keys));
        widestAction = std::max(widestAction, std::strlen(line.action));
    }
    const int cell = monospaceAdvance(pixelHeight);
    HelpMeasure measure;
    measure.keyColumn = int(widestKey + 3) * cell;
    measure.textWidth = std::max(30 * cell, measure.keyColumn + int(widestAction) * cell);
    return measure;
}

TEST(HelpPanel, At600TheDesignsPlaceAndFromThereTheTextGrowsButAlwaysFits) {
    EXPECT_EQ(shownHelpLines(true).size(), keyHelpLines().size() + padHelpLines().size());
    EXPECT_EQ(shownHelpLines(false).size(), keyHelpLines().size());
    const int lines = int(shownHelpLines(true).size());
    const HelpPanel design = helpPanel(600, 600, 11, 15, HelpMeasure{216, 522});
    EXPECT_EQ(design.left, 23);
    EXPECT_EQ(design.right, 577);
    EXPECT_EQ(design.top, 154);
    EXPECT_EQ(design.bottom, 446);
    EXPECT_EQ(design.textLeft, 39);
    EXPECT_EQ(design.actionLeft, 39 + 216);
    EXPECT_EQ(design.firstBaseline, 185);
    EXPECT_EQ(design.lineHeight, 20);

    const struct {
        int width, height, size;  // size -1: whatever fits
    } windows[] = {
        {600, 600, 15}, {900, 600, 15}, {1920, 1080, 27}, {3840, 2160, 54}, {1280, 720, 18},
        {600, 1080, -1}, {400, 300, -1}, {2160, 3840, -1},
    };
    for (const auto& w : windows) {
        const int size = helpPixelHeight(w.width, w.height, lines, measureAt);
        if (w.size > 0) {
            EXPECT_EQ(size, w.size) << w.width << "x" << w.height;
        }
        const HelpPanel panel = helpPanel(w.width, w.height, lines, size, measureAt(size));
        EXPECT_GE(panel.left, 1) << w.width << "x" << w.height;
        EXPECT_LE(panel.right, w.width - 1) << w.width << "x" << w.height;
        EXPECT_GE(panel.top, 1) << w.width << "x" << w.height;
        EXPECT_LE(panel.bottom, w.height - 1) << w.width << "x" << w.height;
        EXPECT_LE(panel.firstBaseline + (lines + 1) * panel.lineHeight, panel.bottom) << w.width << "x" << w.height;
        EXPECT_LE(panel.left + panel.right, w.width + 1) << "centred";
        EXPECT_GE(panel.left + panel.right, w.width - 1) << "centred";
    }
    EXPECT_LT(helpPixelHeight(600, 1080, lines, measureAt), 27) << "too narrow for the height's size";
}

TEST(HelpPanel, TheSearchLineSaysWhenNothingMatches) {
    FindText find;
    find.text = "bj\xF6";
    EXPECT_EQ(findLine(find), "Find: bj\xF6");
    find.matched = false;
    EXPECT_EQ(findLine(find), "Find: bj\xF6  (no album)");
}

TEST(NoticeLayout, WrapsToTheWindowAndStaysInItsTopHalf) {
    const AdvanceOf nine = [](char32_t) { return 9; };
    const std::vector<std::string> paragraphs = {
        "No music player found on PATH (tried vlc, audacious, mpv, celluloid, qmmp)",
        "Set musicplayer in ~/.config/vellora/vellora.ini to choose it"};
    // 600 wide: the first paragraph takes two lines, nothing is lost.
    NoticeLayout layout = noticeLayout(paragraphs, 600, 600, nine);
    ASSERT_EQ(layout.lines.size(), 3u);
    EXPECT_EQ(layout.lines[0], U"No music player found on PATH (tried vlc, audacious, mpv,");
    EXPECT_EQ(layout.lines[1], U"celluloid, qmmp)");
    EXPECT_EQ(layout.top, 48);
    EXPECT_EQ(layout.firstBaseline, 64);
    EXPECT_EQ(layout.lineHeight, 17);
    EXPECT_EQ(layout.bottom, 64 + 2 * 17 + 7);
    EXPECT_GE(layout.left, 0);
    EXPECT_LE(layout.right, 600);
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        EXPECT_GE(layout.lineLeft[i], 1);
        EXPECT_LE(layout.lineLeft[i] + int(layout.lines[i].size()) * 9, 600);
    }
    // Short lines stand as they are, each centred.
    layout = noticeLayout({"Cannot start \"mpv\": not found on PATH"}, 600, 600, nine);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lineLeft[0], (600 - 37 * 9) / 2);
    // A path with no spaces breaks after its slashes; a huge one is cut at the window's middle.
    const std::string path = "Cannot start \"/opt/" + std::string(2000, 'p') + "\"";
    layout = noticeLayout({path, paragraphs[1]}, 600, 600, nine);
    EXPECT_EQ(layout.lines[0], U"Cannot start \"/opt/");
    EXPECT_LE(layout.bottom, 300 + 17);
    EXPECT_EQ(layout.lines.back().back(), U'\u2026');
    // At 1080 lines the text is 27 pixels high and the band lower in proportion.
    layout = noticeLayout(paragraphs, 1920, 1080, [](char32_t) { return 16; });
    EXPECT_EQ(layout.pixelHeight, 27);
    EXPECT_EQ(layout.top, 86);
    EXPECT_EQ(layout.lines.size(), 2u);
}

}  // namespace
