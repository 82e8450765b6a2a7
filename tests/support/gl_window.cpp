#include "support/gl_window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "app/window.h"

GlWindow::GlWindow() {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        ADD_FAILURE() << "SDL_Init: " << SDL_GetError();
        return;
    }
    if (!SDL_SetVideoMode(600, 600, 0, SDL_OPENGL)) {
        ADD_FAILURE() << "SDL_SetVideoMode: " << SDL_GetError();
        return;
    }
    init_gl();
}

GlWindow::~GlWindow() { SDL_Quit(); }

Rgb readPixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, 599 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

std::vector<uint8_t> readFrame() {
    std::vector<uint8_t> bottomUp(600 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 600, 600, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < 600; ++row)
        std::copy_n(&bottomUp[(599 - row) * 1800], 1800, &topDown[row * 1800]);
    return topDown;
}
