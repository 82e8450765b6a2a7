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
    // Reads on until `value` has been read; false at the end.
    bool skipPast(uint8_t value) {
        for (;;) {
            if (pos_ == len_ && !refill()) return false;
            const void* hit = std::memchr(buffer_ + pos_, value, len_ - pos_);
            if (hit) {
                pos_ = size_t(static_cast<const uint8_t*>(hit) - buffer_) + 1;
                return true;
            }
            pos_ = len_;
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

// After the 8-byte signature the first chunk must be IHDR. An interlaced
// picture is held whole while its passes arrive; otherwise a row at a time.
std::string checkPng(HeaderReader& in, uint64_t* memory) {
    uint32_t length, type, width, height, depth, colour, compression, filter, interlace;
    if (!in.skip(8) || !in.big(4, length) || !in.big(4, type) || !in.big(4, width) || !in.big(4, height) ||
        !in.big(1, depth) || !in.big(1, colour) || !in.big(1, compression) || !in.big(1, filter) ||
        !in.big(1, interlace))
        return "truncated PNG header";
    if (length != 13 || type != 0x49484452)  // "IHDR"
        return "PNG without its IHDR header";
    if (width > 0x7fffffff || height > 0x7fffffff) return "PNG header with an invalid size";
    *memory = interlace ? uint64_t(width) * height * 3 : uint64_t(width) * 16;
    return sizeFailure(width, height);
}

bool isJpegFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Next marker code after the SOI, skipping stray bytes and fill bytes as
// libjpeg does; -1 at the end of the file.
int nextJpegMarker(HeaderReader& in) {
    if (!in.skipPast(0xFF)) return -1;
    int c = in.byte();
    while (c == 0xFF) c = in.byte();
    return c;
}

// A component of the frame: its id and its size in 8 x 8 blocks, as
// libjpeg's coefficient buffer keeps it (rounded up to whole MCUs).
struct JpegComponent {
    int id;
    uint64_t blocks;
};

// Reads a scan header after its length and returns the blocks one pass over
// its components decodes; `length` is left as what remains of the segment.
bool jpegScanBlocks(HeaderReader& in, const std::vector<JpegComponent>& components, uint32_t& length,
                    uint64_t* blocks, uint32_t* count) {
    uint32_t n;
    if (length < 3 || !in.big(1, n)) return false;
    length -= 1;
    *blocks = 0;
    *count = n;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t id, tables;
        if (length < 4 || !in.big(1, id) || !in.big(1, tables)) return false;
        length -= 2;
        for (const JpegComponent& component : components)
            if (component.id == int(id)) *blocks += component.blocks;
    }
    return true;
}

// Walks the segments to the frame header (size check) and on through every
// scan to the end-of-image marker, which is how a cut-off file shows (libjpeg
// would pad it with grey). Sums the work the scans ask for, one pass over
// their components' blocks each, and the memory the decode will hold: the
// whole picture's coefficients when the file has more than one scan.
std::string checkJpeg(HeaderReader& in, uint64_t* memory, uint64_t* work) {
    if (!in.skip(2)) return "truncated JPEG header";  // SOI
    bool frameSeen = false, scanSeen = false, multiScan = false;
    std::vector<JpegComponent> components;
    uint64_t width = 0;
    *work = 0;
    for (;;) {
        int marker = nextJpegMarker(in);
        if (marker < 0)
            return !scanSeen ? (frameSeen ? "truncated JPEG: no image data" : "truncated JPEG header")
                             : "truncated JPEG: the end-of-image marker is missing";
        // Stuffed zeros and restart markers of the entropy-coded data, and markers without a segment.
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9) {
            if (!scanSeen) return "JPEG ends before its image data";
            break;
        }
        uint32_t length;
        if (!in.big(2, length)) return scanSeen ? "truncated JPEG: the end-of-image marker is missing"
                                                : "truncated JPEG header";
        if (length < 2) return "corrupt JPEG segment length";
        if (isJpegFrameMarker(marker) && !frameSeen) {
            uint32_t precision, height, frameWidth, count;
            if (length < 8) return "corrupt JPEG frame header";
            if (!in.big(1, precision) || !in.big(2, height) || !in.big(2, frameWidth) || !in.big(1, count))
                return "truncated JPEG frame header";
            std::string failure = sizeFailure(frameWidth, height);
            if (!failure.empty()) return failure;
            frameSeen = true;
            width = frameWidth;
            length -= 6;  // precision, size and component count already read
            struct Sampling {
                uint32_t id, h, v;
            };
            std::vector<Sampling> sampling;
            uint32_t hMax = 1, vMax = 1;
            for (uint32_t i = 0; i < count && length >= 5; ++i, length -= 3) {
                uint32_t id, factors, table;
                if (!in.big(1, id) || !in.big(1, factors) || !in.big(1, table)) return "truncated JPEG frame header";
                const uint32_t h = std::max(factors >> 4, 1u), v = std::max(factors & 15, 1u);
                sampling.push_back({id, h, v});
                hMax = std::max(hMax, h), vMax = std::max(vMax, v);
            }
            for (const Sampling& c : sampling) {
                auto inBlocks = [](uint64_t pixels, uint32_t factor, uint32_t most) {
                    const uint64_t blocks = (pixels * factor + most * 8 - 1) / (most * 8);
                    return (blocks + factor - 1) / factor * factor;
                };
                components.push_back({int(c.id), inBlocks(frameWidth, c.h, hMax) * inBlocks(height, c.v, vMax)});
            }
            multiScan = multiScan || marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        }
        if (marker == 0xDA) {
            if (!frameSeen) return "JPEG scan before its frame header";
            uint64_t blocks = 0;
            uint32_t count = 0;
            if (!jpegScanBlocks(in, components, length, &blocks, &count)) return "corrupt JPEG scan header";
            if (scanSeen || count < components.size()) multiScan = true;
            scanSeen = true;
            *work += std::max(blocks, kMinJpegScanBlocks);
            if (*work > kMaxJpegBlockScans)
                return "the JPEG asks for more decoding work than a cover may take (its scans would decode more "
                       "than " + std::to_string(kMaxJpegBlockScans >> 20) + " million blocks)";
        }
        if (!in.skip(length - 2)) return scanSeen ? "truncated JPEG: the end-of-image marker is missing"
                                                  : "truncated JPEG header";
    }
    uint64_t coefficients = 0;
    for (const JpegComponent& component : components) coefficients += component.blocks * 128;
    *memory = multiScan ? coefficients : width * 3 * 64;
    return "";
}

