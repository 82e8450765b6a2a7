// The caption's bitmap font: glyphs built once by the platform layer into one
// glBitmap display list per Windows-1252 code 32 .. 254.
#include "render/font_loader.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

const int kFirstCode = 32;
const int kGlyphCount = 223;      // codes 32 .. 254
const int kCharacterHeight = 15;  // pixels; every glyph then advances 9

// Keeps only the bytes that have a glyph list, so no byte of the text can
// call a display list outside the font's own block.
size_t keepDrawableBytes(char* text) {
    size_t kept = 0;
    for (size_t i = 0; text[i] != '\0'; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= kFirstCode && byte < kFirstCode + kGlyphCount) text[kept++] = char(byte);
    }
    text[kept] = '\0';
    return kept;
}

}  // namespace

FontLoader::FontLoader() { buildFont(); }

FontLoader::~FontLoader() { KillFont(); }

void FontLoader::buildFont() {
    listBase = glGenLists(kGlyphCount);
    std::string error;
    if (!platform::buildCaptionFont(listBase, kCharacterHeight, kFirstCode, kGlyphCount, &error)) {
        // The lists stay empty: the program runs on without a caption.
        const std::string text = "No caption font: " + error + ".";
        platform::messageBox("ERROR", text.c_str(), platform::MessageKind::Warning);
    }
}

void FontLoader::KillFont() {
    // listBase 0 means no block was reserved, or it is already gone.
    if (listBase == 0) return;
    glDeleteLists(listBase, kGlyphCount);
    listBase = 0;
}

void FontLoader::glPrint(const char* fmt, ...) {
    if (!fmt) return;
    glDisable(GL_DEPTH_TEST);
    char text[256];
    va_list args;
    va_start(args, fmt);
    const int written = std::vsnprintf(text, sizeof text, fmt, args);  // cuts at 255 bytes
    va_end(args);
    if (written < 0) text[0] = '\0';
    const size_t length = listBase != 0 ? keepDrawableBytes(text) : 0;
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase - kFirstCode);  // byte c calls list listBase + (c - 32)
    glCallLists(GLsizei(length), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glEnable(GL_DEPTH_TEST);
}
