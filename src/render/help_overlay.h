// The screen-space texts over the scene: the F1 help (every key and mouse
// action on a dark panel), the search text of type-to-find, and the notice of
// a player that could not be started. All grow with the window's height
// (text_layout.h); the help shrinks again where the window is too small for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "render/text_layout.h"

struct FindText;

// The help's text measured at one size: from the key column's start to the
// action column's, and the width of the widest line (title or key + action).
struct HelpMeasure {
    int keyColumn = 0;
    int textWidth = 0;
};
using HelpMeasureAt = std::function<HelpMeasure(int pixelHeight)>;

// Where the help panel goes in a width x height window: centred, sized for
// `lines` rows of the key table under a title at `pixelHeight`; at the
// design's 15 pixels its spacing is the design's (20-pixel rows, 16 pixels of
// padding), at other sizes the same in proportion.
struct HelpPanel {
    int left, top, right, bottom;  // pixels, origin top-left
    int textLeft;                  // x of the key column
    int actionLeft;                // x of the action column
    int firstBaseline;             // baseline of the title; rows follow lineHeight apart
    int lineHeight;
    int pixelHeight;               // character height of its text
};
HelpPanel helpPanel(int width, int height, int lines, int pixelHeight, const HelpMeasure& measure);
// The help's character height: the search line's (textPixelHeight), or
// smaller until the panel fits the window with a margin (8 pixels at 600
// lines); 6 pixels at the least.
int helpPixelHeight(int width, int height, int lines, const HelpMeasureAt& measureAt);

// What the search line says: "Find: abc", or "Find: abc  (no album)"
// (Windows-1252, as typed).
std::string findLine(const FindText& find);

// The notice laid out in a width x height window: its paragraphs wrapped to
// the window's width (at most to the window's middle, the last line kept then
// ending in "…"), each line centred, on a dark red band below the search
// line's place. At 600 lines: the band from y = 48, lines 17 apart.
struct NoticeLayout {
    int pixelHeight = 0;
    int left = 0, top = 0, right = 0, bottom = 0;  // the band
    int firstBaseline = 0, lineHeight = 0;
    std::vector<std::u32string> lines;
    std::vector<int> lineLeft;  // x of each line's pen
};
NoticeLayout noticeLayout(const std::vector<std::string>& paragraphs, int width, int height,
                          const AdvanceOf& advanceOf);

// Draws the help panel with the global text font. Expects what drawScene
// leaves (lighting, texturing, blending off); leaves the same, depth test on.
void drawHelpOverlay();
// Draws the search line centred near the top, white, or pale red when no
// album matches. Same GL state rules as drawHelpOverlay.
void drawFindText(const FindText& find);
// Draws the notice's paragraphs (UTF-8) near the top, pale yellow on the
// band. Same GL state rules as drawHelpOverlay.
void drawPlayerNotice(const std::vector<std::string>& paragraphs);

// Draws a band no one can see, so that the GL driver builds its drawing of
// see-through bands now: a software renderer (llvmpipe) compiles it on first
// use, which took 60 ms in the frame of the first notice or help.
void warmBandDrawing();
