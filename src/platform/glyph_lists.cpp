#include "platform/glyph_lists.h"

#include <GL/gl.h>

void compileGlyphLists(uint32_t base, const std::vector<platform::GlyphBitmap>& glyphs) {
    // glBitmap reads its rows with the unpack state of the moment it is compiled.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    // An empty glyph (the space) still needs a pointer: Mesa records a null
    // bitmap as out of memory.
    static const GLubyte kNoBits[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const platform::GlyphBitmap& glyph = glyphs[i];
        glNewList(base + GLuint(i), GL_COMPILE);
        glBitmap(glyph.width, glyph.rows, glyph.xorig, glyph.yorig, glyph.advance, 0,
                 glyph.bits.empty() ? kNoBits : glyph.bits.data());
        glEndList();
    }
    glPopClientAttrib();
}
