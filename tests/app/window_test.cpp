#include <gtest/gtest.h>

#include "app/window.h"

TEST(CentredOrigin, CentresOnCommonDesktopsAndTruncatesTowardZero) {
    EXPECT_EQ(centredOrigin(1024, 768, 600, 600).x, 212);
    EXPECT_EQ(centredOrigin(1024, 768, 600, 600).y, 84);
    EXPECT_EQ(centredOrigin(1280, 1024, 600, 600).x, 340);
    EXPECT_EQ(centredOrigin(1280, 1024, 600, 600).y, 212);
    EXPECT_EQ(centredOrigin(640, 480, 600, 600).y, -60);   // taller than the desktop
    EXPECT_EQ(centredOrigin(599, 599, 600, 600).x, 0);     // -1 / 2 is 0, not -1
    EXPECT_EQ(centredOrigin(601, 601, 600, 600).y, 0);
}
