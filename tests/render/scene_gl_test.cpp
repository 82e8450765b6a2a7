// The scene drawn by real GL and read back: the middle cover, its reflection
// and the floor; side covers where their placement projects; the symmetric
// half-way pose; the opening pose and the launch hop; the GL state a frame
// leaves behind.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <iostream>

#include "render/caption.h"
#include "render/text_font.h"
#include "render_fixture.h"

namespace {

// At rest: the clock past the opening and past the start-up hand-over.
const uint32_t kRestTick = 3000;

TEST(SceneGl, MiddleCoverStandsUprightAboveItsMirrorImageAtATenth) {
    GlWindow window;
    SceneLibrary library(1);
    StillClock clock(kRestTick);
    textures[0].texID = quadrantTexture();
    drawSceneFrame();

    // The 2 x 2 cover at z = 1.5 spans window pixels 100 .. 499 both ways.
    const Rgb topLeft = readPixel(200, 200), topRight = readPixel(400, 200);
    const Rgb bottomLeft = readPixel(200, 400), bottomRight = readPixel(400, 400);
    std::cout << "quadrants " << topLeft << topRight << bottomLeft << bottomRight << "\n";
    EXPECT_EQ(dominant(topLeft), 'r') << topLeft;
    EXPECT_EQ(dominant(topRight), 'g') << topRight;
    EXPECT_EQ(dominant(bottomLeft), 'b') << bottomLeft;
    EXPECT_GT(bottomRight.r, 200);
    EXPECT_GT(bottomRight.g, 200);
    EXPECT_LT(bottomRight.b, 60);
    for (int edge : {101, 498}) {
        EXPECT_FALSE(isBlack(readPixel(edge, 300))) << edge;
        EXPECT_FALSE(isBlack(readPixel(300, edge))) << edge;
    }
    EXPECT_TRUE(isBlack(readPixel(98, 300))) << readPixel(98, 300);
    EXPECT_TRUE(isBlack(readPixel(501, 300))) << readPixel(501, 300);
    EXPECT_TRUE(isBlack(readPixel(300, 98))) << readPixel(300, 98);

    // Below the floor line (y = 500) pixel row 500 + k mirrors row 499 - k,
    // darkened by the floor to a tenth.
    for (int k : {1, 20, 60, 99}) {
        for (int x : {150, 250, 350, 450}) {
            const Rgb upright = readPixel(x, 499 - k), mirrored = readPixel(x, 500 + k);
            SCOPED_TRACE(testing::Message() << "x " << x << " k " << k << " upright " << upright
                                            << " mirrored " << mirrored);
            EXPECT_NEAR(mirrored.r, upright.r / 10.0, 2);
            EXPECT_NEAR(mirrored.g, upright.g / 10.0, 2);
            EXPECT_NEAR(mirrored.b, upright.b / 10.0, 2);
        }
    }
    const Rgb reflectedLeft = readPixel(200, 540), reflectedRight = readPixel(400, 540);
    std::cout << "reflection " << reflectedLeft << reflectedRight << "\n";
    EXPECT_EQ(dominant(reflectedLeft), 'b') << reflectedLeft;  // the bottom quadrants, not the top
    EXPECT_GT(reflectedRight.r, 15);
    EXPECT_GT(reflectedRight.g, 15);
    EXPECT_LT(reflectedRight.b, 6);

    // The floor where nothing stands behind it: black over black.
    for (int x : {5, 60, 540, 594})
        for (int y : {510, 560, 598}) EXPECT_TRUE(isBlack(readPixel(x, y))) << x << "," << y;
}

TEST(SceneGl, SideCoversStandWhereTheirPlacementProjects) {
    GlWindow window;
    SceneLibrary library(3);
    StillClock clock(kRestTick);
    position = 1;
    textures[0].texID = solidTexture(255, 0, 0);  // left: red; middle and right: bare panels
    drawSceneFrame();

    // The visible outer halves of the side covers (the inner halves turn
    // behind z = 0 or lie behind the middle cover).
    const ScreenPoint left = projectCoverPoint(0, -0.75, 0.5);
    const ScreenPoint right = projectCoverPoint(2, 0.75, 0.5);
    const Rgb leftPixel = readPixel(left.x, left.y), rightPixel = readPixel(right.x, right.y);
    const Rgb middle = readPixel(300, 300);
    std::cout << "left cover at " << left.x << "," << left.y << " " << leftPixel << ", right cover at "
              << right.x << "," << right.y << " " << rightPixel << ", middle " << middle << "\n";
    EXPECT_EQ(dominant(leftPixel), 'r') << leftPixel;
    EXPECT_TRUE(isGrey(rightPixel)) << rightPixel;
    EXPECT_TRUE(isGrey(middle)) << middle;
    EXPECT_GT(middle.r, rightPixel.r);  // the turned panel catches less light

    // Just beyond each outer edge and above each top edge: nothing.
    for (const ScreenPoint& p : {projectCoverPoint(0, -1.06, 0), projectCoverPoint(2, 1.06, 0),
                                 projectCoverPoint(0, -0.9, 1.06), projectCoverPoint(2, 0.9, 1.06)})
        EXPECT_TRUE(isBlack(readPixel(p.x, p.y))) << p.x << "," << p.y << " " << readPixel(p.x, p.y);
    // ... and just inside them: the cover.
    for (const ScreenPoint& p : {projectCoverPoint(0, -0.94, 0), projectCoverPoint(2, 0.94, 0),
                                 projectCoverPoint(0, -0.9, 0.94), projectCoverPoint(2, 0.9, 0.94)})
        EXPECT_FALSE(isBlack(readPixel(p.x, p.y))) << p.x << "," << p.y;
}

TEST(SceneGl, HalfWayTheTwoMiddleCoversAreMirrorImages) {
    GlWindow window;
    SceneLibrary library(4);
    StillClock clock(kRestTick);
    position = 1.5f;
    textures[1].texID = quadrantTexture();
    textures[2].texID = quadrantTexture(true);
    drawSceneFrame();

    const std::vector<uint8_t> frame = readFrame();
    int lit = 0, differing = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 300; ++x) {
            const uint8_t* a = &frame[size_t(y * 600 + x) * 3];
            const uint8_t* b = &frame[size_t(y * 600 + 599 - x) * 3];
            lit += a[0] + a[1] + a[2] > 0;
            for (int c = 0; c < 3; ++c)
                if (std::abs(a[c] - b[c]) > 24) {
                    ++differing;
                    break;
                }
        }
    }
    std::cout << "left half: " << lit << " lit pixels, " << differing << " differ from their mirror\n";
    EXPECT_GT(lit, 40000);
    EXPECT_LT(differing, 600);  // a pixel's width along the edges at most

    // Cover 1 stands left of the middle showing its red corner top left.
    const ScreenPoint redCorner = projectCoverPoint(1, -0.5, 0.5);
    EXPECT_LT(redCorner.x, 300);
    EXPECT_EQ(dominant(readPixel(redCorner.x, redCorner.y)), 'r') << readPixel(redCorner.x, redCorner.y);
}

