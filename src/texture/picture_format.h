// Which kind of picture a run of bytes holds, told from its first bytes, never
// from the file's name. Every place that needs the format asks here, so a new
// format is added in one place.
#pragma once

#include <cstddef>
#include <cstdint>

enum class PictureFormat { Unknown, Jpeg, Png, Bmp, Webp, Gif };

PictureFormat sniffPictureFormat(const uint8_t* data, size_t size);
