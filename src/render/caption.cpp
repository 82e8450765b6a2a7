// The selected album's name under the strip, in any script, centred by the
// width its glyphs take.
#include "render/caption.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>

#include "app/app_state.h"
#include "platform/glyph_raster.h"
#include "render/overlay.h"
#include "render/text_font.h"
#include "render/unicode_text.h"

namespace {

const size_t kMaxCaptionCharacters = 255;  // the design's text buffer less its terminator
const double kLeftMargin = 1;
const int kBaselineAboveBottom = 35;
// A byte that is not UTF-8, carried through composition outside Unicode's range.
const char32_t kStrayByte = 0x110000;

// The glyph for a decoded character: '?' unless the display-list font has one for it.
char glyphForCharacter(char32_t codePoint) {
    if (codePoint >= kStrayByte) {
        const unsigned char byte = static_cast<unsigned char>(codePoint - kStrayByte);
        return byte <= 0xFE ? char(byte) : '?';  // its own Windows-1252 code (0xFF has no glyph)
    }
    const int code = isControlCharacter(codePoint) ? -1 : unicodeToWindows1252(codePoint);
    return code >= 0x20 && code <= 0xFE ? char(code) : '?';
}

}  // namespace

std::string captionText(const char* name) {
    std::string text;
    if (!name) return text;
    std::u32string characters;
    for (const unsigned char* at = reinterpret_cast<const unsigned char*>(name); *at != 0;) {
        char32_t c = 0;
        const int length = decodeUtf8(at, &c);
        characters += length > 0 ? c : kStrayByte + *at;
        at += length > 0 ? length : 1;
    }
    for (char32_t c : composeNfc(characters)) {
        if (text.size() >= kMaxCaptionCharacters) break;
        text += glyphForCharacter(c);
    }
    return text;
}

std::u32string captionCharacters(const char* name) {
    std::u32string text = textCharacters(name);
    if (text.size() > kMaxCaptionCharacters) text.resize(kMaxCaptionCharacters);
    return text;
}

double captionX(int drawnWidth, int screenWidth) {
    const double x = screenWidth * 0.5 - drawnWidth * 0.5;
    return x > kLeftMargin ? x : kLeftMargin;
}

int captionBaseline(int screenHeight) { return screenHeight - scaledPixels(kBaselineAboveBottom, screenHeight); }

void drawCaption(const char* albumName) {
    const std::u32string text = captionCharacters(albumName);
    enable2D();
    glColor3f(1, 1, 1);
    if (textFont && !text.empty()) {
        const int size = captionPixelHeight(screenHeight, textFont->capHeightPerEm());
        // Whole pixels, as glBitmap placed the design's glyphs: the pen at the floor of x.
        const int x = int(std::floor(captionX(textFont->width(text, size), screenWidth)));
        textFont->draw(text, x, captionBaseline(screenHeight), size);
    }
    disable2D();
}
