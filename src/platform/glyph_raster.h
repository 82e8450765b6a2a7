// The caption font's pure parts: the Windows-1252 code page and the turning of
// a one-bit FreeType bitmap into glBitmap's layout. No GL, no font engine.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The Unicode code point of Windows-1252 code `code` (0 .. 255), or 0 for the
// five codes the page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
uint32_t windows1252ToUnicode(int code);

// The Windows-1252 code of Unicode code point `codePoint`, or -1 when the page
// has no such character.
int unicodeToWindows1252(uint32_t codePoint);

// A one-bit bitmap as FreeType renders it: `rows` rows of `width` pixels,
// most significant bit leftmost; a positive `pitch` stores the top row first,
// a negative one the bottom row first. `left` and `top` place the bitmap's
// top-left pixel relative to the pen on the baseline, y up.
struct MonoBitmap {
    int width = 0;
    int rows = 0;
    int pitch = 0;
    const uint8_t* buffer = nullptr;
    int left = 0;
    int top = 0;
};

// The same glyph for glBitmap: bottom row first, rows padded to 4 bytes, bits
// beyond `width` cleared, origin from left/top, advancing the pen `advance`
// pixels along x.
platform::GlyphBitmap glyphFromMono(const MonoBitmap& mono, float advance);
