// The scene keeps its picture while it is drawn more cheaply: nearest covers
// first, the upright strip before the reflection, the reflection darkened as
// it is drawn instead of under a blended floor. Every pixel of the frame is
// compared with the frame drawn the former way (bench/former_scene.h), at
// rest, gliding, during the opening and the launch hop, with textured covers
// and bare panels, in the 600 x 600 window and at 1920 x 1080.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "render/projection.h"
#include "render_fixture.h"
#include "texture/cover_picture.h"
#include "texture/texture_streaming.h"

#include "../../bench/former_scene.h"

namespace {

// Mip levels of a cover whose colour changes from texel to texel (stripes,
// a checker and gradients), so a cover drawn from another texel or another
// level, or two covers swapped in depth, would show.
CoverTexels stripedTexels(int edge, int album) {
    CoverTexels texels;
    texels.edge = texels.sourceWidth = texels.sourceHeight = edge;
    for (int size = edge; size >= 1; size /= 2) {
        std::vector<uint8_t> level;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                level.push_back(uint8_t(x * 256 / size));
                level.push_back(uint8_t(((x + y + album) % 3) * 120));
                level.push_back(uint8_t((x / 4 + y / 4 + album) % 2 ? 250 : 30));
            }
        texels.levels.push_back(level);
    }
    return texels;
}

struct Pose {
    const char* what;
    float position;
    int playing;
    uint32_t playTime;
    uint32_t tick;
};

const Pose kPoses[] = {
    {"at rest in the middle of the row", 20, -1, 2000, 5000},
    {"half-way between two covers", 20.5f, -1, 2000, 5000},
    {"a third of the way", 20.3f, -1, 2000, 5000},
    {"at the first album", 0, -1, 2000, 5000},
    {"at the last album", 40, -1, 2000, 5000},
    {"the opening pose", 12, -1, 2000, 1000},
    {"the launch hop at its height", 20, 20, 4800, 5000},
    {"the hop of a cover gliding off", 20.6f, 20, 4850, 5000},
};

// The largest difference of one colour channel between two frames, where it
// is, and how many channels differ by more than 3 levels.
struct Difference {
    int levels = 0;
    size_t at = 0;
    int pixels = 0;
};
Difference largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference most;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d = std::abs(int(a[i]) - int(b[i]));
        if (d > most.levels) most = {d, i};
        if (d > 3) ++most.pixels;
    }
    return most;
}

void expectSamePictures(int width, int height) {
    GlWindow window(width, height);
    const int count = 41;
    SceneLibrary library(count);
    StillClock clock(0);
    const int edge = coverTextureEdge(middleCoverPixelHeight(width, height), 800, 800);
    for (int i = 0; i < count; ++i)
        if (i % 5 != 3) uploadCoverTexels(stripedTexels(edge, i), &textures[i].texID);  // every fifth bare

    for (const Pose& pose : kPoses) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << ", " << pose.what);
        position = pose.position;
        playing = pose.playing;
        playTime = pose.playTime;
        clock.now = pose.tick;  // the former drawing reads the clock for each cover
        now = pose.tick;        // the drawing now takes the pass's time

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawFormerScene();
        const std::vector<uint8_t> former = readFrame();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene();
        const std::vector<uint8_t> now = readFrame();

        // Where two covers cut through each other both lie at the same depth
        // along the line they cross on, and which of them shows there depends
        // on the order: a few lone pixels.
        const Difference most = largestDifference(former, now);
        const size_t pixel = most.at / 3;
        EXPECT_LE(most.pixels, width * height / 10000)
            << "the largest difference: " << most.levels << " at x " << pixel % width << " y " << pixel / width;
        // Not a blank frame agreeing with another: most of the window is drawn.
        const size_t lit = size_t(std::count_if(now.begin(), now.end(), [](uint8_t v) { return v > 0; }));
        EXPECT_GT(lit, now.size() / 4);
    }
}

TEST(ScenePictureGl, SameAsTheFormerDrawingIn600By600) { expectSamePictures(600, 600); }

TEST(ScenePictureGl, SameAsTheFormerDrawingAt1920By1080) { expectSamePictures(1920, 1080); }

}  // namespace
