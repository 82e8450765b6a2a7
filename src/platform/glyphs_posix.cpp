// The caption font on Linux: fontconfig finds "Courier New" bold (Liberation
// Mono Bold where fonts-liberation2 is installed) and FreeType renders each
// Windows-1252 glyph as a one-bit bitmap. Stands in for the GDI font and
// wglUseFontBitmaps of the Windows build.
//
// The text glyphs come from the same face; a character it lacks comes from
// the first face of fontconfig's ordered list for it (FcFontSort: what the
// desktop itself would fall back to) whose character set holds it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <string>
#include <utility>

#include "platform/glyph_lists.h"
#include "platform/glyph_raster.h"
#include "platform/platform.h"

namespace platform {
namespace {

const char* const kFamily = "Courier New";
const char* const kPackageHint = "install the fonts-liberation2 package for Liberation Mono Bold";

// The caption face as fontconfig is asked for it; the caller destroys it.
FcPattern* captionPattern(FcConfig* config) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    // Next best where no Courier New look-alike is installed: any fixed-pitch face.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

std::string fileOf(FcPattern* font, int* index) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || !path) return "";
    if (index && FcPatternGetInteger(font, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    return reinterpret_cast<const char*>(path);
}

// The file fontconfig picks for the caption face in `config`, or "" with `error` set.
std::string matchCaptionFile(FcConfig* config, int* index, std::string* error) {
    FcPattern* pattern = captionPattern(config);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    const std::string file = match ? fileOf(match, index) : "";
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    if (file.empty())
        *error = std::string("fontconfig finds no font file for \"") + kFamily + "\" bold; " + kPackageHint;
    return file;
}

// The file fontconfig picks for the family in bold, or "" with `error` set.
std::string findFontFile(std::string* error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        *error = "fontconfig cannot load its configuration; " + std::string(kPackageHint);
        return "";
    }
    const std::string file = matchCaptionFile(config, nullptr, error);
    FcConfigDestroy(config);
    return file;
}

// The rendered bitmap of `slot`, as the pure converters take it (valid while the slot is).
MonoBitmap bitmapOf(FT_GlyphSlot slot) {
    MonoBitmap bitmap;
    bitmap.width = int(slot->bitmap.width);
    bitmap.rows = int(slot->bitmap.rows);
    bitmap.pitch = slot->bitmap.pitch;
    bitmap.buffer = slot->bitmap.buffer;
    bitmap.left = slot->bitmap_left;
    bitmap.top = slot->bitmap_top;
    return bitmap;
}

// Renders `unicode` (0: no character, an empty glyph) at the face's size.
GlyphBitmap renderGlyph(FT_Face face, uint32_t unicode, float advance) {
    if (unicode == 0) return glyphFromMono(MonoBitmap{}, advance);
    FT_UInt index = FT_Get_Char_Index(face, unicode);
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER) != 0)
        return glyphFromMono(MonoBitmap{}, advance);
    FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return glyphFromMono(MonoBitmap{}, advance);
    return glyphFromMono(bitmapOf(slot), advance);
}

// The pen advance shared by every glyph: the space's, rounded to pixels.
bool cellAdvance(FT_Face face, float* advance) {
    if (FT_Load_Char(face, ' ', FT_LOAD_TARGET_MONO) != 0) return false;
    *advance = float((face->glyph->advance.x + 32) >> 6);
    return *advance > 0;
}

bool rasteriseFace(FT_Face face, const std::string& file, int pixelHeight, int first, int count,
                   std::vector<GlyphBitmap>* glyphs, std::string* error) {
    if (!FT_IS_FIXED_WIDTH(face)) {
        *error = file + " is not a fixed-pitch font, so the caption cannot be centred; " + kPackageHint;
        return false;
    }
    float advance = 0;
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelHeight)) != 0 || !cellAdvance(face, &advance)) {
        *error = "FreeType cannot size " + file + " to " + std::to_string(pixelHeight) + " pixels";
        return false;
    }
    glyphs->clear();
    glyphs->reserve(size_t(count));
    for (int code = first; code < first + count; ++code)
        glyphs->push_back(renderGlyph(face, windows1252ToUnicode(code), advance));
    return true;
}

}  // namespace

bool rasteriseCaptionFont(int pixelHeight, int first, int count, std::vector<GlyphBitmap>* glyphs,
                          std::string* error) {
    std::string file = findFontFile(error);
    if (file.empty()) return false;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        *error = "FreeType cannot start, so the caption font cannot be rendered";
        return false;
    }
    FT_Face face = nullptr;
    bool ok = false;
    if (FT_New_Face(library, file.c_str(), 0, &face) != 0) {
        *error = "FreeType cannot open the caption font " + file + "; " + kPackageHint;
    } else {
        ok = rasteriseFace(face, file, pixelHeight, first, count, glyphs, error);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return ok;
}

bool buildCaptionFont(uint32_t listBase, int pixelHeight, int first, int count, std::string* error) {
    std::vector<GlyphBitmap> glyphs;
    if (!rasteriseCaptionFont(pixelHeight, first, count, &glyphs, error)) return false;
    if (listBase != 0) compileGlyphLists(listBase, glyphs);
    return true;
}


// ------------------------------------------------------------- text glyphs

namespace {

// One face, opened when first needed; `size` is the pixel height it is set to.
struct OpenFace {
    FT_Face face = nullptr;
    int size = 0;
};

}  // namespace