TEST(SceneGl, OpeningPoseAndLaunchHopBringTheCoverNearer) {
    GlWindow window;
    SceneLibrary library(1);
    StillClock clock(kRestTick);
    textures[0].texID = solidTexture(255, 0, 0);

    // At rest the cover spans 100 .. 499; 0.5 nearer it fills the width.
    drawSceneFrame();
    EXPECT_TRUE(isBlack(readPixel(50, 300)));
    EXPECT_LT(readPixel(300, 530).r, 40);  // the dimmed reflection

    clock.now = 1000;  // the opening pose
    drawSceneFrame();
    EXPECT_EQ(dominant(readPixel(50, 300)), 'r') << readPixel(50, 300);
    EXPECT_GT(readPixel(300, 530).r, 200);  // the cover itself now reaches down there

    playing = 0;
    playTime = 5000;
    clock.now = 5100;  // the hop a quarter of the way: 0.354 out
    drawSceneFrame();
    EXPECT_EQ(dominant(readPixel(50, 300)), 'r') << readPixel(50, 300);
    EXPECT_TRUE(isBlack(readPixel(20, 300))) << readPixel(20, 300);
    clock.now = 5200;  // at its height: 0.5 out
    drawSceneFrame();
    EXPECT_EQ(dominant(readPixel(20, 300)), 'r') << readPixel(20, 300);
    clock.now = 5400;  // back
    drawSceneFrame();
    EXPECT_TRUE(isBlack(readPixel(50, 300))) << readPixel(50, 300);
}

void expectMatrix(GLenum which, const GLdouble (&before)[16]) {
    GLdouble after[16];
    glGetDoublev(which, after);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(after[i], before[i]) << "element " << i;
}

TEST(SceneGl, FrameLeavesMatricesAndSwitchesAsFound) {
    GlWindow window;
    SceneLibrary library(5);
    StillClock clock(kRestTick);
    position = 2;
    for (int i = 0; i < 5; ++i) textures[i].texID = quadrantTexture(i % 2);
    TextFont captionFont;
    textFont = &captionFont;
    glListBase(7);

    GLint modelviewDepth = 0, projectionDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    GLdouble modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);

    drawSceneFrame();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FOG));  // which darkens the reflection only
    GLint depthTest = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthTest);
    EXPECT_EQ(depthTest, GL_LEQUAL);
    drawCaption("album02");
    textFont = nullptr;

    GLint depth = 0, mode = 0, listBase = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, projectionDepth);
    expectMatrix(GL_MODELVIEW_MATRIX, modelview);
    expectMatrix(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 7);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
