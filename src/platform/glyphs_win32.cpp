// The caption font on Windows: GDI's "Courier New" bold with a character
// height of 15 pixels (or another fixed-pitch face where it is missing),
// turned into display lists by wglUseFontBitmapsA.
//
// Two things are mended after wglUseFontBitmapsA, because the caption is
// centred by a fixed cell width: a glyph without ink (the space, the
// no-break space, the codes the page leaves undefined) can come out of it
// with no advance (Wine's build on Mesa does this, and Mesa drops a glBitmap
// without pixels recorded in a list), so every such list is compiled again
// as an empty bitmap that advances one cell. Where wglUseFontBitmapsA fails
// as a whole, the glyphs are rendered with GetGlyphOutlineW and compiled
// the way the Linux build does it.
#include <SDL.h>
#include <SDL_syswm.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/glyph_lists.h"
#include "platform/glyph_raster.h"
#include "platform/platform.h"

namespace platform {
namespace {

// "Courier New" as the program has always asked for it. Where it is missing
// (Wine without Microsoft's fonts) the font mapper gives a proportional face,
// and the caption, centred by a fixed cell, would be neither centred nor
// evenly spaced: then the metric-compatible Liberation Mono, then any
// fixed-pitch face, is asked for instead.
HFONT createFont(int pixelHeight, DWORD pitchAndFamily, const char* face) {
    return CreateFontA(-pixelHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitchAndFamily, face);
}

bool isFixedPitch(HDC dc) {
    TEXTMETRICA metrics;
    // TMPF_FIXED_PITCH set means a variable pitch: the name says the opposite.
    return GetTextMetricsA(dc, &metrics) && !(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);
}

// Selects the caption font into `dc`; returns it (the caller deletes it) and
// the object it replaced, or null when GDI makes none.
HFONT selectCaptionFont(HDC dc, int pixelHeight, HGDIOBJ* replaced) {
    struct Choice {
        DWORD pitchAndFamily;
        const char* face;
    };
    static const Choice choices[] = {
        {DEFAULT_PITCH | FF_DONTCARE, "Courier New"},
        {FIXED_PITCH | FF_MODERN, "Liberation Mono"},
        {FIXED_PITCH | FF_MODERN, ""},
    };
    *replaced = nullptr;
    for (const Choice& choice : choices) {
        HFONT font = createFont(pixelHeight, choice.pitchAndFamily, choice.face);
        if (!font) continue;
        HGDIOBJ before = SelectObject(dc, font);
        if (!*replaced) *replaced = before;
        const bool last = &choice == &choices[sizeof choices / sizeof choices[0] - 1];
        if (isFixedPitch(dc) || last) return font;
        SelectObject(dc, *replaced);
        DeleteObject(font);
    }
    return nullptr;
}

// The program's window, or null (the whole screen) before it exists.
HWND programWindow() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWMInfo(&info) > 0 ? info.window : nullptr;
}

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// Code `code` of the ANSI page as a one-bit bitmap from the font in `dc`;
// no ink gives an empty glyph.
GlyphBitmap renderGlyph(HDC dc, int code, float advance) {
    const uint32_t unicode = windows1252ToUnicode(code);
    if (unicode == 0) return glyphFromMono(MonoBitmap{}, advance);
    GLYPHMETRICS metrics;
    const DWORD size = GetGlyphOutlineW(dc, UINT(unicode), GGO_BITMAP, &metrics, 0, nullptr, &kIdentity);
    if (size == 0 || size == GDI_ERROR) return glyphFromMono(MonoBitmap{}, advance);
    std::vector<uint8_t> bits(size);
    if (GetGlyphOutlineW(dc, UINT(unicode), GGO_BITMAP, &metrics, size, bits.data(), &kIdentity) == GDI_ERROR)
        return glyphFromMono(MonoBitmap{}, advance);
    MonoBitmap mono;  // GDI's rows: top row first, each padded to 4 bytes
    mono.width = int(metrics.gmBlackBoxX);
    mono.rows = int(metrics.gmBlackBoxY);
    mono.pitch = (mono.width + 31) / 32 * 4;
    mono.buffer = bits.data();
    mono.left = metrics.gmptGlyphOrigin.x;
    mono.top = metrics.gmptGlyphOrigin.y;
    return glyphFromMono(mono, advance);
}

// The font's one cell width: what 'M' advances, in pixels.
float cellAdvance(HDC dc) {
    GLYPHMETRICS metrics;
    if (GetGlyphOutlineW(dc, L'M', GGO_METRICS, &metrics, 0, nullptr, &kIdentity) == GDI_ERROR) return 0;
    return float(metrics.gmCellIncX);
}

// Runs `use` with a device context that has the caption font selected; false
// with `error` set when there is none.
template <typename Use>
bool withCaptionFont(int pixelHeight, std::string* error, Use use) {
    HWND window = programWindow();
    HDC dc = GetDC(window);
    if (!dc) {
        *error = "Can't Create A GL Device Context";
        return false;
    }
    HGDIOBJ replaced = nullptr;
    HFONT font = selectCaptionFont(dc, pixelHeight, &replaced);
    const bool ok = font && use(dc);
    if (!font) *error = "GDI cannot create the \"Courier New\" bold font";
    if (replaced) SelectObject(dc, replaced);
    if (font) DeleteObject(font);
    ReleaseDC(window, dc);
    return ok;
}

bool rasteriseWith(HDC dc, int first, int count, std::vector<GlyphBitmap>* glyphs, std::string* error) {
    const float advance = cellAdvance(dc);
    if (advance <= 0) {
        *error = "GDI gives the caption font no glyph metrics";
        return false;
    }
    glyphs->clear();
    glyphs->reserve(size_t(count));
    for (int code = first; code < first + count; ++code) glyphs->push_back(renderGlyph(dc, code, advance));
    return true;
}

}  // namespace

bool rasteriseCaptionFont(int pixelHeight, int first, int count, std::vector<GlyphBitmap>* glyphs,
                          std::string* error) {
    return withCaptionFont(pixelHeight, error,
                           [&](HDC dc) { return rasteriseWith(dc, first, count, glyphs, error); });
}

bool buildCaptionFont(uint32_t listBase, int pixelHeight, int first, int count, std::string* error) {
    if (listBase == 0) return true;
    return withCaptionFont(pixelHeight, error, [&](HDC dc) {
        std::vector<GlyphBitmap> glyphs;
        if (!rasteriseWith(dc, first, count, &glyphs, error)) return false;
        if (!wglUseFontBitmapsA(dc, DWORD(first), DWORD(count), listBase)) {
            compileGlyphLists(listBase, glyphs);
            return true;
        }
        for (int i = 0; i < count; ++i) {
            if (!glyphs[size_t(i)].bits.empty()) continue;
            compileGlyphLists(listBase + uint32_t(i), {glyphs[size_t(i)]});
        }
        return true;
    });
}

}  // namespace platform
