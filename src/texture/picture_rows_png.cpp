// PNG through libpng, one row at a time: every colour type and depth comes out
// as 8-bit RGB (alpha dropped, 16-bit cut to its high byte), and a picture
// is never held whole unless it is interlaced, where the passes need it.
// Only the chunks that make the picture are read: text, colour profiles and
// every other ancillary chunk are skipped unread (a file of a thousand
// compressed text chunks would otherwise be inflated whole before the first
// row), and chunk sizes are capped. Warnings (such as the "known incorrect
// sRGB profile" of many real files) are swallowed; errors longjmp back here.
//
// What the decode changes after setjmp lives in the heap-allocated state,
// never in a local of the function that called setjmp.
#include <png.h>

#include <cstring>
#include <memory>
#include <vector>

#include "texture/picture_rows.h"

namespace {

// Largest chunk libpng may allocate (the palette and tRNS are tiny; image
// data is streamed, never allocated whole) and most ancillary chunks kept.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
constexpr png_uint_32 kMaxCachedChunks = 32;

struct PngState {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    const std::atomic<bool>* cancel;
    char message[160] = {};
    std::vector<uint8_t> rows;
};

// libpng reads everything through here, skipped chunks too: the cancel flag is
// looked at on every read.
void readBytes(png_structp png, png_bytep out, png_size_t count) {
    PngState* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (state->cancel && state->cancel->load(std::memory_order_relaxed)) png_error(png, kCancelledReason);
    if (state->size - state->offset < count) png_error(png, "the PNG data ends early");
    std::memcpy(out, state->data + state->offset, count);
    state->offset += count;
}

[[noreturn]] void fail(png_structp png, png_const_charp message) {
    PngState* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::strncpy(state->message, message, sizeof state->message - 1);
    png_longjmp(png, 1);
}

void quiet(png_structp, png_const_charp) {}

void checkCancel(png_structp png, PngState& state) {
    if (state.cancel && state.cancel->load(std::memory_order_relaxed)) png_error(png, kCancelledReason);
}

// Everything between the libpng calls that may jump: no C++ object is made here.
void decodeInto(png_structp png, png_infop info, PngState& state, RowSink& sink) {
    png_set_read_fn(png, &state, readBytes);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Every chunk but IHDR, PLTE, tRNS, IDAT and IEND is skipped, known or not.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
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
    std::vector<uint8_t>& rows = state.rows;
    if (passes == 1) {
        rows.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y) {
            checkCancel(png, state);
            png_read_row(png, rows.data(), nullptr);
            sink.row(rows.data());
        }
    } else {
        rows.resize(rowBytes * height);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y) {
                checkCancel(png, state);
                png_read_row(png, &rows[rowBytes * y], nullptr);
            }
        for (png_uint_32 y = 0; y < height; ++y) sink.row(&rows[rowBytes * y]);
    }
}

}  // namespace

std::string decodePngRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    // Locals set before setjmp and never changed after it.
    const std::unique_ptr<PngState> state(new PngState{data, size, 0, cancel, {}, {}});
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state.get(), fail, quiet);
    if (!png) return "out of memory for the PNG decoder";
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return "out of memory for the PNG decoder";
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return state->message[0] ? std::string(state->message) : std::string("cannot decode the PNG");
    }
    decodeInto(png, info, *state, sink);
    png_destroy_read_struct(&png, &info, nullptr);
    return "";
}
