// Cover decoding: a header check that refuses what SDL_image should never be
// asked to decode, then IMG_Load_RW on the very same open file, then a
// conversion to packed RGB. The header check understands only the four
// formats a cover may have; anything else is refused as not a picture.

#include "texture/cover_picture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct RwClose {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};
struct SurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using RwFile = std::unique_ptr<SDL_RWops, RwClose>;
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

// Buffered forward reading of an open file; byte() gives -1 at the end.
class HeaderReader {
public:
    explicit HeaderReader(SDL_RWops* rw) : rw_(rw) {}

    int byte() {
        if (pos_ == len_ && !refill()) return -1;
        return buffer_[pos_++];
    }
    // Big- or little-endian unsigned value of `bytes` bytes; false at the end.
    bool big(int bytes, uint32_t& value) { return number(bytes, value, true); }
    bool little(int bytes, uint32_t& value) { return number(bytes, value, false); }
    bool skip(uint32_t count) {
        while (count > 0) {
            if (pos_ == len_ && !refill()) return false;
            uint32_t step = std::min<uint32_t>(count, uint32_t(len_ - pos_));
            pos_ += step;
            count -= step;
        }
        return true;
    }
    // Back to the first byte of the file.
    bool rewind() {
        pos_ = len_ = 0;
        return SDL_RWseek(rw_, 0, RW_SEEK_SET) == 0;
    }
    // Reads on until the two bytes `first`, `second` have been read in a row.
    bool findPair(uint8_t first, uint8_t second) {
        bool afterFirst = false;
        for (;;) {
            if (pos_ == len_ && !refill()) return false;
            if (afterFirst && buffer_[pos_] == second) return true;
            afterFirst = false;
            const void* hit = std::memchr(buffer_ + pos_, first, len_ - pos_);
            if (!hit) {
                pos_ = len_;
                continue;
            }
            pos_ = size_t(static_cast<const uint8_t*>(hit) - buffer_) + 1;
            afterFirst = true;
        }
    }

private:
    bool refill() {
        int got = SDL_RWread(rw_, buffer_, 1, int(sizeof buffer_));  // -1 on a read error
        pos_ = 0;
        len_ = got > 0 ? size_t(got) : 0;
        return len_ > 0;
    }
    bool number(int bytes, uint32_t& value, bool bigEndian) {
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            int b = byte();
            if (b < 0) return false;
            value = bigEndian ? (value << 8) | uint32_t(b) : value | (uint32_t(b) << (8 * i));
        }
        return true;
    }

    SDL_RWops* rw_;
    uint8_t buffer_[65536];
    size_t pos_ = 0;
    size_t len_ = 0;
};

std::string sizeFailure(long long width, long long height) {
    if (width <= 0 || height <= 0)
        return "the picture header gives no size (" + std::to_string(width) + " x " +
               std::to_string(height) + ")";
    if (width > kMaxCoverSide || height > kMaxCoverSide || width * height > kMaxCoverPixels)
        return "the picture claims " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels; covers are limited to " + std::to_string(kMaxCoverSide) + " a side and " +
               std::to_string(kMaxCoverPixels / 1000000) + " megapixels";
    return "";
}

// After the 8-byte signature the first chunk must be IHDR.
std::string checkPng(HeaderReader& in) {
    uint32_t length, type, width, height;
    if (!in.skip(8) || !in.big(4, length) || !in.big(4, type) || !in.big(4, width) || !in.big(4, height))
        return "truncated PNG header";
    if (length != 13 || type != 0x49484452)  // "IHDR"
        return "PNG without its IHDR header";
    if (width > 0x7fffffff || height > 0x7fffffff) return "PNG header with an invalid size";
    return sizeFailure(width, height);
}

bool isJpegFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Next marker code after the SOI, skipping stray bytes and fill bytes as
// libjpeg does; -1 at the end of the file.
int nextJpegMarker(HeaderReader& in) {
    int c = in.byte();
    while (c >= 0 && c != 0xFF) c = in.byte();
    while (c == 0xFF) c = in.byte();
    return c;
}

// Walks the segments to the frame header (size check) and on to the first
// scan; the entropy-coded data after it must reach an end-of-image marker,
// which is how a cut-off file shows (libjpeg would pad it with grey).
std::string checkJpeg(HeaderReader& in) {
    if (!in.skip(2)) return "truncated JPEG header";  // SOI
    bool frameSeen = false;
    for (;;) {
        int marker = nextJpegMarker(in);
        if (marker < 0) return frameSeen ? "truncated JPEG: no image data" : "truncated JPEG header";
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9) return "JPEG ends before its image data";
        uint32_t length;
        if (!in.big(2, length)) return "truncated JPEG header";
        if (length < 2) return "corrupt JPEG segment length";
        if (isJpegFrameMarker(marker)) {
            uint32_t precision, height, width;
            if (length < 8) return "corrupt JPEG frame header";
            if (!in.big(1, precision) || !in.big(2, height) || !in.big(2, width))
                return "truncated JPEG frame header";
            std::string failure = sizeFailure(width, height);
            if (!failure.empty()) return failure;
            frameSeen = true;
            length -= 5;  // precision and size already read
        }
        if (marker == 0xDA && !frameSeen) return "JPEG scan before its frame header";
        if (!in.skip(length - 2)) return "truncated JPEG header";
        if (marker == 0xDA) break;
    }
    if (!in.findPair(0xFF, 0xD9)) return "truncated JPEG: the end-of-image marker is missing";
    return "";
}

