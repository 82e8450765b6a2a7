// The caption font on Linux: fontconfig finds "Courier New" bold (Liberation
// Mono Bold where fonts-liberation2 is installed) and FreeType renders each
// Windows-1252 glyph as a one-bit bitmap. Stands in for the GDI font and
// wglUseFontBitmaps of the Windows build.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "platform/glyph_lists.h"
#include "platform/glyph_raster.h"
#include "platform/platform.h"

namespace platform {
namespace {

const char* const kFamily = "Courier New";
const char* const kPackageHint = "install the fonts-liberation2 package for Liberation Mono Bold";

// The file fontconfig picks for the family in bold, or "" with `error` set.
std::string findFontFile(std::string* error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        *error = "fontconfig cannot load its configuration; " + std::string(kPackageHint);
        return "";
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    // Next best where no Courier New look-alike is installed: any fixed-pitch face.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) file =
        reinterpret_cast<const char*>(path);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    if (file.empty())
        *error = std::string("fontconfig finds no font file for \"") + kFamily + "\" bold; " + kPackageHint;
    return file;
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
    MonoBitmap mono;
    mono.width = int(slot->bitmap.width);
    mono.rows = int(slot->bitmap.rows);
    mono.pitch = slot->bitmap.pitch;
    mono.buffer = slot->bitmap.buffer;
    mono.left = slot->bitmap_left;
    mono.top = slot->bitmap_top;
    return glyphFromMono(mono, advance);
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

}  // namespace platform
