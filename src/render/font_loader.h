// Not on the live path: every text is drawn by TextFont (text_font.h); this
// display-list font is kept as the design's, and the tests compare the new
// drawing of Windows-1252 texts at 15 pixels with it.
// The caption's bitmap font: 223 display lists, one per Windows-1252 code
// 32 .. 254 at listBase + (c - 32), each drawing its glyph and advancing the
// raster position by 9 pixels. Needs the GL context for its whole life.
#pragma once

#include <cstdint>

class FontLoader {
public:
    FontLoader();   // buildFont
    ~FontLoader();  // KillFont
    FontLoader(const FontLoader&) = delete;  // one owner for the block of lists
    FontLoader& operator=(const FontLoader&) = delete;

    void buildFont();
    void KillFont();
    // printf-style; the formatted text is cut to 255 bytes and bytes outside
    // 32 .. 254 are skipped. A null fmt draws nothing. Draws at the current
    // raster position, list base kept, depth test on afterwards.
    void glPrint(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    uint32_t listBase = 0;
};