// BITMAPCOREHEADER (12 bytes) has 16-bit sizes, every later header 32-bit
// signed ones; a negative height means top row first.
// The whole picture is decoded into an SDL surface, then converted to RGB.
std::string checkBmp(HeaderReader& in, uint64_t* memory) {
    uint32_t headerSize;
    if (!in.skip(14) || !in.little(4, headerSize)) return "truncated BMP header";
    uint32_t width, height;
    if (headerSize == 12) {
        if (!in.little(2, width) || !in.little(2, height)) return "truncated BMP header";
        *memory = uint64_t(width) * height * 7;
        return sizeFailure(width, height);
    }
    if (headerSize < 16) return "BMP with an unknown header";
    if (!in.little(4, width) || !in.little(4, height)) return "truncated BMP header";
    long long w = int32_t(width), h = int32_t(height);
    if (h < 0) h = -h;
    if (w > 0) *memory = uint64_t(w) * uint64_t(h) * 7;  // the surface (up to 4 bytes a pixel) and its RGB copy
    return sizeFailure(w, h);
}

// The sizes in the VP8, VP8L or VP8X header, read by libwebp. A lossless
// picture is decoded whole, libwebp holding about 7 bytes a pixel (a 38-byte
// file claiming 50 megapixels took 345 MB); a lossy one a few rows at a time,
// its alpha plane whole.
std::string checkWebp(const uint8_t* data, size_t size, uint64_t* memory) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return "unreadable WebP header";
    const uint64_t pixels = uint64_t(std::max(features.width, 0)) * uint64_t(std::max(features.height, 0));
    *memory = features.format != 1 ? pixels * 7 : (features.has_alpha ? pixels : 0) + uint64_t(features.width) * 64;
    return sizeFailure(features.width, features.height);
}

