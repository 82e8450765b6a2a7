// JPEG through libjpeg(-turbo): DCT-domain scaling (1/2, 1/4, 1/8) toward the
// size the sink needs, a work budget (blocks decoded over all scans) and a
// memory budget (libjpeg's max_memory_to_use) checked as the decode goes, and
// a cancel check in the progress monitor. Errors longjmp back here; warnings
// are dropped.
//
// Everything the decode changes after setjmp lives in the heap-allocated
// context, never in a local of the function that called setjmp: after a
// longjmp such a local would hold an indeterminate value (its buffers would
// leak or be freed twice).
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <vector>

#include "texture/cover_picture.h"
#include "texture/picture_rows.h"

namespace {

struct JpegContext {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    const std::atomic<bool>* cancel = nullptr;
    int scanSeen = 0;      // the last scan counted into work
    uint64_t work = 0;     // blocks decoded over the scans so far
    std::vector<uint8_t> line, rgb;
};

JpegContext* contextOf(j_common_ptr info) { return static_cast<JpegContext*>(info->client_data); }

[[noreturn]] void fail(j_common_ptr info) {
    JpegContext* context = contextOf(info);
    (*info->err->format_message)(info, context->message);
    std::longjmp(context->jump, 1);
}

void quiet(j_common_ptr) {}

[[noreturn]] void stop(JpegContext* context, const char* reason) {
    std::snprintf(context->message, sizeof context->message, "%s", reason);
    std::longjmp(context->jump, 1);
}

// Called by libjpeg between rows of every pass: the cancel flag, and each new
// scan's blocks added to the work (the header check has summed the scans it
// could see; this also holds for what it could not).
void checkProgress(j_common_ptr common) {
    JpegContext* context = contextOf(common);
    if (context->cancel && context->cancel->load(std::memory_order_relaxed)) stop(context, kCancelledReason);
    const jpeg_decompress_struct& info = context->info;
    if (info.input_scan_number == context->scanSeen) return;
    context->scanSeen = info.input_scan_number;
    uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
        if (info.cur_comp_info[i])
            blocks += uint64_t(info.cur_comp_info[i]->width_in_blocks) * info.cur_comp_info[i]->height_in_blocks;
    context->work += std::max(blocks, kMinJpegScanBlocks);
    if (context->work > kMaxJpegBlockScans) stop(context, "the JPEG asks for more decoding work than a cover may take");
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

// Runs the decode; jumps back into the caller's setjmp on any error. It makes
// no C++ object whose destructor a jump would skip: its buffers are the context's.
bool decodeInto(JpegContext& context, const uint8_t* data, size_t size, RowSink& sink) {
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
    context.line.resize(size_t(width) * size_t(info.output_components));
    context.rgb.resize(size_t(width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = context.line.data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
        if (cmyk) {
            cmykToRgb(context.line.data(), context.rgb.data(), width);
            sink.row(context.rgb.data());
        } else {
            sink.row(context.line.data());
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

std::string decodeJpegRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    // The only local: a pointer set before setjmp and never changed after it.
    const std::unique_ptr<JpegContext> context = std::make_unique<JpegContext>();
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
    // Beyond this libjpeg would need a backing store, which this build has
    // not: the decode ends with an error instead of taking more.
    context->info.mem->max_memory_to_use = long(kMaxDecodeBytes);
    context->progress.progress_monitor = checkProgress;
    context->info.progress = &context->progress;
    const bool whole = decodeInto(*context, data, size, sink);
    jpeg_destroy_decompress(&context->info);
    return whole ? "" : "the JPEG data ends early";
}
