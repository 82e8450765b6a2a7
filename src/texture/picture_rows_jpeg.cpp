// JPEG through libjpeg(-turbo): DCT-domain scaling (1/2, 1/4, 1/8) toward the
// size the sink needs, a scan limit for progressive files and a cancel check
// in the progress monitor. Errors longjmp back here; warnings are dropped.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include "texture/picture_rows.h"

namespace {

struct JpegContext {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    const std::atomic<bool>* cancel = nullptr;
};

JpegContext* contextOf(j_common_ptr info) { return static_cast<JpegContext*>(info->client_data); }

[[noreturn]] void fail(j_common_ptr info) {
    JpegContext* context = contextOf(info);
    (*info->err->format_message)(info, context->message);
    std::longjmp(context->jump, 1);
}

void quiet(j_common_ptr) {}

void checkProgress(j_common_ptr info) {
    JpegContext* context = contextOf(info);
    if (context->cancel && context->cancel->load(std::memory_order_relaxed)) {
        std::snprintf(context->message, sizeof context->message, "%s", kCancelledReason);
        std::longjmp(context->jump, 1);
    }
    if (context->info.input_scan_number > kMaxJpegScans) {
        std::snprintf(context->message, sizeof context->message,
                      "progressive JPEG with more than %d scans", kMaxJpegScans);
        std::longjmp(context->jump, 1);
    }
}

// Largest power-of-two reduction (up to 8) that keeps both sides at least `edge`.
int scaleDenominator(int width, int height, int edge) {
    if (edge <= 0) return 1;
    int denominator = 1;
    while (denominator < 8 && (width + denominator * 2 - 1) / (denominator * 2) >= edge &&
           (height + denominator * 2 - 1) / (denominator * 2) >= edge)
        denominator *= 2;
    return denominator;
}

// Adobe CMYK and YCCK come out of libjpeg as inverted CMYK.
void cmykToRgb(const uint8_t* cmyk, uint8_t* rgb, int width) {
    for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned k = cmyk[3];
        rgb[0] = uint8_t(cmyk[0] * k / 255), rgb[1] = uint8_t(cmyk[1] * k / 255), rgb[2] = uint8_t(cmyk[2] * k / 255);
    }
}

// Runs the decode; jumps back into the caller's setjmp on any error, so it
// owns no C++ object whose destructor a jump would skip.
bool decodeInto(JpegContext& context, const uint8_t* data, size_t size, RowSink& sink,
                std::vector<uint8_t>& line, std::vector<uint8_t>& rgb) {
    jpeg_decompress_struct& info = context.info;
    jpeg_mem_src(&info, const_cast<uint8_t*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = unsigned(scaleDenominator(int(info.image_width), int(info.image_height),
                                                 sink.wantedEdge(int(info.image_width), int(info.image_height))));
    jpeg_start_decompress(&info);
    const int width = int(info.output_width);
    sink.begin(width, int(info.output_height));
    line.resize(size_t(width) * size_t(info.output_components));
    rgb.resize(size_t(width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = line.data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
        if (cmyk) {
            cmykToRgb(line.data(), rgb.data(), width);
            sink.row(rgb.data());
        } else {
            sink.row(line.data());
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

std::string decodeJpegRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    auto context = std::make_unique<JpegContext>();
    std::vector<uint8_t> line, rgb;
    context->info.err = jpeg_std_error(&context->errors);
    context->errors.error_exit = fail;
    context->errors.output_message = quiet;
    context->cancel = cancel;
    context->message[0] = '\0';
    if (setjmp(context->jump)) {
        jpeg_destroy_decompress(&context->info);
        return std::string(context->message[0] ? context->message : "cannot decode the JPEG");
    }
    context->info.client_data = context.get();  // kept by jpeg_create_decompress
    jpeg_create_decompress(&context->info);
    context->progress.progress_monitor = checkProgress;
    context->info.progress = &context->progress;
    const bool whole = decodeInto(*context, data, size, sink, line, rgb);
    jpeg_destroy_decompress(&context->info);
    return whole ? "" : "the JPEG data ends early";
}