// Runs the header check of the format the bytes hold; `memory` gets what
// its decode will hold at once, `work` (JPEG) the blocks its scans decode.
std::string checkHeader(const uint8_t* data, size_t size, PictureFormat format, uint64_t* memory, uint64_t* work) {
    *memory = *work = 0;
    if (size == 0) return "empty file";
    if (format == PictureFormat::Gif) return "a GIF picture; covers are JPEG, PNG, BMP or WebP";
    if (format == PictureFormat::Unknown) return "not a JPEG, PNG, BMP or WebP picture";
    if (format == PictureFormat::Webp) return checkWebp(data, size, memory);
    RwBytes rw(SDL_RWFromConstMem(data, int(size)));
    if (!rw) return std::string("cannot read the picture: ") + SDL_GetError();
    auto reader = std::make_unique<HeaderReader>(rw.get());
    switch (format) {
        case PictureFormat::Png: return checkPng(*reader, memory);
        case PictureFormat::Jpeg: return checkJpeg(*reader, memory, work);
        case PictureFormat::Bmp: return checkBmp(*reader, memory);
        default: return "not a JPEG, PNG, BMP or WebP picture";
    }
}

// Adds to a count of memory in hand for as long as it lives.
class InHand {
public:
    InHand(std::atomic<size_t>* count, uint64_t bytes) : count_(count), bytes_(size_t(bytes)) {
        if (count_) *count_ += bytes_;
    }
    ~InHand() {
        if (count_) *count_ -= bytes_;
    }
    InHand(const InHand&) = delete;
    InHand& operator=(const InHand&) = delete;

private:
    std::atomic<size_t>* count_;
    size_t bytes_;
};

// Checks, then decodes into `sink`; "" when the sink got every row.
std::string decodeRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel,
                       std::atomic<size_t>* inHandBytes) {
    if (size > size_t(0x7fffffff)) return "the picture is too large";
    const PictureFormat format = sniffPictureFormat(data, size);
    uint64_t memory = 0, work = 0;
    std::string failure = checkHeader(data, size, format, &memory, &work);
    if (!failure.empty()) return failure;
    if (memory > kMaxDecodeBytes)
        return "decoding it would hold " + std::to_string(memory >> 20) + " MiB at once, more than the " +
               std::to_string(kMaxDecodeBytes >> 20) + " MiB a cover may take";
    InHand held(inHandBytes, memory);
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
    failure = decodeRows(bytes.data(), bytes.size(), sink, nullptr, nullptr);
    if (failure.empty() && !sink.complete()) failure = "the picture ends before its last row";
    if (!failure.empty()) return refusedPicture(failure);
    return picture;
}

CoverTexels decodeCoverBytes(const uint8_t* data, size_t size, int coverHeight, const std::atomic<bool>* cancel,
                             std::atomic<size_t>* inHandBytes) {
    CoverTexels texels;
    std::string failure;
    {
        TextureSink sink(texels, coverHeight);
        failure = decodeRows(data, size, sink, cancel, inHandBytes);
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

CoverTexels decodeCoverFile(const std::string& path, int coverHeight, const std::atomic<bool>* cancel,
                            std::atomic<size_t>* inHandBytes) {
    std::vector<uint8_t> bytes;
    std::string failure;
    if (!platform::readRegularFile(path, kMaxCoverFileBytes, &bytes, &failure, cancel)) return refusedTexels(failure);
    InHand held(inHandBytes, bytes.size());
    return decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel, inHandBytes);
}
