// The font of every text on screen: glyphs of any Unicode character made when
// a text first needs them, at the size it is drawn at, into one alpha texture
// (the atlas), and drawn as textured quads on whole pixels, so a glyph looks
// exactly as rendered. A character no installed font has draws as a box.
// Replaces the display-list font (FontLoader) on the live path.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/platform.h"
#include "render/glyph_atlas.h"
#include "render/text_layout.h"

class TextFont {
public:
    // Opens the glyph faces; without any, says so in a warning box once and
    // then draws nothing (the program runs on without texts). Measuring and
    // drawing need the GL context: both put glyphs into the atlas.
    TextFont();
    ~TextFont();  // deletes the atlas texture: the GL context must still exist
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    bool usable() const { return faces_ != nullptr; }
    // Pixels the pen moves for `c` at a character height of `pixelHeight`.
    int advance(char32_t c, int pixelHeight);
    AdvanceOf advances(int pixelHeight);
    int width(const std::u32string& text, int pixelHeight);
    // The caption face's capital height over its character height, measured
    // on an 'H' rendered at 100 pixels (0.67 for Liberation Mono Bold); 0
    // when unusable.
    double capHeightPerEm();

    // Draws `text` with its pen starting at x = `penX` on the baseline
    // `baseline` (screen space of enable2D: pixels, y down), in the current
    // colour. Turns on for the glyphs only, and off again: 2-D texturing and
    // blending.
    void draw(const std::u32string& text, int penX, int baseline, int pixelHeight);

    // The GL context was made anew: the old atlas texture went with it.
    void forgetGlNames();

private:
    struct Glyph {
        int width = 0, rows = 0, left = 0, top = 0, advance = 0;
        int atlasX = 0, atlasY = 0;
    };
    const Glyph& glyph(char32_t c, int pixelHeight);
    void makeTexture(int side);
    void upload(const platform::TextGlyph& image, int x, int y);

    platform::GlyphFaces* faces_ = nullptr;
    GlyphAtlas atlas_;
    uint32_t texture_ = 0;                       // GL name of the atlas, 0 until the first glyph
    unsigned generation_ = 0;                    // counts the times the atlas was emptied
    std::unordered_map<uint64_t, Glyph> glyphs_; // by pixel height and code point, all in the atlas
    double capHeightPerEm_ = -1;
};
