// The one place glyph bitmaps meet GL, shared by both platforms' font builds.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

// Compiles glyphs[i] into display list base + i of the current GL context:
// a glBitmap that draws the glyph at the raster position and advances it.
void compileGlyphLists(uint32_t base, const std::vector<platform::GlyphBitmap>& glyphs);
