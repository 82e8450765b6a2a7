// The selected album's name under the strip. Names on disk are UTF-8; the font
// holds the Windows-1252 glyphs 32 .. 254, each 9 pixels wide, so the name is
// converted byte for glyph and centred by the number of glyphs drawn.
#include "render/caption.h"

#include <GL/gl.h>

#include <cstdint>

#include "app/app_state.h"
#include "platform/glyph_raster.h"
#include "render/font_loader.h"
#include "render/overlay.h"

namespace {

const size_t kMaxCaptionBytes = 255;  // the font's text buffer less its terminator
const double kGlyphHalfWidth = 4.5;
const double kLeftMargin = 1;
const int kBaselineAboveBottom = 35;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one UTF-8 character at `text`: its length in bytes, or 0 when the
// bytes there are not a valid, shortest-form sequence.
int decodeUtf8(const unsigned char* text, uint32_t* codePoint) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    int length = 0;
    uint32_t value = 0, lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1F, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0F, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07, lowest = 0x10000;
    else return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(text[i])) return 0;  // also stops at the terminator
        value = (value << 6) | (text[i] & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < lowest || value > 0x10FFFF || surrogate) return 0;
    *codePoint = value;
    return length;
}

// The glyph for a decoded character: '?' unless the font has one for it.
char glyphForCharacter(uint32_t codePoint) {
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
    const int code = control ? -1 : unicodeToWindows1252(codePoint);
    return code >= 0x20 && code <= 0xFE ? char(code) : '?';
}

// A byte that is not UTF-8 stands for its own Windows-1252 code (0xFF has no glyph).
char glyphForStrayByte(unsigned char byte) { return byte <= 0xFE ? char(byte) : '?'; }

}  // namespace

std::string captionText(const char* name) {
    std::string text;
    if (!name) return text;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(name);
    while (*at != 0 && text.size() < kMaxCaptionBytes) {
        uint32_t codePoint = 0;
        const int length = decodeUtf8(at, &codePoint);
        if (length > 0) {
            text += glyphForCharacter(codePoint);
            at += length;
        } else {
            text += glyphForStrayByte(*at);
            at += 1;
        }
    }
    return text;
}

double captionX(int characters, int screenWidth) {
    const double x = screenWidth * 0.5 - characters * kGlyphHalfWidth;
    return x > kLeftMargin ? x : kLeftMargin;
}

void drawCaption(const char* albumName) {
    const std::string text = captionText(albumName);
    enable2D();
    glColor3f(1, 1, 1);  // before the raster position, which takes the current colour
    glRasterPos2f(float(captionX(int(text.size()), screenWidth)),
                  float(screenHeight - kBaselineAboveBottom));
    if (font) font->glPrint("%s", text.c_str());  // the name is text, never a format
    disable2D();
}
