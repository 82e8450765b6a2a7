#include "platform/glyph_raster.h"

#include <cstdlib>

namespace {

// Codes 0x80 .. 0x9F, where Windows-1252 differs from Latin-1; 0 = undefined.
const uint32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

uint32_t windows1252ToUnicode(int code) {
    if (code < 0 || code > 255) return 0;
    if (code >= 0x80 && code <= 0x9F) return kHighControls[code - 0x80];
    return uint32_t(code);
}

int unicodeToWindows1252(uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return int(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint) return 0x80 + i;
    return -1;
}

platform::GlyphBitmap glyphFromMono(const MonoBitmap& mono, float advance) {
    platform::GlyphBitmap glyph;
    glyph.advance = advance;
    if (mono.width <= 0 || mono.rows <= 0 || !mono.buffer) return glyph;

    glyph.width = mono.width;
    glyph.rows = mono.rows;
    glyph.xorig = float(-mono.left);
    glyph.yorig = float(mono.rows - mono.top);

    const int rowBytes = (mono.width + 31) / 32 * 4;
    const int usedBytes = (mono.width + 7) / 8;
    const int stride = std::abs(mono.pitch);
    glyph.bits.assign(size_t(rowBytes) * size_t(mono.rows), 0);
    for (int fromTop = 0; fromTop < mono.rows; ++fromTop) {
        const int stored = mono.pitch >= 0 ? fromTop : mono.rows - 1 - fromTop;
        const uint8_t* source = mono.buffer + size_t(stored) * size_t(stride);
        uint8_t* target = &glyph.bits[size_t(mono.rows - 1 - fromTop) * size_t(rowBytes)];
        for (int b = 0; b < usedBytes; ++b) target[b] = source[b];
        if (mono.width % 8) target[usedBytes - 1] &= uint8_t(0xFF << (8 - mono.width % 8));
    }
    return glyph;
}
