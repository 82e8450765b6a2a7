// Window placement, and how the SDL 1.2 layer draws GL. The SDL 1.2 layer
// creates its X window only when the video mode is set, so the first position
// is handed to it beforehand through its documented SDL_VIDEO_WINDOW_POS
// variable; the window is then created there. The variable is part of the
// process environment, which every program we start inherits, so it is put
// back as it was once the window exists. Once it exists the window is moved
// with Xlib, on the connection SDL_GetWMInfo gives.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/environment_lock.h"
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

namespace {
constexpr const char* kPositionVariable = "SDL_VIDEO_WINDOW_POS";
// The variable as it was before placeWindow set it: the user's own value goes
// back once the window exists, ours goes away.
bool placing = false;
bool hadPosition = false;
std::string previousPosition;
}  // namespace

namespace {

// The SDL layer's X window, once it exists.
bool sdlWindow(Display** display, Window* window) {
    if (!SDL_GetVideoSurface()) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return false;
    *display = info.info.x11.display;
    *window = info.info.x11.wmwindow ? info.info.x11.wmwindow : info.info.x11.window;
    return *window != 0;
}

}  // namespace

bool unmanagedWindowPosition(int* x, int* y) {
    Display* display = nullptr;
    Window window = 0;
    if (!sdlWindow(&display, &window)) return false;
    // A window manager that frames the window has made its frame the window's parent.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    Window child = 0;
    return parent == root && XTranslateCoordinates(display, window, root, 0, 0, x, y, &child);
}

bool placeWindow(int x, int y) {
    Display* display = nullptr;
    Window window = 0;
    if (sdlWindow(&display, &window)) {  // it exists: moved at once
        XMoveWindow(display, window, x, y);
        XFlush(display);
        return true;
    }
    std::lock_guard<std::mutex> locked(environmentLock());
    if (!placing) {
        const char* before = std::getenv(kPositionVariable);
        hadPosition = before != nullptr;
        previousPosition = before ? before : "";
        placing = true;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", x, y);
    return setenv(kPositionVariable, text, 1) == 0;
}

void endWindowPlacement() {
    if (!placing) return;
    std::lock_guard<std::mutex> locked(environmentLock());
    if (hadPosition)
        setenv(kPositionVariable, previousPosition.c_str(), 1);
    else
        unsetenv(kPositionVariable);
    placing = false;
}

namespace {
constexpr const char* kScalingVariable = "SDL12COMPAT_OPENGL_SCALING";  // read in SDL_Init
bool askedNoScaling = false;
}  // namespace

void beforeVideoStart() {
    std::lock_guard<std::mutex> locked(environmentLock());
    if (std::getenv(kScalingVariable)) return;  // the user's own choice stands
    askedNoScaling = setenv(kScalingVariable, "0", 1) == 0;
}

void afterVideoStart() {
    std::lock_guard<std::mutex> locked(environmentLock());
    if (askedNoScaling) unsetenv(kScalingVariable);
    askedNoScaling = false;
}

bool isPlayPauseKey(const SDL_SysWMmsg* message) {
    if (!message || message->subsystem != SDL_SYSWM_X11) return false;
    XEvent event = message->event.xevent;
    if (event.type != KeyRelease) return false;
    const KeySym key = XLookupKeysym(&event.xkey, 0);
    return key == XF86XK_AudioPlay || key == XF86XK_AudioPause;
}

long long inputDevicesGeneration() {
    struct stat folder;
    if (stat("/dev/input", &folder) != 0) return 0;
    return (long long)folder.st_mtim.tv_sec * 1000000000LL + folder.st_mtim.tv_nsec;
}

}  // namespace platform
