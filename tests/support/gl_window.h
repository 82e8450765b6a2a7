// A real 600 x 600 OpenGL window for tests that draw (needs an X display,
// as under xvfb-run), with the browser's own GL state (init_gl).
#pragma once

#include <cstdint>
#include <vector>

class GlWindow {
public:
    GlWindow();   // SDL video, the window, init_gl; fails the test when it cannot
    ~GlWindow();  // SDL_Quit

    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;
};

// One pixel read back from the frame being drawn (the SDL layer draws into its
// own framebuffer object, which reads need no buffer choice for); (x, y) in window pixels with
// y = 0 at the TOP row, as on screen.
struct Rgb {
    int r, g, b;
};
Rgb readPixel(int x, int y);
// The whole 600 x 600 back buffer, top row first, 3 bytes a pixel.
std::vector<uint8_t> readFrame();
