#include "support/gl_window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/window.h"

GlWindow::GlWindow(int width, int height) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        ADD_FAILURE() << "SDL_Init: " << SDL_GetError();
        return;
    }
    if (!SDL_SetVideoMode(width, height, 0, SDL_OPENGL)) {
        ADD_FAILURE() << "SDL_SetVideoMode: " << SDL_GetError();
        return;
    }
    screenWidth = width;
    screenHeight = height;
    init_gl();
}

GlWindow::~GlWindow() {
    SDL_Quit();
    screenWidth = screenHeight = 600;
}

Rgb readPixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, screenHeight - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

std::vector<uint8_t> readFrame() {
    const size_t rowBytes = size_t(screenWidth) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * screenHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < screenHeight; ++row)
        std::copy_n(&bottomUp[(screenHeight - 1 - row) * rowBytes], rowBytes, &topDown[row * rowBytes]);
    return topDown;
}
