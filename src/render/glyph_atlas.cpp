#include "render/glyph_atlas.h"

#include <algorithm>
#include <cmath>

namespace {

const int kGap = 1;  // texels kept free around each glyph

}  // namespace

GlyphAtlas::GlyphAtlas(int side) : side_(side) {}

bool GlyphAtlas::place(int width, int height, int* x, int* y) {
    const int w = width + kGap, h = height + kGap;
    if (w > side_ || h > side_) return false;
    // A shelf no more than a quarter taller than the glyph, so small glyphs do
    // not fill the rows of big ones.
    for (Shelf& shelf : shelves_) {
        if (h > shelf.height || h * 5 < shelf.height * 4 - 4 || shelf.used + w > side_) continue;
        *x = shelf.used;
        *y = shelf.top;
        shelf.used += w;
        return true;
    }
    if (nextTop_ + h > side_) return false;
    shelves_.push_back({nextTop_, h, w});
    *x = 0;
    *y = nextTop_;
    nextTop_ += h;
    return true;
}

void GlyphAtlas::clear() {
    shelves_.clear();
    nextTop_ = 0;
}

platform::TextGlyph missingGlyphBox(int pixelHeight) {
    platform::TextGlyph box;
    const int size = std::max(1, pixelHeight);
    box.advance = std::max(3, int(std::lround(size * 0.6)));
    box.width = std::max(3, box.advance - 2);
    box.rows = std::max(3, int(std::lround(size * 0.67)));
    box.left = (box.advance - box.width) / 2;
    box.top = box.rows;
    const int line = std::max(1, int(std::lround(size / 15.0)));
    box.coverage.assign(size_t(box.width) * size_t(box.rows), 0);
    for (int y = 0; y < box.rows; ++y)
        for (int x = 0; x < box.width; ++x) {
            const bool edge = x < line || y < line || x >= box.width - line || y >= box.rows - line;
            if (edge) box.coverage[size_t(y) * size_t(box.width) + size_t(x)] = 255;
        }
    return box;
}
