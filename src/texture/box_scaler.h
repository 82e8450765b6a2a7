// Area-average scaling of RGB rows that arrive one at a time, and the mip
// chain of a square texture. The scaler keeps the output and a row of sums,
// never the whole source picture, so a large picture is shrunk as it is
// decoded.
#pragma once

#include <cstdint>
#include <vector>

// Scales a width x height picture, fed top row first, to outWidth x
// outHeight; the two sides scale on their own, so a cover going to its
// square texture may shrink along one side and grow along the other. Each
// output pixel is the mean of the source pixels its area covers (at least
// one), so shrinking by any factor does not alias; enlarging, by any factor,
// repeats source pixels. Rows after the height-th are ignored.
class BoxScaler {
public:
    BoxScaler(int width, int height, int outWidth, int outHeight);

    // One source row of width * 3 bytes (RGB).
    void addRow(const uint8_t* rgb);
    bool complete() const { return nextOut_ == outHeight_; }
    // outWidth * outHeight * 3 bytes, tightly packed, top row first.
    std::vector<uint8_t>& output() { return out_; }

private:
    int width_, height_, outWidth_, outHeight_;
    int sourceRow_ = 0;
    int nextOut_ = 0;
    std::vector<int> colStart_, colEnd_;  // source columns of each output column
    std::vector<uint32_t> rowSums_;        // one source row, summed per output column
    std::vector<uint64_t> sums_;           // the output row being gathered
    int rowsGathered_ = 0;
    std::vector<uint8_t> out_;
};

// The next level of a square mip chain: each texel the mean of a 2 x 2 block.
std::vector<uint8_t> halveSquare(const std::vector<uint8_t>& level, int edge);
