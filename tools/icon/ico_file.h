// Windows icon files (.ico) from drawn pictures. Sizes up to 64 pixels are
// stored as 32-bit bitmaps, which every Windows reads; larger ones as PNG,
// which Windows reads since Vista and which keeps the 256-pixel picture a few
// kilobytes instead of 256. Needs only zlib, so the Windows build can make it
// with the build machine's own compiler.
#pragma once

#include <cstdint>
#include <vector>

#include "pictures/picture_writer.h"

// The bytes of an .ico holding every picture (each square, 1 to 256 pixels a
// side), opaque, in the order given. Empty when a picture does not fit.
std::vector<uint8_t> icoFileBytes(const std::vector<RgbPicture>& pictures);
