#include "icon/ico_file.h"

#include <zlib.h>

namespace {

constexpr int kLargestBitmap = 64;  // larger pictures go in as PNG

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void put32BigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

// BITMAPINFOHEADER, then BGRA rows bottom first, then the all-zero (opaque)
// AND mask; the header's height counts both masks, as icons have it.
std::vector<uint8_t> bitmapImage(const RgbPicture& picture) {
    const int size = picture.width;
    const size_t maskRow = size_t((size + 31) / 32) * 4;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, uint32_t(size));
    put32(out, uint32_t(size * 2));
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, 0);   // BI_RGB
    put32(out, uint32_t(size_t(size) * size * 4 + maskRow * size));
    for (int i = 0; i < 4; ++i) put32(out, 0);  // resolution and palette: none
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* pixel = picture.at(x, y);
            out.insert(out.end(), {pixel[2], pixel[1], pixel[0], 255});
        }
    out.resize(out.size() + maskRow * size, 0);
    return out;
}

void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32BigEndian(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32BigEndian(out, uint32_t(crc32(0, &out[start], uInt(out.size() - start))));
}

// An 8-bit RGBA PNG, opaque, every row unfiltered (RGBA is what icons hold:
// Wine swaps red and blue of an RGB one); empty when zlib fails.
std::vector<uint8_t> pngImage(const RgbPicture& picture) {
    std::vector<uint8_t> rows;
    for (int y = 0; y < picture.height; ++y) {
        rows.push_back(0);  // filter: none
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* pixel = picture.at(x, y);
            rows.insert(rows.end(), {pixel[0], pixel[1], pixel[2], 255});
        }
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), 9) != Z_OK) return {};
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    put32BigEndian(header, uint32_t(picture.width));
    put32BigEndian(header, uint32_t(picture.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", packed);
    pngChunk(out, "IEND", {});
    return out;
}

}  // namespace

std::vector<uint8_t> icoFileBytes(const std::vector<RgbPicture>& pictures) {
    std::vector<std::vector<uint8_t>> images;
    for (const RgbPicture& picture : pictures) {
        if (picture.width != picture.height || picture.width < 1 || picture.width > 256) return {};
        images.push_back(picture.width <= kLargestBitmap ? bitmapImage(picture) : pngImage(picture));
        if (images.back().empty()) return {};
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int size = pictures[i].width;
        out.push_back(uint8_t(size == 256 ? 0 : size));  // 0 stands for 256
        out.push_back(uint8_t(size == 256 ? 0 : size));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, uint32_t(images[i].size()));
        put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}
