// The PNG files of the thumbnail cache: their text chunks (Thumb::URI,
// Thumb::MTime, ...) read without decoding the picture, and new thumbnails
// written with theirs. The pixels of a thumbnail are decoded by the ordinary
// cover decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using PngTexts = std::vector<std::pair<std::string, std::string>>;

// At most this many text chunks are kept of a thumbnail, each at most
// kMaxThumbnailTextBytes long: the texts past the count are not seen, and a
// chunk over the size is dropped or makes the file refused, as libpng decides.
constexpr int kMaxThumbnailTexts = 32;
constexpr size_t kMaxThumbnailTextBytes = 64 * 1024;

struct PngThumbnailInfo {
    int width = 0;
    int height = 0;
    PngTexts texts;  // the text chunks before the image data, in file order

    // The text of `key`, or "" when there is none.
    std::string text(const std::string& key) const;
};

// Reads the header and the text chunks (tEXt, zTXt, iTXt) that come before
// the image data. False when the bytes are not a PNG, are cut short before
// the image data, or hold a chunk claiming more bytes than follow it or a
// text (or sPLT) chunk over the limit: reading costs at most about `size`.
bool readPngThumbnailInfo(const uint8_t* data, size_t size, PngThumbnailInfo* info);

// An 8-bit RGB PNG of `rgb` (width * height * 3 bytes, tightly packed, top
// row first) with `texts` as tEXt chunks before the image data. Empty when
// libpng fails.
std::vector<uint8_t> encodePngThumbnail(const uint8_t* rgb, int width, int height, const PngTexts& texts);
