// What the caption says and where it stands (pure; no GL), and its drawing.
#pragma once

#include <string>

// The album name as the display-list font's Windows-1252 bytes, one byte per
// glyph: UTF-8 composed to NFC and converted, characters outside the codes
// 32 .. 254 (control characters, U+00FF, every other script) as '?', bytes
// that are not valid UTF-8 taken as they stand (0xFF as '?'); cut to 255
// bytes. Null gives "". Type-to-find compares names in this form.
std::string captionText(const char* name);

// What the caption draws: the name's characters composed to NFC
// (textCharacters), at most 255 of them.
std::u32string captionCharacters(const char* name);

// The x of the caption's pen, centred for a text `drawnWidth` pixels wide in
// a window `screenWidth` wide, never left of x = 1.
double captionX(int drawnWidth, int screenWidth);

// The caption's baseline, pixels from the top: 35 pixels above the bottom
// edge in a window up to 600 lines high, the same share of taller ones.
int captionBaseline(int screenHeight);

// Writes `albumName` in white with the global text font, centred, at the
// caption's size for the window (captionPixelHeight), in screen space
// (enable2D .. disable2D). Expects lighting, texturing and blending off, as
// drawScene leaves them, and leaves them so.
void drawCaption(const char* albumName);
