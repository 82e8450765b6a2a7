// Decodes one cover picture file to 24-bit RGB, or says why it cannot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture whose header claims more than this is refused before it is
// decoded: 16384 pixels a side and 50 million pixels in all (150 MB of RGB).
constexpr int kMaxCoverSide = 16384;
constexpr long long kMaxCoverPixels = 50000000;

// width x height pixels, 3 bytes each in red, green, blue order, top row
// first, each row `pitch` bytes: width * 3 rounded up to a multiple of 4, the
// layout GL reads under its default unpack alignment. Owns its pixels.
// When the picture cannot be used, `failure` says why and pixels is empty.
struct CoverPicture {
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::vector<uint8_t> pixels;
    std::string failure;

    bool usable() const { return failure.empty(); }
};

// Reads the file at `path` once: checks its header (JPEG, PNG, BMP or GIF,
// recognised by content, not by name; size within the limits above; a JPEG
// must reach its end-of-image marker), then decodes the same bytes with
// SDL_image and converts whatever it gives (grey, palettised, alpha, 16-bit,
// blue first, any pitch) to RGB. Alpha is dropped, not blended. Never fails
// silently: an unusable file comes back with a reason.
CoverPicture decodeCoverPicture(const char* path);
