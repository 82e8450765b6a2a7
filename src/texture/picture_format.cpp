#include "texture/picture_format.h"

#include <cstring>

PictureFormat sniffPictureFormat(const uint8_t* data, size_t size) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(data, png, 8) == 0) return PictureFormat::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::Jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return PictureFormat::Gif;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return PictureFormat::Webp;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return PictureFormat::Bmp;
    return PictureFormat::Unknown;
}
