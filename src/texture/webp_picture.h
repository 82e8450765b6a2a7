// Decodes a WebP cover picture to tightly packed RGB, or says why it cannot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A WebP whose header claims more is refused before it is decoded (WebP
// itself cannot go beyond 16383 a side).
constexpr int kMaxWebpSide = 16383;
constexpr long long kMaxWebpPixels = 50000000;

// width x height pixels, 3 bytes each in red, green, blue order, top row
// first, rows of exactly width * 3 bytes. When the picture cannot be used,
// `failure` says why and rgb is empty.
struct WebpPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    std::string failure;

    bool usable() const { return failure.empty(); }
};

// Whether the bytes start like a WebP file ("RIFF", size, "WEBP").
bool looksLikeWebp(const uint8_t* data, size_t size);

// Decodes the bytes of a WebP file (lossy, lossless, with or without alpha;
// alpha is dropped, animations give their first frame). With maxEdge > 0 a
// picture whose longer side is beyond it is decoded scaled down, keeping its
// shape, so that the longer side is maxEdge; the size limits apply to the
// picture as stored.
WebpPicture decodeWebpPicture(const uint8_t* data, size_t size, int maxEdge = 0);

// Reads the file at `path` (at most 256 MiB) and decodes it as above.
WebpPicture decodeWebpFile(const char* path, int maxEdge = 0);
