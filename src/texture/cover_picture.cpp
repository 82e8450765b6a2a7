// Cover decoding: the file is read once (regular files only), a header check
// refuses what no decoder should be asked to decode, then the format's row
// decoder turns the same bytes into RGB rows, which are either kept as they
// are or scaled to the texture's size as they arrive. The header check
// understands only the cover formats; anything else is refused.

#include "texture/cover_picture.h"

#include <SDL.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "texture/box_scaler.h"
#include "texture/picture_format.h"
#include "texture/picture_rows.h"

namespace {

struct RwClose {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};
using RwBytes = std::unique_ptr<SDL_RWops, RwClose>;

// Buffered forward reading of the picture's bytes; byte() gives -1 at the end.
class HeaderReader {
public:
    explicit HeaderReader(SDL_RWops* rw) : rw_(rw) {}

    int byte() {
        if (pos_ == len_ && !refill()) return -1;
        return buffer_[pos_++];
    }
    // Big- or little-endian unsigned value of `bytes` bytes; false at the end.
    bool big(int bytes, uint32_t& value) { return number(bytes, value, true); }
    bool little(int bytes, uint32_t& value) { return number(bytes, value, false); }
    bool skip(uint32_t count) {
        while (count > 0) {
            if (pos_ == len_ && !refill()) return false;
            uint32_t step = std::min<uint32_t>(count, uint32_t(len_ - pos_));
            pos_ += step;
            count -= step;
        }
        return true;
    }
    // Back to the first byte of the file.
    bool rewind() {
        pos_ = len_ = 0;
        return SDL_RWseek(rw_, 0, RW_SEEK_SET) == 0;
    }
    // Reads on until the two bytes `first`, `second` have been read in a row.
    bool findPair(uint8_t first, uint8_t second) {
        bool afterFirst = false;
        for (;;) {
            if (pos_ == len_ && !refill()) return false;
            if (afterFirst && buffer_[pos_] == second) return true;
            afterFirst = false;
            const void* hit = std::memchr(buffer_ + pos_, first, len_ - pos_);
            if (!hit) {
                pos_ = len_;
                continue;
            }
            pos_ = size_t(static_cast<const uint8_t*>(hit) - buffer_) + 1;
            afterFirst = true;
        }
    }

private:
    bool refill() {
        int got = SDL_RWread(rw_, buffer_, 1, int(sizeof buffer_));  // -1 on a read error
        pos_ = 0;
        len_ = got > 0 ? size_t(got) : 0;
        return len_ > 0;
    }
    bool number(int bytes, uint32_t& value, bool bigEndian) {
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            int b = byte();
            if (b < 0) return false;
            value = bigEndian ? (value << 8) | uint32_t(b) : value | (uint32_t(b) << (8 * i));
        }
        return true;
    }

    SDL_RWops* rw_;
    uint8_t buffer_[65536];
    size_t pos_ = 0;
    size_t len_ = 0;
};

std::string sizeFailure(long long width, long long height) {
    if (width <= 0 || height <= 0)
        return "the picture header gives no size (" + std::to_string(width) + " x " +
               std::to_string(height) + ")";
    if (width > kMaxCoverSide || height > kMaxCoverSide || width * height > kMaxCoverPixels)
        return "the picture claims " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels; covers are limited to " + std::to_string(kMaxCoverSide) + " a side and " +
               std::to_string(kMaxCoverPixels / 1000000) + " megapixels";
    return "";
}

// After the 8-byte signature the first chunk must be IHDR.
std::string checkPng(HeaderReader& in) {
    uint32_t length, type, width, height;
    if (!in.skip(8) || !in.big(4, length) || !in.big(4, type) || !in.big(4, width) || !in.big(4, height))
        return "truncated PNG header";
    if (length != 13 || type != 0x49484452)  // "IHDR"
        return "PNG without its IHDR header";
    if (width > 0x7fffffff || height > 0x7fffffff) return "PNG header with an invalid size";
    return sizeFailure(width, height);
}

bool isJpegFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Next marker code after the SOI, skipping stray bytes and fill bytes as
// libjpeg does; -1 at the end of the file.
int nextJpegMarker(HeaderReader& in) {
    int c = in.byte();
    while (c >= 0 && c != 0xFF) c = in.byte();
    while (c == 0xFF) c = in.byte();
    return c;
}

