// Window placement with the native calls: the desktop's client rectangle
// (GetDesktopWindow, GetClientRect), and MoveWindow on the handle that
// SDL_GetWMInfo gives. The window's client area goes to (x, y), so the
// 600 x 600 picture itself is centred, whatever frame Windows draws around it.
#include <SDL.h>
#include <SDL_syswm.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace platform {

bool desktopSize(int* width, int* height) {
    RECT desktop;
    if (!GetClientRect(GetDesktopWindow(), &desktop)) return false;
    *width = desktop.right - desktop.left;
    *height = desktop.bottom - desktop.top;
    return *width > 0 && *height > 0;
}

namespace {
constexpr const char* kPositionVariable = "SDL_VIDEO_WINDOW_POS";
// The variable as it was before placeWindow set it: programs started later
// inherit the environment, so it goes back once the window exists.
bool placing = false;
bool hadPosition = false;
std::string previousPosition;
}  // namespace

bool placeWindow(int x, int y) {
    if (!placing) {
        const char* before = std::getenv(kPositionVariable);
        hadPosition = before != nullptr;
        previousPosition = before ? before : "";
        placing = true;
    }
    // SDL's window takes its final style and size when the video mode is set,
    // and then puts its client area where this variable says.
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", x, y);
    const bool forModeSet = _putenv_s(kPositionVariable, text) == 0;

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || !info.window) return forModeSet;
    HWND window = info.window;
    RECT outer, client;
    POINT origin = {0, 0};
    if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client) || !ClientToScreen(window, &origin))
        return forModeSet;
    const int frameLeft = origin.x - outer.left;
    const int frameTop = origin.y - outer.top;
    return MoveWindow(window, x - frameLeft, y - frameTop, outer.right - outer.left, outer.bottom - outer.top,
                      TRUE) != 0;
}

bool unmanagedWindowPosition(int*, int*) { return false; }

bool isPlayPauseKey(const SDL_SysWMmsg* message) {
    if (!message) return false;
    if (message->msg == WM_KEYUP) return message->wParam == VK_MEDIA_PLAY_PAUSE;
    if (message->msg != WM_APPCOMMAND) return false;
    const int command = GET_APPCOMMAND_LPARAM(message->lParam);
    return command == APPCOMMAND_MEDIA_PLAY_PAUSE || command == APPCOMMAND_MEDIA_PLAY ||
           command == APPCOMMAND_MEDIA_PAUSE;
}

long long inputDevicesGeneration() { return -1; }  // full screen goes to the corner by itself

void endWindowPlacement() {
    if (!placing) return;
    _putenv_s(kPositionVariable, hadPosition ? previousPosition.c_str() : "");  // "" removes it
    placing = false;
}

// A window on the local desktop cannot lose its display.
void endOnDisplayLoss() {}

void beforeVideoStart() {}
void afterVideoStart() {}

}  // namespace platform
