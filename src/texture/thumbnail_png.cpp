// libpng from and to memory for the thumbnail cache. Errors longjmp back to
// the calling function; no C++ object lives between setjmp and the calls.
#include "texture/thumbnail_png.h"

#include <png.h>

#include <cstring>
#include <string>

namespace {

struct Source {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->size - source->offset < count) png_error(png, "the PNG data ends early");
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

void writeBytes(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void flush(png_structp) {}

[[noreturn]] void fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

uint32_t bigEndian(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// libpng allocates what a chunk's header claims before it reads the chunk,
// and takes a claim past its limits only as a warning: a tEXt chunk claiming
// 2 GiB in a file of a few kilobytes would cost 2 GiB. So the chunks before
// the image data are walked first: each must lie within the bytes, and a
// text or suggested-palette chunk must be no longer than a text may be.
bool chunksFit(const uint8_t* data, size_t size) {
    for (size_t at = 8; size - at >= 12;) {
        const uint32_t length = bigEndian(data + at);
        const std::string type(reinterpret_cast<const char*>(data + at + 4), 4);
        if (length > size - at - 12) return false;
        if (type == "IDAT" || type == "IEND") return true;
        if ((type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "sPLT") && length > kMaxThumbnailTextBytes)
            return false;
        at += 12 + size_t(length);
    }
    return false;  // cut short before the image data
}
void quiet(png_structp, png_const_charp) {}

}  // namespace

std::string PngThumbnailInfo::text(const std::string& key) const {
    for (const auto& [name, value] : texts)
        if (name == key) return value;
    return "";
}

bool readPngThumbnailInfo(const uint8_t* data, size_t size, PngThumbnailInfo* info) {
    *info = PngThumbnailInfo();
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0 || !chunksFit(data, size)) return false;
    Source source{data, size, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, quiet);
    if (!png) return false;
    png_infop pngInfo = png_create_info_struct(png);
    if (!pngInfo) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &pngInfo, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, readBytes);
    // Ancillary chunks are capped in number and in size; a chunk too big to
    // keep is an error, so a hostile file cannot make us hold megabytes.
    png_set_chunk_cache_max(png, kMaxThumbnailTexts + 8);
    png_set_chunk_malloc_max(png, kMaxThumbnailTextBytes);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, pngInfo);
    info->width = int(png_get_image_width(png, pngInfo));
    info->height = int(png_get_image_height(png, pngInfo));
    png_textp texts = nullptr;
    const int count = png_get_text(png, pngInfo, &texts, nullptr);
    // No libpng call that may jump follows: the strings are safe to make.
    for (int i = 0; i < count && i < kMaxThumbnailTexts; ++i) {
        const size_t length = texts[i].compression == PNG_ITXT_COMPRESSION_NONE ||
                                      texts[i].compression == PNG_ITXT_COMPRESSION_zTXt
                                  ? texts[i].itxt_length
                                  : texts[i].text_length;
        info->texts.emplace_back(texts[i].key ? texts[i].key : "",
                                 std::string(texts[i].text ? texts[i].text : "", texts[i].text ? length : 0));
    }
    png_destroy_read_struct(&png, &pngInfo, nullptr);
    return true;
}

namespace {

// The libpng part of encodePngThumbnail; `rows` and `keys` are made by the caller.
bool encodeInto(png_structp png, png_infop info, std::vector<uint8_t>* out, int width, int height,
                png_bytepp rows, png_textp texts, int textCount) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, writeBytes, flush);
    png_set_compression_level(png, 3);  // written on the loader thread: quick over small
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (textCount > 0) png_set_text(png, info, texts, textCount);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> encodePngThumbnail(const uint8_t* rgb, int width, int height, const PngTexts& texts) {
    std::vector<uint8_t> out;
    if (width <= 0 || height <= 0) return out;
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = const_cast<png_bytep>(rgb + size_t(y) * size_t(width) * 3);
    std::vector<png_text> chunks(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        chunks[i] = png_text{};
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(texts[i].first.c_str());
        chunks[i].text = const_cast<char*>(texts[i].second.c_str());
        chunks[i].text_length = texts[i].second.size();
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, quiet);
    if (!png) return out;
    png_infop info = png_create_info_struct(png);
    const bool written =
        info && encodeInto(png, info, &out, width, height, rows.data(), chunks.data(), int(chunks.size()));
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!written) out.clear();
    return out;
}