// Walks the segments to the frame header (size check) and on to the first
// scan; the entropy-coded data after it must reach an end-of-image marker,
// which is how a cut-off file shows (libjpeg would pad it with grey).
std::string checkJpeg(HeaderReader& in) {
    if (!in.skip(2)) return "truncated JPEG header";  // SOI
    bool frameSeen = false;
    for (;;) {
        int marker = nextJpegMarker(in);
        if (marker < 0) return frameSeen ? "truncated JPEG: no image data" : "truncated JPEG header";
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9) return "JPEG ends before its image data";
        uint32_t length;
        if (!in.big(2, length)) return "truncated JPEG header";
        if (length < 2) return "corrupt JPEG segment length";
        if (isJpegFrameMarker(marker)) {
            uint32_t precision, height, width;
            if (length < 8) return "corrupt JPEG frame header";
            if (!in.big(1, precision) || !in.big(2, height) || !in.big(2, width))
                return "truncated JPEG frame header";
            std::string failure = sizeFailure(width, height);
            if (!failure.empty()) return failure;
            frameSeen = true;
            length -= 5;  // precision and size already read
        }
        if (marker == 0xDA && !frameSeen) return "JPEG scan before its frame header";
        if (!in.skip(length - 2)) return "truncated JPEG header";
        if (marker == 0xDA) break;
    }
    if (!in.findPair(0xFF, 0xD9)) return "truncated JPEG: the end-of-image marker is missing";
    return "";
}

// BITMAPCOREHEADER (12 bytes) has 16-bit sizes, every later header 32-bit
// signed ones; a negative height means top row first.
std::string checkBmp(HeaderReader& in) {
    uint32_t headerSize;
    if (!in.skip(14) || !in.little(4, headerSize)) return "truncated BMP header";
    uint32_t width, height;
    if (headerSize == 12) {
        if (!in.little(2, width) || !in.little(2, height)) return "truncated BMP header";
        return sizeFailure(width, height);
    }
    if (headerSize < 16) return "BMP with an unknown header";
    if (!in.little(4, width) || !in.little(4, height)) return "truncated BMP header";
    long long w = int32_t(width), h = int32_t(height);
    return sizeFailure(w, h < 0 ? -h : h);
}

// The sizes in the VP8, VP8L or VP8X header, read by libwebp.
std::string checkWebp(const uint8_t* data, size_t size) {
    int width = 0, height = 0;
    if (!WebPGetInfo(data, size, &width, &height)) return "unreadable WebP header";
    return sizeFailure(width, height);
}

// Runs the header check of the format the bytes hold.
std::string checkHeader(const uint8_t* data, size_t size, PictureFormat format) {
    if (size == 0) return "empty file";
    if (format == PictureFormat::Gif) return "a GIF picture; covers are JPEG, PNG, BMP or WebP";
    if (format == PictureFormat::Unknown) return "not a JPEG, PNG, BMP or WebP picture";
    if (format == PictureFormat::Webp) return checkWebp(data, size);
    RwBytes rw(SDL_RWFromConstMem(data, int(size)));
    if (!rw) return std::string("cannot read the picture: ") + SDL_GetError();
    auto reader = std::make_unique<HeaderReader>(rw.get());
    switch (format) {
        case PictureFormat::Png: return checkPng(*reader);
        case PictureFormat::Jpeg: return checkJpeg(*reader);
        case PictureFormat::Bmp: return checkBmp(*reader);
        default: return "not a JPEG, PNG, BMP or WebP picture";
    }
}

// Checks, then decodes into `sink`; "" when the sink got every row.
std::string decodeRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel) {
    if (size > size_t(0x7fffffff)) return "the picture is too large";
    const PictureFormat format = sniffPictureFormat(data, size);
    std::string failure = checkHeader(data, size, format);
    if (!failure.empty()) return failure;
    switch (format) {
        case PictureFormat::Jpeg: return decodeJpegRows(data, size, sink, cancel);
        case PictureFormat::Png: return decodePngRows(data, size, sink, cancel);
        case PictureFormat::Bmp: return decodeBmpRows(data, size, sink, cancel);
        case PictureFormat::Webp: return decodeWebpRows(data, size, sink, cancel);
        default: return "not a JPEG, PNG, BMP or WebP picture";
    }
}

