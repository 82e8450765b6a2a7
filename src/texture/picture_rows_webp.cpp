// WebP through libwebp, which scales while it decodes: the picture is decoded
// at the smallest size that still covers what the sink wants, then handed
// over row by row like the other formats. What it may hold was bounded from
// its header before (kMaxDecodeBytes); the decode looks at the cancel flag.
#include <webp/decode.h>

#include <algorithm>

#include "texture/picture_rows.h"
#include "texture/webp_picture.h"

namespace {

// The longer side to decode at so that the shorter side is still at least
// `wanted` (the sink may only shrink by area); 0, the full size, when the
// picture is not larger than that.
int longerSideFor(int wanted, int width, int height) {
    if (wanted <= 0) return 0;
    const long long longer = std::max(width, height), shorter = std::min(width, height);
    const long long side = (wanted * longer + shorter - 1) / shorter;
    return side >= longer ? 0 : int(side);
}

}  // namespace

std::string decodeWebpRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    int width = 0, height = 0;
    if (!WebPGetInfo(data, size, &width, &height) || width <= 0 || height <= 0)
        return "unreadable WebP header";
    const int wanted = sink.wantedEdge(width, height);
    WebpPicture picture = decodeWebpPicture(data, size, longerSideFor(wanted, width, height), cancel);
    if (!picture.usable()) return picture.failure;
    sink.begin(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return kCancelledReason;
        sink.row(&picture.rgb[size_t(y) * size_t(picture.width) * 3]);
    }
    return "";
}
