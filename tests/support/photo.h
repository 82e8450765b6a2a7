// A photograph of a window as the desktop shows it (read back from the X
// server with grabWindow), and the pixel checks the end-to-end tests make on
// it: a colour at a point, a rectangle equal to another photo's, lit pixels
// in a band of rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Photo {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // top row first, 3 bytes a pixel; empty when the grab failed

    bool empty() const { return pixels.empty(); }
    const uint8_t* at(int x, int y) const { return &pixels[(size_t(y) * width + x) * 3]; }
    bool blackAt(int x, int y) const { return at(x, y)[0] == 0 && at(x, y)[1] == 0 && at(x, y)[2] == 0; }
    // (x, y) lies in the photo and shows `rgb`, each channel within `tolerance`.
    bool shows(int x, int y, const uint8_t* rgb, int tolerance = 8) const;
    // The pixels of rows y0 .. y1 (within the photo) for which `which` holds.
    int countInRows(int y0, int y1, bool (*which)(const uint8_t* rgb)) const;
    // "r,g,b" of the pixel at (x, y), or "none" outside the photo: for messages.
    std::string colourAt(int x, int y) const;
};

bool isLight(const uint8_t* rgb);  // every channel above 200, as the caption's text
bool isLit(const uint8_t* rgb);    // not black

Photo photograph(unsigned long window);
// Photographs the window until its middle pixel shows `rgb` (each channel
// within 8), up to `timeoutMs`; whether it did.
bool middleShowsWithin(unsigned long window, const uint8_t* rgb, int timeoutMs = 15000);

// The rectangle of `a` at (ax, ay) equals that of `b` at (bx, by), pixel for pixel.
bool sameRegion(const Photo& a, int ax, int ay, const Photo& b, int bx, int by, int width, int height);
