// The screen-space texts over the scene: the F1 help (every key and mouse
// action on a dark panel), the search text of type-to-find, and the notice of
// a player that could not be started.
#pragma once

#include <string>
#include <vector>

struct FindText;

// Where the help panel goes in a width x height window: centred, sized for
// `lines` rows of the key table under a title, 9-pixel glyphs.
struct HelpPanel {
    int left, top, right, bottom;  // pixels, origin top-left
    int textLeft;                  // x of the key column
    int actionLeft;                // x of the action column
    int firstBaseline;             // baseline of the title; rows follow kHelpLineHeight apart
};
constexpr int kHelpLineHeight = 20;
constexpr int kHelpKeyColumnChars = 24;     // room for a key text and the gap after it
constexpr int kHelpActionColumnChars = 34;  // room for an action text
HelpPanel helpPanel(int width, int height, int lines);

// What the search line says: "Find: abc", or "Find: abc  (no album)".
std::string findLine(const FindText& find);

// Draws the help panel with the global font. Expects what drawScene leaves
// (lighting, texturing, blending off); leaves the same, depth test on.
void drawHelpOverlay();
// Draws the search line centred near the top, white, or pale red when no
// album matches. Same GL state rules as drawHelpOverlay.
void drawFindText(const FindText& find);

// Where the player notice stands: a dark red band right below the search
// line's place, all within the top 90 pixels, its lines in pale yellow.
constexpr int kNoticeTop = 48;
constexpr int kNoticeLineHeight = 17;
constexpr int kNoticeFirstBaseline = kNoticeTop + 16;
// The band's bottom for `lines` lines (two: 88).
int noticeBottom(int lines);
// Draws the notice centred near the top. Same GL state rules as drawHelpOverlay.
void drawPlayerNotice(const std::vector<std::string>& lines);
