#include "icon/icon_drawing.h"

#include <vector>

namespace {

struct Point {
    double x, y;
};
struct Shape {
    std::vector<Point> corners;  // in the SVG's 256-unit square, clockwise
    uint8_t r, g, b;
    double opacity;
};

// The SVG's shapes, bottom to top.
std::vector<Shape> iconShapes() {
    auto rect = [](double x, double y, double w, double h) {
        return std::vector<Point>{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    };
    return {
        {rect(0, 0, 256, 256), 0x1c, 0x1f, 0x29, 1.0},
        {{{24, 128}, {80, 140}, {80, 188}, {24, 168}}, 0x4a, 0x7f, 0xc1, 0.3},
        {{{176, 140}, {232, 128}, {232, 168}, {176, 188}}, 0x5a, 0xa4, 0x69, 0.3},
        {rect(88, 136, 80, 56), 0xe8, 0x91, 0x3a, 0.3},
        {{{24, 72}, {80, 60}, {80, 140}, {24, 128}}, 0x4a, 0x7f, 0xc1, 1.0},
        {{{176, 60}, {232, 72}, {232, 128}, {176, 140}}, 0x5a, 0xa4, 0x69, 1.0},
        {rect(88, 56, 80, 80), 0xe8, 0x91, 0x3a, 1.0},
        {rect(104, 72, 48, 48), 0xf6, 0xd7, 0xa7, 1.0},
    };
}

// Even-odd rule; the shapes are convex, so any rule will do.
bool inside(const std::vector<Point>& polygon, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

}  // namespace

RgbPicture drawIcon(int size) {
    RgbPicture picture;
    picture.width = picture.height = size;
    picture.rgb.assign(size_t(size) * size * 3, 0);
    const std::vector<Shape> shapes = iconShapes();
    constexpr int kSamples = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double sum[3] = {0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double u = (x + (sx + 0.5) / kSamples) * 256.0 / size;
                    const double v = (y + (sy + 0.5) / kSamples) * 256.0 / size;
                    double colour[3] = {0, 0, 0};
                    for (const Shape& shape : shapes) {
                        if (!inside(shape.corners, u, v)) continue;
                        const double own[3] = {double(shape.r), double(shape.g), double(shape.b)};
                        for (int c = 0; c < 3; ++c) colour[c] = colour[c] * (1 - shape.opacity) + own[c] * shape.opacity;
                    }
                    for (int c = 0; c < 3; ++c) sum[c] += colour[c];
                }
            uint8_t* pixel = picture.at(x, y);
            for (int c = 0; c < 3; ++c) pixel[c] = uint8_t(sum[c] / (kSamples * kSamples) + 0.5);
        }
    return picture;
}