// BITMAPCOREHEADER (12 bytes) has 16-bit sizes, every later header 32-bit
// signed ones; a negative height means top row first.
std::string checkBmp(HeaderReader& in) {
    uint32_t headerSize;
    if (!in.skip(14) || !in.little(4, headerSize)) return "truncated BMP header";
    uint32_t width, height;
    if (headerSize == 12) {
        if (!in.little(2, width) || !in.little(2, height)) return "truncated BMP header";
        return sizeFailure(width, height);
    }
    if (headerSize < 16) return "BMP with an unknown header";
    if (!in.little(4, width) || !in.little(4, height)) return "truncated BMP header";
    long long w = int32_t(width), h = int32_t(height);
    return sizeFailure(w, h < 0 ? -h : h);
}

// Checks the logical screen and the first image descriptor, whose size is
// what the decoder allocates.
std::string checkGif(HeaderReader& in) {
    uint32_t screenWidth, screenHeight, packed;
    if (!in.skip(6) || !in.little(2, screenWidth) || !in.little(2, screenHeight) || !in.little(1, packed) ||
        !in.skip(2))
        return "truncated GIF header";
    std::string failure = sizeFailure(screenWidth, screenHeight);
    if (!failure.empty()) return failure;
    if ((packed & 0x80) && !in.skip(3u << ((packed & 7) + 1))) return "truncated GIF header";
    for (;;) {
        int block = in.byte();
        if (block == 0x2C) {
            uint32_t left, top, width, height;
            if (!in.little(2, left) || !in.little(2, top) || !in.little(2, width) || !in.little(2, height))
                return "truncated GIF image header";
            return sizeFailure(width, height);
        }
        if (block != 0x21) return block == 0x3B ? "GIF without an image" : "truncated or corrupt GIF";
        if (in.byte() < 0) return "truncated GIF";
        for (int size = in.byte(); size != 0; size = in.byte())
            if (size < 0 || !in.skip(uint32_t(size))) return "truncated GIF";
    }
}

// Recognises the format by its first bytes and runs its check from the start.
std::string checkHeader(HeaderReader& in) {
    uint8_t magic[8] = {};
    int got = 0;
    for (int b; got < 8 && (b = in.byte()) >= 0; ++got) magic[got] = uint8_t(b);
    if (got == 0) return "empty file";
    if (!in.rewind()) return "cannot read the file again";
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (got == 8 && std::memcmp(magic, png, 8) == 0) return checkPng(in);
    if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return checkJpeg(in);
    if (got >= 6 && (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0))
        return checkGif(in);
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') return checkBmp(in);
    return "not a JPEG, PNG, BMP or GIF picture";
}

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
    return format->BytesPerPixel == 3 && format->Rmask == wanted->Rmask &&
           format->Gmask == wanted->Gmask && format->Bmask == wanted->Bmask;
}

// Converts any decoded surface to packed RGB and copies it row by row into
// the picture's own buffer with GL's row padding. A surface that already is
// packed RGB (most JPEGs) is copied straight, without a converted twin.
std::string copyAsRgb(SDL_Surface* decoded, CoverPicture& picture) {
    Surface format = rgbTemplate();
    if (!format) return std::string("cannot convert the picture: ") + SDL_GetError();
    Surface converted;
    SDL_Surface* rgb = decoded;
    if (!isPackedRgb(decoded->format, format->format)) {
        converted.reset(SDL_ConvertSurface(decoded, format->format, SDL_SWSURFACE));
        if (!converted) return std::string("cannot convert the picture: ") + SDL_GetError();
        rgb = converted.get();
    }
    if (!isPackedRgb(rgb->format, format->format) || rgb->w != decoded->w || rgb->h != decoded->h ||
        rgb->pitch < rgb->w * 3)
        return "cannot convert the picture to 24-bit RGB";
    if (SDL_MUSTLOCK(rgb) && SDL_LockSurface(rgb) < 0)
        return std::string("cannot read the picture: ") + SDL_GetError();
    size_t rowBytes = size_t(rgb->w) * 3;
    picture.width = rgb->w;
    picture.height = rgb->h;
    picture.pitch = int((rowBytes + 3) & ~size_t(3));
    picture.pixels.assign(size_t(picture.pitch) * picture.height, 0);
    const uint8_t* source = static_cast<const uint8_t*>(rgb->pixels);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&picture.pixels[size_t(y) * picture.pitch], source + size_t(y) * rgb->pitch, rowBytes);
    if (SDL_MUSTLOCK(rgb)) SDL_UnlockSurface(rgb);
    return "";
}

CoverPicture refused(std::string reason) {
    CoverPicture picture;
    picture.failure = std::move(reason);
    return picture;
}

}  // namespace

CoverPicture decodeCoverPicture(const char* path) {
    RwFile file(SDL_RWFromFile(path, "rb"));
    if (!file) return refused(std::string("cannot open the file: ") + SDL_GetError());

    std::string failure;
    {
        auto reader = std::make_unique<HeaderReader>(file.get());
        failure = checkHeader(*reader);
    }
    if (!failure.empty()) return refused(failure);
    if (SDL_RWseek(file.get(), 0, RW_SEEK_SET) != 0) return refused("cannot read the file again");

    Surface decoded(IMG_Load_RW(file.get(), 0));
    if (!decoded) return refused(std::string("cannot decode the picture: ") + IMG_GetError());
    failure = sizeFailure(decoded->w, decoded->h);
    if (!failure.empty()) return refused(failure);

    CoverPicture picture;
    failure = copyAsRgb(decoded.get(), picture);
    if (!failure.empty()) return refused(failure);
    return picture;
}
