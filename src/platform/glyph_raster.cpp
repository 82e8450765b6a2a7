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

bool smoothGlyph(int pixelHeight, bool captionFace) { return !captionFace || pixelHeight > 15; }

platform::TextGlyph textGlyphFrom(const MonoBitmap& bitmap, int greyMax, int advance) {
    platform::TextGlyph glyph;
    glyph.advance = advance;
    if (bitmap.width <= 0 || bitmap.rows <= 0 || !bitmap.buffer) return glyph;
    glyph.width = bitmap.width;
    glyph.rows = bitmap.rows;
    glyph.left = bitmap.left;
    glyph.top = bitmap.top;
    glyph.coverage.resize(size_t(bitmap.width) * size_t(bitmap.rows));
    const int stride = std::abs(bitmap.pitch);
    for (int fromTop = 0; fromTop < bitmap.rows; ++fromTop) {
        const int stored = bitmap.pitch >= 0 ? fromTop : bitmap.rows - 1 - fromTop;
        const uint8_t* source = bitmap.buffer + size_t(stored) * size_t(stride);
        uint8_t* target = &glyph.coverage[size_t(fromTop) * size_t(bitmap.width)];
        for (int x = 0; x < bitmap.width; ++x) {
            if (greyMax <= 0) {
                target[x] = (source[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            } else {
                const int value = source[x] >= greyMax ? greyMax : source[x];
                target[x] = uint8_t((value * 255 + greyMax / 2) / greyMax);
            }
        }
    }
    return glyph;
}

namespace {

// Big-endian reads that give 0 past the end.
struct Bytes {
    const uint8_t* data;
    size_t size;
    uint32_t u16(size_t at) const { return at + 2 <= size ? uint32_t(data[at]) << 8 | data[at + 1] : 0; }
    uint32_t u32(size_t at) const { return at + 4 <= size ? u16(at) << 16 | u16(at + 2) : 0; }
};

uint32_t format12Index(const Bytes& b, size_t at, char32_t c) {
    const uint32_t groups = b.u32(at + 12);
    if (at + 16 + size_t(groups) * 12 > b.size) return 0;
    size_t low = 0, high = groups;
    while (low < high) {
        const size_t middle = (low + high) / 2, group = at + 16 + middle * 12;
        if (c < b.u32(group)) high = middle;
        else if (c > b.u32(group + 4)) low = middle + 1;
        else return b.u32(group + 8) + (c - b.u32(group));
    }
    return 0;
}

uint32_t format4Index(const Bytes& b, size_t at, char32_t c) {
    if (c > 0xFFFF) return 0;
    const size_t segments = b.u16(at + 6) / 2;
    const size_t ends = at + 14, starts = ends + segments * 2 + 2, deltas = starts + segments * 2,
                 offsets = deltas + segments * 2;
    if (offsets + segments * 2 > b.size) return 0;
    for (size_t i = 0; i < segments; ++i) {
        if (c > b.u16(ends + i * 2)) continue;
        const uint32_t start = b.u16(starts + i * 2);
        if (c < start) return 0;
        const uint32_t delta = b.u16(deltas + i * 2), offset = b.u16(offsets + i * 2);
        if (offset == 0) return (c + delta) & 0xFFFF;
        const size_t glyphAt = offsets + i * 2 + offset + (c - start) * 2;
        const uint32_t glyph = glyphAt + 2 <= b.size ? b.u16(glyphAt) : 0;
        return glyph ? (glyph + delta) & 0xFFFF : 0;
    }
    return 0;
}

}  // namespace

uint32_t cmapGlyphIndex(const uint8_t* table, size_t size, char32_t codePoint) {
    const Bytes b{table, table ? size : 0};
    const uint32_t count = b.u16(2);
    size_t full = 0, bmp = 0;  // offsets of the subtables to use, 0: none
    for (uint32_t i = 0; i < count; ++i) {
        const size_t record = 4 + size_t(i) * 8;
        const uint32_t platformId = b.u16(record), encoding = b.u16(record + 2), offset = b.u32(record + 4);
        const bool unicode = platformId == 0 || (platformId == 3 && (encoding == 1 || encoding == 10));
        if (!unicode || offset == 0 || offset >= b.size) continue;
        const uint32_t format = b.u16(offset);
        if (format == 12 && !full) full = offset;
        if (format == 4 && !bmp) bmp = offset;
    }
    if (full) return format12Index(b, full, codePoint);
    if (bmp) return format4Index(b, bmp, codePoint);
    return 0;
}