struct GlyphFaces {
    FcConfig* config = nullptr;
    FT_Library library = nullptr;
    OpenFace caption;
    FcFontSet* fallbacks = nullptr;  // fontconfig's order for the caption face, made at the first miss
    bool fallbacksSorted = false;
    std::map<std::pair<std::string, int>, OpenFace> opened;  // fallback faces by file and index
};

namespace {

bool setSize(OpenFace& open, int pixelHeight) {
    if (open.size == pixelHeight) return true;
    if (FT_Set_Pixel_Sizes(open.face, 0, FT_UInt(pixelHeight)) != 0) return false;
    open.size = pixelHeight;
    return true;
}

bool renderFrom(OpenFace& open, FT_UInt index, int pixelHeight, bool captionFace, TextGlyph* glyph) {
    if (!setSize(open, pixelHeight)) return false;
    const bool smooth = smoothGlyph(pixelHeight, captionFace);
    const FT_Int32 target = smooth ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(open.face, index, target | FT_LOAD_RENDER) != 0) return false;
    FT_GlyphSlot slot = open.face->glyph;
    const FT_Render_Mode mode = smooth ? FT_RENDER_MODE_LIGHT : FT_RENDER_MODE_MONO;
    const unsigned char wanted = smooth ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
    if (slot->bitmap.pixel_mode != wanted && FT_Render_Glyph(slot, mode) != 0) return false;
    if (slot->bitmap.pixel_mode != wanted) return false;
    const int greyMax = smooth ? int(slot->bitmap.num_grays) - 1 : 0;
    *glyph = textGlyphFrom(bitmapOf(slot), greyMax, int((slot->advance.x + 32) >> 6));
    return true;
}

// The fallback face `font` stands for, opened once; null when FreeType cannot
// scale it (a bitmap-only or colour face: the atlas holds coverage only).
OpenFace* fallbackFace(GlyphFaces* faces, FcPattern* font) {
    FcBool colour = FcFalse, scalable = FcTrue;
    FcPatternGetBool(font, FC_COLOR, 0, &colour);
    FcPatternGetBool(font, FC_SCALABLE, 0, &scalable);
    if (colour || !scalable) return nullptr;
    int index = 0;
    const std::string file = fileOf(font, &index);
    if (file.empty()) return nullptr;
    auto found = faces->opened.find({file, index});
    if (found == faces->opened.end()) {
        OpenFace open;
        if (FT_New_Face(faces->library, file.c_str(), index, &open.face) != 0 || !FT_IS_SCALABLE(open.face)) {
            if (open.face) FT_Done_Face(open.face);
            open.face = nullptr;
        }
        found = faces->opened.emplace(std::make_pair(file, index), open).first;
    }
    return found->second.face ? &found->second : nullptr;
}

}  // namespace

GlyphFaces* openGlyphFaces(std::string* error) {
    GlyphFaces* faces = new GlyphFaces;
    faces->config = FcInitLoadConfigAndFonts();
    int index = 0;
    const std::string file = faces->config ? matchCaptionFile(faces->config, &index, error) : "";
    if (!faces->config) *error = "fontconfig cannot load its configuration; " + std::string(kPackageHint);
    if (!file.empty() && FT_Init_FreeType(&faces->library) != 0) {
        *error = "FreeType cannot start, so no text can be rendered";
    } else if (!file.empty() && FT_New_Face(faces->library, file.c_str(), index, &faces->caption.face) != 0) {
        *error = "FreeType cannot open the caption font " + file + "; " + kPackageHint;
        faces->caption.face = nullptr;
    }
    if (!faces->caption.face) {
        closeGlyphFaces(faces);
        return nullptr;
    }
    return faces;
}

void closeGlyphFaces(GlyphFaces* faces) {
    if (!faces) return;
    for (auto& entry : faces->opened)
        if (entry.second.face) FT_Done_Face(entry.second.face);
    if (faces->caption.face) FT_Done_Face(faces->caption.face);
    if (faces->library) FT_Done_FreeType(faces->library);
    if (faces->fallbacks) FcFontSetDestroy(faces->fallbacks);
    if (faces->config) FcConfigDestroy(faces->config);
    delete faces;
}

bool renderTextGlyph(GlyphFaces* faces, char32_t codePoint, int pixelHeight, TextGlyph* glyph) {
    *glyph = TextGlyph{};
    if (!faces || pixelHeight <= 0) return false;
    if (FT_UInt index = FT_Get_Char_Index(faces->caption.face, codePoint))
        return renderFrom(faces->caption, index, pixelHeight, true, glyph);
    if (!faces->fallbacksSorted) {
        faces->fallbacksSorted = true;
        FcPattern* pattern = captionPattern(faces->config);
        FcResult result = FcResultNoMatch;
        faces->fallbacks = FcFontSort(faces->config, pattern, FcTrue, nullptr, &result);
        FcPatternDestroy(pattern);
    }
    for (int i = 0; faces->fallbacks && i < faces->fallbacks->nfont; ++i) {
        FcPattern* font = faces->fallbacks->fonts[i];
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, codePoint))
            continue;
        OpenFace* open = fallbackFace(faces, font);
        if (!open) continue;
        if (FT_UInt index = FT_Get_Char_Index(open->face, codePoint))
            if (renderFrom(*open, index, pixelHeight, false, glyph)) return true;
    }
    *glyph = TextGlyph{};
    return false;
}

}  // namespace platform
