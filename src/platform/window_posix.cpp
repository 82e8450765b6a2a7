// Window placement. The SDL 1.2 layer creates its X window only when the video
// mode is set, so the position is handed to it beforehand through its
// documented SDL_VIDEO_WINDOW_POS variable; the window is then created there.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

bool desktopSize(int* width, int* height) {
    // Needs the video subsystem; before the mode is set this is the desktop's mode.
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (!info || info->current_w <= 0 || info->current_h <= 0) return false;
    *width = info->current_w;
    *height = info->current_h;
    return true;
}

bool placeWindow(int x, int y) {
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", x, y);
    return setenv("SDL_VIDEO_WINDOW_POS", text, 1) == 0;
}

}  // namespace platform
