// Decodes one cover picture (a file, or bytes already in memory) to 24-bit
// RGB, either at its own size or straight to the square texture the screen
// needs with its mip levels; or says why it cannot.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A picture whose header claims more than this is refused before it is
// decoded: 16383 pixels a side (every decoder, SDL's surfaces included, can
// really make that) and 50 million pixels in all (150 MB of RGB).
constexpr int kMaxCoverSide = 16383;
constexpr long long kMaxCoverPixels = 50000000;
// Memory one decode may hold at once: a progressive JPEG's coefficients, an
// interlaced PNG, a BMP or a lossless WebP whole. A picture whose header says
// it needs more is refused before it is decoded. What a decode holds is
// counted in the texture budget while it runs.
constexpr size_t kMaxDecodeBytes = size_t(192) << 20;
// A cover file larger than this is not read at all.
constexpr size_t kMaxCoverFileBytes = size_t(256) << 20;
// Largest texture edge a cover is decoded to.
constexpr int kMaxCoverTextureEdge = 1024;

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

// A cover ready for upload: a square RGB texture `edge` texels a side and
// its whole mip chain down to 1 x 1, each level tightly packed, top row
// first. sourceWidth x sourceHeight is the picture's own size.
struct CoverTexels {
    int edge = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    std::vector<std::vector<uint8_t>> levels;
    std::string failure;

    bool usable() const { return failure.empty(); }
    // What the texture takes in GL, counting every level at 4 bytes a texel.
    size_t textureBytes() const { return coverTextureBytes(edge); }
    static size_t coverTextureBytes(int edge);
};

// The texture edge for a picture of the given size when the middle cover is
// `coverHeight` pixels high: the smallest power of two not below coverHeight,
// at most kMaxCoverTextureEdge, and never above the next power of two of the
// picture's larger side (a small cover is not blown up). At least 1.
int coverTextureEdge(int coverHeight, int pictureWidth, int pictureHeight);

// Reads the file at `path` once (only a regular file: a FIFO, a device or a
// socket is refused without blocking), checks its header (JPEG, PNG, BMP or WebP,
// recognised by content, not by name; GIF content is refused; size within the
// limits above; a JPEG must reach its end-of-image marker) and decodes it at
// its own size. Alpha is dropped, not blended. Never prints anything and never
// fails silently: an unusable file comes back with a reason.
CoverPicture decodeCoverPicture(const char* path);

// The same reading, checks and refusals, decoding straight to the texture
// size coverTextureEdge gives for `coverHeight`: JPEG scaled in the DCT,
// PNG scaled row by row as it is decoded, then the mip levels. `cancel`, when
// set, ends the work early with a failure. `inHandBytes`, when given, counts
// the file's bytes and what the decode holds (kMaxDecodeBytes at most) while
// the call runs.
CoverTexels decodeCoverFile(const std::string& path, int coverHeight, const std::atomic<bool>* cancel = nullptr,
                            std::atomic<size_t>* inHandBytes = nullptr);
CoverTexels decodeCoverBytes(const uint8_t* data, size_t size, int coverHeight,
                             const std::atomic<bool>* cancel = nullptr, std::atomic<size_t>* inHandBytes = nullptr);
