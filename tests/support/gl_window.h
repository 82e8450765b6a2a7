// A real OpenGL window for tests that draw (needs an X display, as under
// xvfb-run), 600 x 600 unless asked otherwise, with the browser's own GL
// state (init_gl) for its size in screenWidth and screenHeight.
#pragma once

#include <cstdint>
#include <vector>

class GlWindow {
public:
    // SDL video, the window, init_gl; fails the test when it cannot.
    explicit GlWindow(int width = 600, int height = 600);
    ~GlWindow();  // SDL_Quit; screenWidth and screenHeight back to 600

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
// The whole back buffer (screenWidth x screenHeight), top row first, 3 bytes a pixel.
std::vector<uint8_t> readFrame();