// Keeps the rows at their own size with GL's 4-byte row padding.
class FullSizeSink : public RowSink {
public:
    explicit FullSizeSink(CoverPicture& picture) : picture_(picture) {}
    int wantedEdge(int, int) override { return 0; }
    void begin(int width, int height) override {
        picture_.width = width;
        picture_.height = height;
        picture_.pitch = int((size_t(width) * 3 + 3) & ~size_t(3));
        picture_.pixels.assign(size_t(picture_.pitch) * size_t(height), 0);
    }
    void row(const uint8_t* rgb) override {
        if (rows_ >= picture_.height) return;
        std::memcpy(&picture_.pixels[size_t(rows_++) * size_t(picture_.pitch)], rgb, size_t(picture_.width) * 3);
    }
    bool complete() const { return picture_.height > 0 && rows_ == picture_.height; }

private:
    CoverPicture& picture_;
    int rows_ = 0;
};

// Scales the rows to the texture's square level 0 as they arrive.
class TextureSink : public RowSink {
public:
    TextureSink(CoverTexels& texels, int coverHeight) : texels_(texels), coverHeight_(coverHeight) {}
    int wantedEdge(int width, int height) override {
        texels_.sourceWidth = width;
        texels_.sourceHeight = height;
        texels_.edge = coverTextureEdge(coverHeight_, width, height);
        return texels_.edge;
    }
    void begin(int width, int height) override {
        scaler_ = std::make_unique<BoxScaler>(width, height, texels_.edge, texels_.edge);
    }
    void row(const uint8_t* rgb) override {
        if (scaler_) scaler_->addRow(rgb);
    }
    bool complete() const { return scaler_ && scaler_->complete(); }
    std::vector<uint8_t> takeLevel() { return std::move(scaler_->output()); }

private:
    CoverTexels& texels_;
    int coverHeight_;
    std::unique_ptr<BoxScaler> scaler_;
};

CoverPicture refusedPicture(std::string reason) {
    CoverPicture picture;
    picture.failure = std::move(reason);
    return picture;
}

CoverTexels refusedTexels(std::string reason) {
    CoverTexels texels;
    texels.failure = std::move(reason);
    return texels;
}

int nextPowerOfTwo(int value) {
    int power = 1;
    while (power < value && power < (1 << 30)) power *= 2;
    return power;
}

}  // namespace

const char* const kCancelledReason = "cancelled";

size_t CoverTexels::coverTextureBytes(int edge) {
    size_t bytes = 0;
    for (size_t side = size_t(std::max(edge, 0)); side > 0; side /= 2) bytes += side * side * 4;
    return bytes;
}

int coverTextureEdge(int coverHeight, int pictureWidth, int pictureHeight) {
    int edge = std::min(nextPowerOfTwo(std::max(coverHeight, 1)), kMaxCoverTextureEdge);
    return std::min(edge, nextPowerOfTwo(std::max({pictureWidth, pictureHeight, 1})));
}

CoverPicture decodeCoverPicture(const char* path) {
    std::vector<uint8_t> bytes;
    std::string failure;
    if (!platform::readRegularFile(path, kMaxCoverFileBytes, &bytes, &failure)) return refusedPicture(failure);
    CoverPicture picture;
    FullSizeSink sink(picture);
    failure = decodeRows(bytes.data(), bytes.size(), sink, nullptr);
    if (failure.empty() && !sink.complete()) failure = "the picture ends before its last row";
    if (!failure.empty()) return refusedPicture(failure);
    return picture;
}

CoverTexels decodeCoverBytes(const uint8_t* data, size_t size, int coverHeight, const std::atomic<bool>* cancel) {
    CoverTexels texels;
    std::string failure;
    {
        TextureSink sink(texels, coverHeight);
        failure = decodeRows(data, size, sink, cancel);
        if (failure.empty() && !sink.complete()) failure = "the picture ends before its last row";
        if (failure.empty()) texels.levels.push_back(sink.takeLevel());
    }
    if (!failure.empty()) return refusedTexels(failure);
    for (int edge = texels.edge; edge > 1; edge /= 2) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return refusedTexels(kCancelledReason);
        texels.levels.push_back(halveSquare(texels.levels.back(), edge));
    }
    return texels;
}

CoverTexels decodeCoverFile(const std::string& path, int coverHeight, const std::atomic<bool>* cancel) {
    std::vector<uint8_t> bytes;
    std::string failure;
    if (!platform::readRegularFile(path, kMaxCoverFileBytes, &bytes, &failure, cancel)) return refusedTexels(failure);
    return decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel);
}
