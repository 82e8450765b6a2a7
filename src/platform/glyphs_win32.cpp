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
//
// The text glyphs come from the same face through GetGlyphOutlineW by glyph
// index (the face's own 'cmap' says which glyph a character has, in every
// plane); a character it lacks comes from the faces Windows links to it
// (FontLink\SystemLink in the registry), then the faces Windows itself falls
// back to for the main scripts, then any installed TrueType face that has it.
#include <SDL.h>
#include <SDL_syswm.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/glyph_lists.h"
#include "platform/glyph_raster.h"
#include "platform/platform.h"
#include "platform/text_win32.h"

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
const int kTextFaceProbeHeight = 15;  // the size at which the caption face is chosen

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

// ------------------------------------------------------------- text glyphs

namespace {

// Faces Windows falls back to for the main scripts, in the order its own
// font fallback tries them; only those installed are used.
const wchar_t* const kSystemFallbacks[] = {
    L"Segoe UI", L"Tahoma", L"Microsoft Sans Serif", L"Segoe UI Symbol", L"Segoe UI Emoji",
    L"Segoe UI Historic", L"Nirmala UI", L"Meiryo", L"Yu Gothic", L"MS Gothic", L"Microsoft YaHei",
    L"SimSun", L"Microsoft JhengHei", L"Malgun Gothic", L"Gulim", L"Ebrima", L"Leelawadee UI",
    L"Gadugi", L"Arial Unicode MS", L"Arial",
};
const DWORD kCmapTag = 0x70616D63;  // 'cmap' as GetFontData takes a table tag

// One face: its name, whether it is the caption face (bold, the caption's
// flags), and its character map, read when first asked.
struct TextFace {
    std::wstring name;
    bool caption = false;
    bool mapRead = false;
    std::vector<uint8_t> cmap;
};

}  // namespace

struct GlyphFaces {
    HDC dc = nullptr;
    std::vector<TextFace> faces;  // [0] the caption face, then the fallbacks once listed
    bool fallbacksListed = false;
    std::map<std::pair<size_t, int>, HFONT> fonts;  // by face and pixel height
};

namespace {

HFONT textFont(GlyphFaces* faces, size_t face, int pixelHeight) {
    auto found = faces->fonts.find({face, pixelHeight});
    if (found != faces->fonts.end()) return found->second;
    const TextFace& f = faces->faces[face];
    HFONT font = CreateFontW(-pixelHeight, 0, 0, 0, f.caption ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             f.caption ? ANSI_CHARSET : DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
    faces->fonts[{face, pixelHeight}] = font;
    return font;
}

// The glyph index of `c` in face `face`, 0 when it has none.
uint32_t glyphIndexIn(GlyphFaces* faces, size_t face, char32_t c) {
    HFONT font = textFont(faces, face, 15);
    if (!font) return 0;
    HGDIOBJ before = SelectObject(faces->dc, font);
    TextFace& f = faces->faces[face];
    if (!f.mapRead) {
        f.mapRead = true;
        const DWORD size = GetFontData(faces->dc, kCmapTag, 0, nullptr, 0);
        if (size != GDI_ERROR && size > 0) {
            f.cmap.resize(size);
            if (GetFontData(faces->dc, kCmapTag, 0, f.cmap.data(), size) != size) f.cmap.clear();
        }
    }
    uint32_t index = 0;
    if (!f.cmap.empty()) {
        index = cmapGlyphIndex(f.cmap.data(), f.cmap.size(), c);
    } else if (c <= 0xFFFF) {  // not a TrueType face: GDI's own look-up, the BMP only
        const wchar_t unit = wchar_t(c);
        WORD glyph = 0xFFFF;
        if (GetGlyphIndicesW(faces->dc, &unit, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR && glyph != 0xFFFF)
            index = glyph;
    }
    SelectObject(faces->dc, before);
    return index;
}

bool renderIndex(GlyphFaces* faces, size_t face, uint32_t index, int pixelHeight, TextGlyph* glyph) {
    HFONT font = textFont(faces, face, pixelHeight);
    if (!font) return false;
    HGDIOBJ before = SelectObject(faces->dc, font);
    const bool smooth = smoothGlyph(pixelHeight, faces->faces[face].caption);
    const UINT format = GGO_GLYPH_INDEX | (smooth ? GGO_GRAY8_BITMAP : GGO_BITMAP);
    GLYPHMETRICS metrics;
    const DWORD size = GetGlyphOutlineW(faces->dc, index, format, &metrics, 0, nullptr, &kIdentity);
    bool ok = size != GDI_ERROR;
    std::vector<uint8_t> bits(ok ? size : 0);
    if (ok && size > 0)
        ok = GetGlyphOutlineW(faces->dc, index, format, &metrics, size, bits.data(), &kIdentity) != GDI_ERROR;
    SelectObject(faces->dc, before);
    if (!ok) return false;
    MonoBitmap bitmap;  // GDI's rows: top row first, each padded to 4 bytes
    if (size > 0) {
        bitmap.width = int(metrics.gmBlackBoxX);
        bitmap.rows = int(metrics.gmBlackBoxY);
        bitmap.pitch = smooth ? (bitmap.width + 3) / 4 * 4 : (bitmap.width + 31) / 32 * 4;
        bitmap.buffer = bits.data();
        bitmap.left = metrics.gmptGlyphOrigin.x;
        bitmap.top = metrics.gmptGlyphOrigin.y;
        if (size_t(bitmap.pitch) * size_t(bitmap.rows) > bits.size()) bitmap = MonoBitmap{};
    }
    *glyph = textGlyphFrom(bitmap, smooth ? 64 : 0, metrics.gmCellIncX);
    return true;
}

int CALLBACK collectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM names) {
    if ((type & TRUETYPE_FONTTYPE) && font->lfFaceName[0] != L'@')
        reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(font->lfFaceName);
    return 1;
}

// The faces the caption face links to in the registry ("FILE,Face[,...]" each).
std::vector<std::wstring> linkedFaces(const std::wstring& face) {
    std::vector<std::wstring> linked;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return linked;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, face.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && bytes > 0) {
        std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 2, L'\0');
        if (RegQueryValueExW(key, face.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) ==
            ERROR_SUCCESS)
            for (const wchar_t* entry = value.data(); *entry; entry += wcslen(entry) + 1) {
                std::wstring text(entry);
                const size_t comma = text.find(L',');
                if (comma == std::wstring::npos) continue;
                linked.push_back(text.substr(comma + 1, text.find(L',', comma + 1) - comma - 1));
            }
    }
    RegCloseKey(key);
    return linked;
}

