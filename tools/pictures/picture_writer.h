// Writes test and demo pictures (PNG of every colour type, JPEG, 24-bit BMP)
// from an in-memory RGB picture, makes recognisable cover pictures, and makes
// the broken pictures that the tests feed to the decoder.
// Every writer returns false and fills *error (when given) on failure; none
// throws or ends the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Tightly packed 8-bit RGB, top row first, width * height * 3 bytes.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    uint8_t* at(int x, int y) { return &rgb[(size_t(y) * width + x) * 3]; }
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

RgbPicture solidPicture(int width, int height, uint8_t red, uint8_t green, uint8_t blue);

// A size x size cover that differs visibly from every other seed: a two-colour
// gradient, a stripe or check pattern and a big block in a contrasting colour.
RgbPicture makeCoverPicture(int size, uint32_t seed);

// A size x size picture in four quadrants: red top left, green top right,
// blue bottom left, white bottom right; shows orientation and channel order.
RgbPicture quadrantPicture(int size);

enum class PngKind { Grey, GreyAlpha, Rgb, Rgba, Palette };

// bitDepth is 8 or 16 (Palette: 8 only). Grey kinds store the picture's luma;
// alpha kinds give every pixel `alpha` (scaled to 16 bits when needed).
// Palette keeps up to 256 distinct colours exactly and quantises beyond that.
bool writePng(const std::string& path, const RgbPicture& picture, PngKind kind, int bitDepth = 8,
              uint8_t alpha = 255, std::string* error = nullptr);

// quality 1..100; greyscale stores one luma channel; progressive writes
// several scans instead of one.
bool writeJpeg(const std::string& path, const RgbPicture& picture, int quality = 90,
               bool greyscale = false, std::string* error = nullptr, bool progressive = false);

// Uncompressed 24-bit Windows bitmap: bottom row first, blue first, rows padded to 4.
bool writeBmp(const std::string& path, const RgbPicture& picture, std::string* error = nullptr);

// A well-formed start of an 8-bit RGB PNG whose header claims width x height,
// followed by a few rows of real image data and no end: a decoder that trusts
// the header allocates the full size before it finds out.
bool writePngClaimingSize(const std::string& path, uint32_t width, uint32_t height,
                          std::string* error = nullptr);

// A real JPEG of the picture cut after `keptFraction` (0..1) of its bytes.
bool writeTruncatedJpeg(const std::string& path, const RgbPicture& picture, double keptFraction = 0.5,
                        std::string* error = nullptr);

// The WebP bytes of the picture, lossless or lossy, in memory (empty on failure).
std::vector<uint8_t> encodeWebp(const RgbPicture& picture, bool lossless);
bool writeWebp(const std::string& path, const RgbPicture& picture, bool lossless = true);

// The JPEG bytes of the picture, in memory (empty on failure).
std::vector<uint8_t> encodeJpeg(const RgbPicture& picture, int quality = 90, bool greyscale = false,
                                std::string* error = nullptr, bool progressive = false);
