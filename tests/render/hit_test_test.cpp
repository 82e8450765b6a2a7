// Hit-testing without a window: the numbers of the placement tables seen
// through the projection.
#include <gtest/gtest.h>

#include "render/cover_strip.h"
#include "render/hit_test.h"
#include "render/projection.h"

namespace {

TEST(HitTest, MiddleSidesBackgroundAndWiderWindows) {
    // At rest on album 5 of 12 in the 600 x 600 window the middle cover spans
    // pixels 100 .. 499 both ways.
    struct Case {
        int x, y, width, height;
        float position;
        int expected;
    };
    const Case cases[] = {
        {300, 300, 600, 600, 5, 5},   {101, 101, 600, 600, 5, 5},   {498, 498, 600, 600, 5, 5},
        {300, 95, 600, 600, 5, -1},   {300, 505, 600, 600, 5, -1},  // above it, and its reflection
        // Each side cover shows its outer strip, about 70 pixels, nearer covers in front.
        {540, 300, 600, 600, 5, 6},   {590, 300, 600, 600, 5, 7},   {60, 300, 600, 600, 5, 4},
        {10, 300, 600, 600, 5, 3},    {540, 300, 600, 600, 11, -1}, {60, 300, 600, 600, 0, -1},
        // Half-way the two turned covers overlap in the middle; the right one is nearer there.
        {300, 300, 600, 600, 5.5f, 6}, {290, 300, 600, 600, 5.5f, 5},
        // A wider window shows more of the row at the same size.
        {450, 300, 900, 600, 5, 5},   {1150, 300, 1200, 600, 5, 10}, {1190, 300, 1200, 600, 5, 11},
        {20, 300, 1200, 600, 5, -1},
        {300, 149, 600, 900, 5, -1},  {300, 151, 600, 900, 5, 5},  // 2/3 of a taller window
        {300, 300, 0, 600, 5, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coverAt(c.x, c.y, c.width, c.height, c.position, 12), c.expected)
            << c.x << "," << c.y << " in " << c.width << "x" << c.height << " at " << c.position;
    EXPECT_EQ(coverAt(300, 300, 600, 600, 0, 0), -1) << "no albums";
}

TEST(HitTest, MiddleCoverIsTwoThirdsOfTheWindowHeight) {
    EXPECT_EQ(middleCoverPixelHeight(600, 600), 400);
    EXPECT_EQ(middleCoverPixelHeight(1920, 1080), 720);
    EXPECT_EQ(middleCoverPixelHeight(600, 900), 600);
    EXPECT_EQ(middleCoverPixelHeight(600, 601), 401);
}

}  // namespace
