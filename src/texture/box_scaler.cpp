#include "texture/box_scaler.h"

#include <algorithm>

namespace {

// Source span [start, end) of output cell `i` of `outCount` over `count`
// source cells: never empty, so enlarging repeats cells.
int spanStart(int i, int count, int outCount) { return int(int64_t(i) * count / outCount); }
int spanEnd(int i, int count, int outCount) {
    return std::max(spanStart(i, count, outCount) + 1, int(int64_t(i + 1) * count / outCount));
}

}  // namespace

BoxScaler::BoxScaler(int width, int height, int outWidth, int outHeight)
    : width_(width), height_(height), outWidth_(outWidth), outHeight_(outHeight),
      colStart_(size_t(outWidth)), colEnd_(size_t(outWidth)), rowSums_(size_t(outWidth) * 3),
      sums_(size_t(outWidth) * 3), out_(size_t(outWidth) * outHeight * 3) {
    for (int x = 0; x < outWidth; ++x) {
        colStart_[size_t(x)] = spanStart(x, width, outWidth);
        colEnd_[size_t(x)] = spanEnd(x, width, outWidth);
    }
}

void BoxScaler::addRow(const uint8_t* rgb) {
    if (sourceRow_ >= height_) return;
    const int y = sourceRow_++;
    for (int x = 0; x < outWidth_; ++x) {
        uint32_t r = 0, g = 0, b = 0;
        for (int s = colStart_[size_t(x)]; s < colEnd_[size_t(x)]; ++s) {
            const uint8_t* p = rgb + size_t(s) * 3;
            r += p[0], g += p[1], b += p[2];
        }
        rowSums_[size_t(x) * 3] = r, rowSums_[size_t(x) * 3 + 1] = g, rowSums_[size_t(x) * 3 + 2] = b;
    }
    // Output rows whose span holds this row; when enlarging one source row
    // serves several output rows, each finished at once.
    while (nextOut_ < outHeight_ && spanStart(nextOut_, height_, outHeight_) <= y) {
        for (size_t i = 0; i < sums_.size(); ++i) sums_[i] += rowSums_[i];
        ++rowsGathered_;
        if (y != spanEnd(nextOut_, height_, outHeight_) - 1) break;
        uint8_t* row = &out_[size_t(nextOut_) * outWidth_ * 3];
        const double perRow = 1.0 / rowsGathered_;
        for (int x = 0; x < outWidth_; ++x) {
            // A multiply, not an integer division per channel: this runs for every texel.
            const double scale = perRow / double(colEnd_[size_t(x)] - colStart_[size_t(x)]);
            for (int c = 0; c < 3; ++c) {
                uint64_t& sum = sums_[size_t(x) * 3 + c];
                row[x * 3 + c] = uint8_t(std::min(255.0, double(sum) * scale + 0.5));
                sum = 0;
            }
        }
        rowsGathered_ = 0;
        ++nextOut_;
    }
}

std::vector<uint8_t> halveSquare(const std::vector<uint8_t>& level, int edge) {
    const int half = std::max(1, edge / 2);
    std::vector<uint8_t> next(size_t(half) * half * 3);
    for (int y = 0; y < half; ++y)
        for (int x = 0; x < half; ++x)
            for (int c = 0; c < 3; ++c) {
                const int x0 = std::min(x * 2, edge - 1), x1 = std::min(x * 2 + 1, edge - 1);
                const int y0 = std::min(y * 2, edge - 1), y1 = std::min(y * 2 + 1, edge - 1);
                const unsigned sum = level[(size_t(y0) * edge + x0) * 3 + c] + level[(size_t(y0) * edge + x1) * 3 + c] +
                                     level[(size_t(y1) * edge + x0) * 3 + c] + level[(size_t(y1) * edge + x1) * 3 + c];
                next[(size_t(y) * half + x) * 3 + c] = uint8_t((sum + 2) / 4);
            }
    return next;
}
