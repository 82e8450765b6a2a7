// A video mode that comes with a new GL context: the loss is seen, and the
// rebuild gives back the GL state, the caption font and the covers to load.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include "app/gl_rebuild.h"
#include "app/window.h"
#include "render/font_loader.h"
#include "render/render_fixture.h"

namespace {

TEST(GlRebuild, ANewContextIsSeenAndEverythingItLostIsMadeAgain) {
    SDL_Init(SDL_INIT_VIDEO);
    ASSERT_NE(SDL_SetVideoMode(600, 600, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    init_gl();
    {
        SceneLibrary library(3);
        font = new FontLoader();
        textures[1].texID = solidTexture(200, 50, 50);
        albums->setAlbumLoaded(1, true);
        EXPECT_FALSE(glContextWasLost());

        // A new context, as a back end that recreates it on a mode change gives.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_InitSubSystem(SDL_INIT_VIDEO);
        ASSERT_NE(SDL_SetVideoMode(600, 600, 0, SDL_OPENGL), nullptr) << SDL_GetError();
        ASSERT_TRUE(glContextWasLost());
        ASSERT_FALSE(glIsList(font->listBase)) << "the old lists are gone";

        rebuildGlContext();
        EXPECT_FALSE(glContextWasLost());
        EXPECT_TRUE(glIsList(font->listBase)) << "the font is built again";
        EXPECT_EQ(textures[1].texID, 0u) << "its texture name died with the old context";
        EXPECT_FALSE(albums->getAlbumLoaded(1)) << "so the cover is loaded again";
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 600);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHT0)) << "the fixed GL state is set again";

        delete font;
        font = nullptr;
    }
    SDL_Quit();
}

}  // namespace
