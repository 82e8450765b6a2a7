// A video mode that comes with a new GL context, made for real: the video
// subsystem is closed and opened again, so every texture name and display
// list of the first context is gone. The loss is seen, the rebuild gives back
// the GL state and the caption font, and the covers come back on screen by
// themselves: the streaming asks for the drawn strip's covers again without
// any walk of its own.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <vector>

#include "app/gl_rebuild.h"
#include "app/opening.h"
#include "app/window.h"
#include "pictures/picture_writer.h"
#include "render/font_loader.h"
#include "render/render_fixture.h"
#include "support/streaming_fixture.h"
#include "texture/cover_picture.h"

namespace {

constexpr int kAlbums = 5;

// The dominant colour of album `index`'s cover in a drawn frame, at a point
// of it that the middle cover does not hide.
char coverColourOnScreen(int index) {
    const ScreenPoint point = projectCoverPoint(index, index < position ? -0.75 : index > position ? 0.75 : 0, 0.5);
    return dominant(readPixel(point.x, point.y));
}

TEST(GlRebuild, ANewContextIsSeenAndTheFontAndTheCoversComeBack) {
    StillClock clock(10000);  // long after the opening
    beginOpening(0);
    TempDir dir;
    const RgbPicture colours[kAlbums] = {solidPicture(8, 8, 200, 200, 200), solidPicture(8, 8, 230, 20, 20),
                                         solidPicture(8, 8, 20, 230, 20), solidPicture(8, 8, 20, 20, 230),
                                         solidPicture(8, 8, 200, 200, 200)};
    for (int i = 0; i < kAlbums; ++i)
        ASSERT_TRUE(writePng(dir.makeFolder("album" + std::to_string(i)) + "/cover.png", colours[i], PngKind::Rgb));

    GlWindow window;
    StreamingFixture streaming(dir.path());
    ASSERT_EQ(streaming.count(), kAlbums);
    current = playing = 2;
    font = new FontLoader();

    EXPECT_EQ(streaming.settle(2, 3), (std::vector<int>{2, 3, 1, 4, 0}));
    drawSceneFrame();
    EXPECT_EQ(coverColourOnScreen(1), 'r');
    EXPECT_EQ(coverColourOnScreen(2), 'g');
    EXPECT_EQ(coverColourOnScreen(3), 'b');
    EXPECT_FALSE(glContextWasLost());
    const GLuint middleName = textures[2].texID;

    // A new context, as SDL 1.2 on Windows makes on every mode change.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(600, 600, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    ASSERT_TRUE(glContextWasLost());
    ASSERT_FALSE(glIsList(font->listBase)) << "the old lists are gone";
    ASSERT_FALSE(glIsTexture(middleName)) << "and so are the old texture names";

    rebuildGlContext();
    EXPECT_FALSE(glContextWasLost());
    EXPECT_TRUE(glIsList(font->listBase)) << "the font is built again";
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 600);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHT0)) << "the fixed GL state is set again";
    for (int i = 0; i < kAlbums; ++i) {
        EXPECT_EQ(textures[i].texID, 0u) << i << ": its name died with the old context";
        EXPECT_FALSE(albums->getAlbumLoaded(i)) << i;
    }
    EXPECT_EQ(coverStreaming->residentBytes(), 0u) << "the lost textures' memory is given back";

    // A walk of radius 0 asks for nothing: the strip's covers come back
    // because the streaming asks for them again by itself.
    EXPECT_EQ(streaming.settle(2, 0).size(), size_t(kAlbums));
    drawSceneFrame();
    EXPECT_EQ(coverColourOnScreen(1), 'r');
    EXPECT_EQ(coverColourOnScreen(2), 'g');
    EXPECT_EQ(coverColourOnScreen(3), 'b');
    for (int i = 0; i < kAlbums; ++i) {
        EXPECT_TRUE(glIsTexture(textures[i].texID)) << i << ": a name of the new context";
        EXPECT_TRUE(albums->getAlbumLoaded(i)) << i;
    }
    EXPECT_EQ(coverStreaming->residentBytes(), kAlbums * CoverTexels::coverTextureBytes(8));

    delete font;
    font = nullptr;
}

}  // namespace
