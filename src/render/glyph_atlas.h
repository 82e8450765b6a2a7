// Where glyph images go in the text atlas, a square texture that glyphs are
// added to as texts need them: rows ("shelves") of glyphs of about the same
// height, filled left to right, opened top to bottom. Pure; the texture and
// its uploads are the text font's. Also the box drawn for a character that no
// installed font has.
#pragma once

#include <vector>

#include "platform/platform.h"

class GlyphAtlas {
public:
    explicit GlyphAtlas(int side);  // texels a side

    // Finds room for a width x height image, one texel of space around it;
    // false when the atlas is full (clear it, or make a bigger one).
    bool place(int width, int height, int* x, int* y);
    void clear();
    int side() const { return side_; }

private:
    struct Shelf {
        int top, height, used;
    };
    int side_;
    int nextTop_ = 0;  // where the next shelf opens
    std::vector<Shelf> shelves_;
};

// The glyph of a character no installed font has: the outline of a box as
// tall as a capital, about half a character height wide, lines thicker as the
// size grows, with the advance of a character of that size.
platform::TextGlyph missingGlyphBox(int pixelHeight);
