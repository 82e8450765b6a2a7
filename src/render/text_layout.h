// How big the texts on screen are and where their lines break: sizes from
// the window's height, widths from glyph advances, wrapping to a width. Pure;
// the advances come in as a function, so tests need no font.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The design's text: a character height of 15 pixels in a 600-line window.
constexpr int kDesignTextPixels = 15;
constexpr int kDesignWindowHeight = 600;

// How much the texts grow: 1 up to 600 lines, then in proportion (1.8 at 1080).
double textScale(int windowHeight);
// `designPixels` (a size or distance of the 600-line layout) at that scale, rounded.
int scaledPixels(int designPixels, int windowHeight);
// The character height of the search line, the notices, the key help and the
// empty-library line: 15 pixels up to 600 lines, 27 at 1080, 54 at 2160.
int textPixelHeight(int windowHeight);
// The caption's character height: 15 pixels up to 600 lines, growing faster
// above so that its capitals stand 2.6 % of the window's height from 1080
// lines on (`capHeightPerEm`: the face's capital height over its character
// height, 0.67 for Liberation Mono Bold: 42 pixels at 1080, 84 at 2160);
// never below textPixelHeight.
int captionPixelHeight(int windowHeight, double capHeightPerEm);

// Pixels the pen moves for one character at the size in use.
using AdvanceOf = std::function<int(char32_t)>;
int textWidth(const std::u32string& text, const AdvanceOf& advanceOf);

// `text` broken into lines no wider than `maxWidth`: after a space (which
// then goes), after '/', '\\' or '-', or, for a run with no such place,
// between two characters; every line holds at least one character. At most
// `maxLines` lines: the last one kept then ends in "…" within the width.
std::vector<std::u32string> wrapText(const std::u32string& text, int maxWidth, const AdvanceOf& advanceOf,
                                     int maxLines);