void listFallbacks(GlyphFaces* faces) {
    faces->fallbacksListed = true;
    std::vector<std::wstring> installed;
    LOGFONTW all = {};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(faces->dc, &all, collectFace, reinterpret_cast<LPARAM>(&installed), 0);
    const std::set<std::wstring> present(installed.begin(), installed.end());
    std::set<std::wstring> taken = {faces->faces[0].name};
    auto add = [&](const std::wstring& name) {
        if (present.count(name) && taken.insert(name).second) faces->faces.push_back(TextFace{name});
    };
    for (const std::wstring& name : linkedFaces(faces->faces[0].name)) add(name);
    for (const wchar_t* name : kSystemFallbacks) add(name);
    for (const std::wstring& name : installed) add(name);
}

}  // namespace

GlyphFaces* openGlyphFaces(std::string* error) {
    GlyphFaces* faces = new GlyphFaces;
    faces->dc = CreateCompatibleDC(nullptr);
    HGDIOBJ replaced = nullptr;
    HFONT caption = faces->dc ? selectCaptionFont(faces->dc, kTextFaceProbeHeight, &replaced) : nullptr;
    wchar_t name[LF_FACESIZE] = L"";
    if (caption) GetTextFaceW(faces->dc, LF_FACESIZE, name);
    if (replaced) SelectObject(faces->dc, replaced);
    if (caption) DeleteObject(caption);
    if (!name[0]) {
        *error = faces->dc ? "GDI cannot create the \"Courier New\" bold font" : "GDI gives no device context";
        closeGlyphFaces(faces);
        return nullptr;
    }
    TextFace face;
    face.name = name;
    face.caption = true;
    faces->faces.push_back(face);
    return faces;
}

void closeGlyphFaces(GlyphFaces* faces) {
    if (!faces) return;
    for (auto& entry : faces->fonts)
        if (entry.second) DeleteObject(entry.second);
    if (faces->dc) DeleteDC(faces->dc);
    delete faces;
}

bool renderTextGlyph(GlyphFaces* faces, char32_t codePoint, int pixelHeight, TextGlyph* glyph) {
    *glyph = TextGlyph{};
    if (!faces || pixelHeight <= 0) return false;
    for (size_t face = 0;; ++face) {
        if (face == faces->faces.size()) {
            if (faces->fallbacksListed) break;
            listFallbacks(faces);
            if (face == faces->faces.size()) break;
        }
        if (const uint32_t index = glyphIndexIn(faces, face, codePoint))
            if (renderIndex(faces, face, index, pixelHeight, glyph)) return true;
    }
    *glyph = TextGlyph{};
    return false;
}

}  // namespace platform
