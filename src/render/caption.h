// What the caption says and where it starts (pure; no GL).
#pragma once

#include <string>

// The album name as the caption font's Windows-1252 bytes, one byte per glyph
// drawn: UTF-8 characters converted, characters outside the font's codes
// 32 .. 254 (control characters, U+00FF) as '?', bytes that are not valid
// UTF-8 taken as they stand (0xFF as '?'); cut to 255 bytes. Null gives "".
std::string captionText(const char* name);

// The x of the caption's first glyph, centred for `characters` glyphs of 9
// pixels in a window `screenWidth` wide, never left of x = 1.
double captionX(int characters, int screenWidth);

// Writes `albumName` in white with the global `font`, centred, its baseline 35
// pixels above the bottom edge, in screen space (enable2D .. disable2D).
// Expects lighting, texturing and blending off, as drawScene leaves them.
void drawCaption(const char* albumName);
