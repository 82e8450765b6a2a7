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

// The text glyphs' pure parts (renderTextGlyph in platform.h).
//
// Whether a glyph is smoothed: all but those of the caption face at 15 pixels
// or less, which keep the bitmap font's one-bit look (and its pixels).
bool smoothGlyph(int pixelHeight, bool captionFace);

// `bitmap` as coverage for the text atlas: one bit a pixel when `greyMax` is
// 0, else one byte a pixel with `greyMax` for full coverage (FreeType 255,
// GDI's 8-bit grey 64); the pen moves `advance` pixels.
platform::TextGlyph textGlyphFrom(const MonoBitmap& bitmap, int greyMax, int advance);

// The glyph index a TrueType/OpenType 'cmap' table (`size` bytes) gives
// `codePoint`: from the Unicode full-repertoire subtable (format 12) when
// there is one, else the BMP subtable (format 4). 0 when the font has no
// glyph for it or the table is damaged; never reads outside the bytes.
uint32_t cmapGlyphIndex(const uint8_t* table, size_t size, char32_t codePoint);
