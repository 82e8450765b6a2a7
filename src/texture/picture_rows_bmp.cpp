// BMP through SDL_image from memory, then any surface layout (palettised,
// 16-, 24-, 32-bit, bottom-up) converted to RGB rows. SDL decodes the whole
// picture in one call, which cannot be cancelled part way: what it may take
// was bounded from the header before (kMaxDecodeBytes), and the cancel flag
// is looked at before and after it.
#include <SDL.h>
#ifndef _WIN32
#include <SDL_image.h>
#endif

#include <memory>
#include <vector>

#include "texture/picture_rows.h"

namespace {

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

// Packed RGB in byte order, as GL_RGB / GL_UNSIGNED_BYTE reads it.
Surface rgbTemplate() {
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    const Uint32 red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
#else
    const Uint32 red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;
#endif
    return Surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, red, green, blue, 0));
}

bool isPackedRgb(const SDL_PixelFormat* format, const SDL_PixelFormat* wanted) {
    return format->BytesPerPixel == 3 && format->Rmask == wanted->Rmask && format->Gmask == wanted->Gmask &&
           format->Bmask == wanted->Bmask;
}

}  // namespace

std::string decodeBmpRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    if (cancel && cancel->load()) return kCancelledReason;
    SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
    if (!rw) return std::string("cannot read the BMP: ") + SDL_GetError();
#ifdef _WIN32
    // The Windows build has no SDL_image: SDL's own reader, which takes
    // uncompressed and bit-field BMPs but not RLE-compressed ones.
    Surface decoded(SDL_LoadBMP_RW(rw, 1));
    if (!decoded) return std::string("cannot decode the picture: ") + SDL_GetError();
#else
    Surface decoded(IMG_LoadTyped_RW(rw, 1, const_cast<char*>("BMP")));
    if (!decoded) return std::string("cannot decode the picture: ") + IMG_GetError();
#endif
    if (cancel && cancel->load()) return kCancelledReason;

    Surface format = rgbTemplate();
    if (!format) return std::string("cannot convert the picture: ") + SDL_GetError();
    Surface converted;
    SDL_Surface* rgb = decoded.get();
    if (!isPackedRgb(rgb->format, format->format)) {
        converted.reset(SDL_ConvertSurface(rgb, format->format, SDL_SWSURFACE));
        if (!converted) return std::string("cannot convert the picture: ") + SDL_GetError();
        decoded.reset();  // one copy at a time
        rgb = converted.get();
    }
    if (!isPackedRgb(rgb->format, format->format) || rgb->pitch < rgb->w * 3)
        return "cannot convert the picture to 24-bit RGB";
    if (SDL_MUSTLOCK(rgb) && SDL_LockSurface(rgb) < 0) return std::string("cannot read the picture: ") + SDL_GetError();
    sink.wantedEdge(rgb->w, rgb->h);
    sink.begin(rgb->w, rgb->h);
    const uint8_t* pixels = static_cast<const uint8_t*>(rgb->pixels);
    for (int y = 0; y < rgb->h; ++y) sink.row(pixels + size_t(y) * size_t(rgb->pitch));
    if (SDL_MUSTLOCK(rgb)) SDL_UnlockSurface(rgb);
    return "";
}
