// The help panel's layout and the search line, without a window.
#include <gtest/gtest.h>

#include <cstring>

#include "app/key_help.h"
#include "app/type_to_find.h"
#include "render/help_overlay.h"

namespace {

TEST(HelpPanel, EveryLineFitsItsColumnAndThePanelFitsTheWindow) {
    // The longest help: the keys and a gamepad's buttons.
    const std::vector<KeyHelpLine> lines = shownHelpLines(true);
    EXPECT_EQ(lines.size(), keyHelpLines().size() + padHelpLines().size());
    EXPECT_EQ(shownHelpLines(false).size(), keyHelpLines().size());
    for (const KeyHelpLine& line : lines) {
        EXPECT_LT(int(std::strlen(line.keys)), kHelpKeyColumnChars) << line.keys;
        EXPECT_LE(int(std::strlen(line.action)), kHelpActionColumnChars) << line.action;
        for (const char* c = line.action; *c; ++c) EXPECT_TRUE(*c >= 32 && *c < 127) << line.action;
    }
    const HelpPanel panel = helpPanel(600, 600, int(lines.size()));
    EXPECT_GE(panel.left, 0);
    EXPECT_LE(panel.right, 600);
    EXPECT_EQ(panel.left + panel.right, 600) << "centred";
    EXPECT_LE(panel.actionLeft + kHelpActionColumnChars * 9, panel.right);
    EXPECT_LE(panel.firstBaseline + (int(lines.size()) + 1) * kHelpLineHeight, panel.bottom);
    EXPECT_LE(panel.bottom, 600);
    EXPECT_GE(panel.top, 0);
    const HelpPanel wide = helpPanel(1600, 900, int(lines.size()));
    EXPECT_EQ(wide.left + wide.right, 1600);
    EXPECT_EQ(wide.top + wide.bottom, 900);
}

TEST(HelpPanel, TheSearchLineSaysWhenNothingMatches) {
    FindText find;
    find.text = "bj\xF6";
    EXPECT_EQ(findLine(find), "Find: bj\xF6");
    find.matched = false;
    EXPECT_EQ(findLine(find), "Find: bj\xF6  (no album)");
}

}  // namespace
