#include "support/photo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/process.h"
#include "support/x11_window.h"

bool Photo::shows(int x, int y, const uint8_t* rgb, int tolerance) const {
    if (empty() || x < 0 || y < 0 || x >= width || y >= height) return false;
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(at(x, y)[c]) - int(rgb[c])) > tolerance) return false;
    return true;
}

int Photo::countInRows(int y0, int y1, bool (*which)(const uint8_t* rgb)) const {
    int count = 0;
    for (int y = std::max(y0, 0); y <= std::min(y1, height - 1); ++y)
        for (int x = 0; x < width; ++x) count += which(at(x, y));
    return count;
}

std::string Photo::colourAt(int x, int y) const {
    if (empty() || x < 0 || y < 0 || x >= width || y >= height) return "none";
    const uint8_t* p = at(x, y);
    return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

bool isLight(const uint8_t* rgb) { return rgb[0] > 200 && rgb[1] > 200 && rgb[2] > 200; }

bool isLit(const uint8_t* rgb) { return rgb[0] != 0 || rgb[1] != 0 || rgb[2] != 0; }

Photo photograph(unsigned long window) {
    Photo photo;
    photo.pixels = grabWindow(window, &photo.width, &photo.height);
    return photo;
}

bool sameRegion(const Photo& a, int ax, int ay, const Photo& b, int bx, int by, int width, int height) {
    if (ax < 0 || ay < 0 || bx < 0 || by < 0 || ax + width > a.width || ay + height > a.height ||
        bx + width > b.width || by + height > b.height)
        return false;
    for (int y = 0; y < height; ++y)
        if (std::memcmp(a.at(ax, ay + y), b.at(bx, by + y), size_t(width) * 3) != 0) return false;
    return true;
}

bool middleShowsWithin(unsigned long window, const uint8_t* rgb, int timeoutMs) {
    return waitFor(
        [&] {
            const Photo photo = photograph(window);
            return !photo.empty() && photo.shows(photo.width / 2, photo.height / 2, rgb);
        },
        timeoutMs);
}
