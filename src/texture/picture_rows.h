// The row decoders behind the cover decoder: each turns the bytes of one
// picture format into 8-bit RGB rows, top row first, handed to a RowSink as
// they are decoded. None prints anything: library warnings are swallowed and
// errors come back as the returned reason ("" on success).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// The decoding work a JPEG may ask for: every scan walks the blocks of its
// components over the whole picture, so the work is the sum over the scans of
// their blocks, each scan counted as at least kMinJpegScanBlocks. Encoders
// write about ten scans: a 50-megapixel progressive JPEG asks for about 6
// million blocks (4:2:0), 10 million (4:4:4). Crafted files with thousands of
// scans, or arithmetic-coded refinement scans over a huge picture, held the
// decoder for seconds to a minute.
constexpr uint64_t kMaxJpegBlockScans = uint64_t(16) << 20;
constexpr uint64_t kMinJpegScanBlocks = 16384;

class RowSink {
public:
    virtual ~RowSink() = default;
    // Told the picture's own size; answers the smallest size, in pixels a
    // side, that it needs the rows at (0: the full size). A decoder that can
    // decode smaller (JPEG's DCT scaling) picks the smallest size not below it.
    virtual int wantedEdge(int width, int height) = 0;
    // The size of the rows that follow.
    virtual void begin(int width, int height) = 0;
    // One row of width * 3 bytes.
    virtual void row(const uint8_t* rgb) = 0;
};

// `cancel`, when given and set, stops a decode between rows with the reason
// kCancelledReason.
extern const char* const kCancelledReason;

std::string decodeJpegRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel);
std::string decodePngRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel);
std::string decodeBmpRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel);
std::string decodeWebpRows(const uint8_t* data, size_t size, RowSink& sink, const std::atomic<bool>* cancel);
