// The atlas texture is GL_ALPHA: a glyph's coverage is its alpha, the colour
// is the current one (GL_MODULATE), blended over the frame. One-bit glyphs
// (coverage 0 or 255) so give exactly the pixels glBitmap gave.
#include "render/text_font.h"

#include <GL/gl.h>

#include <string>
#include <vector>

#include "render/unicode_text.h"

namespace {

const int kFirstAtlasSide = 1024;
const int kLargestAtlasSide = 2048;
const int kLargestPixelHeight = 400;  // bigger texts are drawn at this size
const int kCapMeasureHeight = 100;

uint64_t glyphKey(char32_t c, int pixelHeight) { return uint64_t(pixelHeight) << 32 | c; }

int clampedSize(int pixelHeight) {
    return pixelHeight < 1 ? 1 : pixelHeight > kLargestPixelHeight ? kLargestPixelHeight : pixelHeight;
}

}  // namespace

TextFont::TextFont() : atlas_(kFirstAtlasSide) {
    std::string error;
    faces_ = platform::openGlyphFaces(&error);
    if (!faces_) {
        const std::string text = "No font for the caption and the other texts: " + error + ".";
        platform::messageBox("ERROR", text.c_str(), platform::MessageKind::Warning);
    }
}

TextFont::~TextFont() {
    if (texture_ != 0) glDeleteTextures(1, &texture_);
    platform::closeGlyphFaces(faces_);
}

void TextFont::forgetGlNames() {
    texture_ = 0;  // it went with the old context; nothing to delete
    glyphs_.clear();
    atlas_.clear();
    ++generation_;
}

void TextFont::makeTexture(int side) {
    if (texture_ != 0) glDeleteTextures(1, &texture_);
    glGenTextures(1, &texture_);
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // Cleared once, so that a texel outside every glyph samples as nothing.
    const std::vector<uint8_t> clear(size_t(side) * size_t(side), 0);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, side, side, 0, GL_ALPHA, GL_UNSIGNED_BYTE, clear.data());
    glPopClientAttrib();
    glPopAttrib();
    atlas_ = GlyphAtlas(side);
}

void TextFont::upload(const platform::TextGlyph& image, int x, int y) {
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, image.width, image.rows, GL_ALPHA, GL_UNSIGNED_BYTE,
                    image.coverage.data());
    glPopClientAttrib();
    glPopAttrib();
}

const TextFont::Glyph& TextFont::glyph(char32_t c, int pixelHeight) {
    const uint64_t key = glyphKey(c, pixelHeight);
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;

    platform::TextGlyph image;
    if (isInvisibleCharacter(c)) {
        // nothing to draw and no room taken
    } else if (isControlCharacter(c) || !platform::renderTextGlyph(faces_, c, pixelHeight, &image)) {
        image = missingGlyphBox(pixelHeight);
    }
    Glyph glyph;
    glyph.width = image.width;
    glyph.rows = image.rows;
    glyph.left = image.left;
    glyph.top = image.top;
    glyph.advance = image.advance;
    if (!image.coverage.empty()) {
        if (texture_ == 0) makeTexture(kFirstAtlasSide);
        if (!atlas_.place(image.width, image.rows, &glyph.atlasX, &glyph.atlasY)) {
            // Full: begin again, in a bigger texture while there is one to be had.
            glyphs_.clear();
            ++generation_;
            if (atlas_.side() < kLargestAtlasSide) makeTexture(atlas_.side() * 2);
            else atlas_.clear();
            if (!atlas_.place(image.width, image.rows, &glyph.atlasX, &glyph.atlasY)) glyph.width = glyph.rows = 0;
        }
        if (glyph.width > 0) upload(image, glyph.atlasX, glyph.atlasY);
    }
    return glyphs_.emplace(key, glyph).first->second;
}

int TextFont::advance(char32_t c, int pixelHeight) {
    if (!faces_) return 0;
    return glyph(c, clampedSize(pixelHeight)).advance;
}

AdvanceOf TextFont::advances(int pixelHeight) {
    return [this, pixelHeight](char32_t c) { return advance(c, pixelHeight); };
}

int TextFont::width(const std::u32string& text, int pixelHeight) { return textWidth(text, advances(pixelHeight)); }

double TextFont::capHeightPerEm() {
    if (capHeightPerEm_ < 0) {
        platform::TextGlyph capital;
        capHeightPerEm_ = faces_ && platform::renderTextGlyph(faces_, U'H', kCapMeasureHeight, &capital)
                              ? double(capital.top) / kCapMeasureHeight
                              : 0;
    }
    return capHeightPerEm_;
}

void TextFont::draw(const std::u32string& text, int penX, int baseline, int pixelHeight) {
    if (!faces_ || text.empty()) return;
    const int size = clampedSize(pixelHeight);
    // Every glyph into the atlas first; should the atlas be emptied on the
    // way, once more, so that all of them are in the texture that is drawn.
    std::vector<Glyph> glyphs;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const unsigned generation = generation_;
        glyphs.clear();
        for (char32_t c : text) glyphs.push_back(glyph(c, size));
        if (generation == generation_) break;
    }
    const float side = float(atlas_.side());
    // On: 2-D texturing with the atlas, blending by the coverage. Off again below.
    glPushAttrib(GL_TEXTURE_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    int pen = penX;
    for (const Glyph& g : glyphs) {
        if (g.width > 0 && g.rows > 0) {
            const int x0 = pen + g.left, y0 = baseline - g.top, x1 = x0 + g.width, y1 = y0 + g.rows;
            const float s0 = g.atlasX / side, t0 = g.atlasY / side;
            const float s1 = (g.atlasX + g.width) / side, t1 = (g.atlasY + g.rows) / side;
            glTexCoord2f(s0, t0);
            glVertex2i(x0, y0);
            glTexCoord2f(s1, t0);
            glVertex2i(x1, y0);
            glTexCoord2f(s1, t1);
            glVertex2i(x1, y1);
            glTexCoord2f(s0, t1);
            glVertex2i(x0, y1);
        }
        pen += g.advance;
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glPopAttrib();
}
