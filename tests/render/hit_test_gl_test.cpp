// The hit-test against what GL really draws: every cover a solid colour,
// the scene drawn and read back, and at each sampled pixel the cover that
// coverAt names must be the cover whose colour shows there.
#include <gtest/gtest.h>

#include <set>

#include "render/hit_test.h"
#include "render_fixture.h"

namespace {

// Cover i is red, green or blue by i % 3; `dominant` names the colour seen.
const char kPalette[] = {'r', 'g', 'b'};

TEST(HitTestGl, TheCoverNamedIsTheCoverSeen) {
    GlWindow window;
    const int count = 15;
    SceneLibrary library(count);
    StillClock clock(3000);  // at rest, past the opening
    for (int i = 0; i < count; ++i)
        textures[i].texID = solidTexture(i % 3 == 0 ? 230 : 30, i % 3 == 1 ? 230 : 30, i % 3 == 2 ? 230 : 30);

    for (float at : {7.0f, 7.5f, 0.0f, 14.0f, 3.25f}) {
        position = at;
        drawSceneFrame();
        std::set<int> seen;
        int checked = 0;
        for (int y = 2; y < 600; y += 6)
            for (int x = 2; x < 600; x += 6) {
                const int hit = coverAt(x, y, 600, 600, position, count);
                // Pixels on an edge between two answers may fall either way.
                bool edge = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        edge = edge || coverAt(x + dx, y + dy, 600, 600, position, count) != hit;
                if (edge) continue;
                const Rgb pixel = readPixel(x, y);
                if (hit >= 0) {
                    seen.insert(hit);
                    ++checked;
                    ASSERT_EQ(dominant(pixel), kPalette[hit % 3])
                        << "position " << at << " pixel " << x << "," << y << " named " << hit << " shows " << pixel;
                } else if (y < 300) {  // above the floor line only background can be there
                    ++checked;
                    ASSERT_TRUE(isBlack(pixel))
                        << "position " << at << " pixel " << x << "," << y << " shows " << pixel;
                }
            }
        EXPECT_GT(checked, 3000) << at;
        EXPECT_GE(seen.size(), 3u) << at;  // the middle and at least one each side, or two at an end
    }
}

}  // namespace
