// WebP decoding with libwebp's incremental interface: the header is read first so
// a picture beyond the limits is refused before any pixel memory is taken, and
// libwebp scales while it decodes, so a big picture never exists at full size.
#include "texture/webp_picture.h"

#include <webp/decode.h>

#include <algorithm>
#include <string>

#include "texture/picture_format.h"
#include "texture/picture_rows.h"

namespace {

WebpPicture refused(const std::string& why) {
    WebpPicture picture;
    picture.failure = why;
    return picture;
}

const char* statusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
        case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR: return "broken WebP data";
        case VP8_STATUS_UNSUPPORTED_FEATURE: return "a WebP feature that is not supported";
        case VP8_STATUS_SUSPENDED: return "suspended";
        case VP8_STATUS_USER_ABORT: return "aborted";
        case VP8_STATUS_NOT_ENOUGH_DATA: return "the WebP data is cut short";
        default: return "unknown WebP error";
    }
}

}  // namespace

WebpPicture decodeWebpPicture(const uint8_t* data, size_t size, int maxEdge, const std::atomic<bool>* cancel) {
    if (!data || sniffPictureFormat(data, size) != PictureFormat::Webp) return refused("not a WebP picture");
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return refused("the WebP library does not match its header");
    VP8StatusCode status = WebPGetFeatures(data, size, &config.input);
    if (status != VP8_STATUS_OK) return refused(std::string("unreadable WebP header: ") + statusText(status));
    const int width = config.input.width, height = config.input.height;
    if (width <= 0 || height <= 0) return refused("the WebP header gives no size");
    if (width > kMaxWebpSide || height > kMaxWebpSide || (long long)width * height > kMaxWebpPixels)
        return refused("the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels, more than " + std::to_string(kMaxWebpSide) + " a side or " +
                       std::to_string(kMaxWebpPixels / 1000000) + " megapixels");

    int outWidth = width, outHeight = height;
    if (maxEdge > 0 && (width > maxEdge || height > maxEdge)) {
        if (width >= height) {
            outWidth = maxEdge;
            outHeight = int((long long)height * maxEdge / width);
        } else {
            outHeight = maxEdge;
            outWidth = int((long long)width * maxEdge / height);
        }
        if (outWidth < 1) outWidth = 1;
        if (outHeight < 1) outHeight = 1;
        config.options.use_scaling = 1;
        config.options.scaled_width = outWidth;
        config.options.scaled_height = outHeight;
    }

    // libwebp writes straight into our buffer: one owner, no copy.
    WebpPicture picture;
    picture.width = outWidth;
    picture.height = outHeight;
    picture.rgb.resize(size_t(outWidth) * outHeight * 3);
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.rgb.data();
    config.output.u.RGBA.stride = outWidth * 3;
    config.output.u.RGBA.size = picture.rgb.size();
    // Fed a piece at a time, so that a cancel is seen between pieces.
    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, &config);
    if (!decoder) return refused("cannot decode the WebP picture: out of memory");
    status = VP8_STATUS_SUSPENDED;
    const size_t piece = size_t(64) << 10;
    for (size_t offset = 0; status == VP8_STATUS_SUSPENDED && offset < size; offset += piece) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            status = VP8_STATUS_USER_ABORT;
            break;
        }
        status = WebPIAppend(decoder, data + offset, std::min(piece, size - offset));
    }
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config.output);  // frees nothing of ours; required after every decode
    if (status == VP8_STATUS_USER_ABORT) return refused(kCancelledReason);
    if (status == VP8_STATUS_SUSPENDED) status = VP8_STATUS_NOT_ENOUGH_DATA;
    if (status != VP8_STATUS_OK) return refused(std::string("cannot decode the WebP picture: ") + statusText(status));
    return picture;
}
