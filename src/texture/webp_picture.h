// Decodes a WebP cover picture to tightly packed RGB, or says why it cannot.
// Files reach it through the cover decoder, which reads them safely.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "texture/cover_picture.h"

// A WebP whose header claims more is refused before it is decoded: the
// limits of every cover (WebP itself cannot go beyond 16383 a side).
constexpr int kMaxWebpSide = kMaxCoverSide;
constexpr long long kMaxWebpPixels = kMaxCoverPixels;

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

// Decodes the bytes of a WebP file (lossy, lossless, with or without alpha;
// alpha is dropped, animations give their first frame). With maxEdge > 0 a
// picture whose longer side is beyond it is decoded scaled down, keeping its
// shape, so that the longer side is maxEdge; the size limits apply to the
// picture as stored. `cancel`, when given and set, stops the decode between
// pieces of 64 KiB with the reason kCancelledReason.
WebpPicture decodeWebpPicture(const uint8_t* data, size_t size, int maxEdge = 0,
                              const std::atomic<bool>* cancel = nullptr);
