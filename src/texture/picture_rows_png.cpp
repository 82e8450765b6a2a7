// PNG through libpng, one row at a time: every colour type and depth comes out
// as 8-bit RGB (alpha dropped, 16-bit cut to its high byte), and a picture
// is never held whole unless it is interlaced, where the passes need it.
// Warnings (such as the "known incorrect sRGB profile" of many real files)
// are swallowed; errors longjmp back here.
#include <png.h>

#include <cstring>
#include <vector>

#include "texture/picture_rows.h"

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    const std::atomic<bool>* cancel;
    char message[160] = {};
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->size - source->offset < count) png_error(png, "the PNG data ends early");
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

[[noreturn]] void fail(png_structp png, png_const_charp message) {
    PngSource* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::strncpy(source->message, message, sizeof source->message - 1);
    png_longjmp(png, 1);
}

void quiet(png_structp, png_const_charp) {}

void checkCancel(png_structp png, PngSource& source) {
    if (source.cancel && source.cancel->load(std::memory_order_relaxed)) png_error(png, kCancelledReason);
}

// Everything between the libpng calls that may jump: no C++ object is made here.
void decodeInto(png_structp png, png_infop info, PngSource& source, RowSink& sink, std::vector<uint8_t>& rows) {
    png_set_read_fn(png, &source, readBytes);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 3) png_error(png, "unexpected PNG row layout");
    sink.wantedEdge(int(width), int(height));
    sink.begin(int(width), int(height));
    const size_t rowBytes = size_t(width) * 3;
    if (passes == 1) {
        rows.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y) {
            checkCancel(png, source);
            png_read_row(png, rows.data(), nullptr);
            sink.row(rows.data());
        }
    } else {
        rows.resize(rowBytes * height);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y) {
                checkCancel(png, source);
                png_read_row(png, &rows[rowBytes * y], nullptr);
            }
        for (png_uint_32 y = 0; y < height; ++y) sink.row(&rows[rowBytes * y]);
    }
}

}  // namespace

std::string decodePngRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    PngSource source{data, size, 0, cancel};
    std::vector<uint8_t> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, fail, quiet);
    if (!png) return "out of memory for the PNG decoder";
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return "out of memory for the PNG decoder";
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return source.message[0] ? std::string(source.message) : std::string("cannot decode the PNG");
    }
    decodeInto(png, info, source, sink, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return "";
}
