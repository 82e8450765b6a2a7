// The window and the fixed GL state. The light's position is set while the
// model-view matrix is still the identity, so the light stays fixed to the eye.
#include "app/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "app/gl_rebuild.h"
#include "platform/platform.h"
#include "render/projection.h"

namespace {

const int kMinimumSide = 64;
int desktopWidth = 0, desktopHeight = 0;  // found before the window opens
int windowedWidth = 600, windowedHeight = 600;  // the size to come back to from full screen
bool fullScreen = false;
// Without a window manager the program itself puts the full-screen window at
// the screen's corner, and the window back where it stood afterwards.
bool movedToCorner = false;
int windowedX = 0, windowedY = 0;

// Sets the video mode and takes the size the media library really gave.
bool setVideoMode(int width, int height, bool full) {
    const Uint32 flags = SDL_OPENGL | (full ? SDL_FULLSCREEN : SDL_RESIZABLE);
    SDL_Surface* surface = SDL_SetVideoMode(width, height, 0, flags);
    if (!surface) return false;
    screenWidth = surface->w;
    screenHeight = surface->h;
    return true;
}

// After a new video mode: the projection for the new shape, and everything
// else too if the context did not survive.
void afterModeChange() {
    if (glContextWasLost())
        rebuildGlContext();
    else
        setProjection();
}

}  // namespace

WindowOrigin centredOrigin(int desktopWidth, int desktopHeight, int width, int height) {
    // C++ integer division truncates toward zero, as the placement wants.
    return {(desktopWidth - width) / 2, (desktopHeight - height) / 2};
}

bool CenterWindow(int width, int height) {
    int desktopWidth = 0, desktopHeight = 0;
    if (!platform::desktopSize(&desktopWidth, &desktopHeight)) return false;
    WindowOrigin origin = centredOrigin(desktopWidth, desktopHeight, width, height);
    return platform::placeWindow(origin.x, origin.y);
}

std::string noDisplayMessage(const char* display) {
    if (!display || !*display) return "No display to open the window on (DISPLAY is not set)";
    return std::string("Cannot open the display ") + display;
}

// Without a display SDL falls back to a video driver that shows nothing, and
// the browser would run on invisibly; unless the user chose such a driver,
// that is a failed start like any other. The message names the display that
// was tried, since a set DISPLAY that cannot be reached is the common case.
static bool startVideo() {
    const bool chosenDriver = std::getenv("SDL_VIDEODRIVER") != nullptr;
    platform::beforeVideoStart();
    const bool started = SDL_Init(SDL_INIT_VIDEO) >= 0;
    platform::afterVideoStart();
    if (!started) return false;
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    const std::string name = driver;
    if ((name == "offscreen" || name == "dummy") && !chosenDriver) {
        SDL_Quit();
        SDL_SetError("%s", noDisplayMessage(std::getenv("DISPLAY")).c_str());
        return false;
    }
    return true;
}

void start_sdl() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return;
    // Before the first connection: a display that goes while the window is
    // still being made (SDL waits for it to be mapped) must not leave the
    // process in exit's clean-up on a dead connection.
    platform::endOnDisplayLoss();
    if (!startVideo()) {
        platform::messageBox("SDL Init Error", SDL_GetError());
        std::exit(1);
    }
    std::atexit(SDL_Quit);
}

void init_sdl() {
    start_sdl();
    SDL_WM_SetCaption(appname, nullptr);
    // The window is created by SDL_SetVideoMode, so it is placed beforehand.
    CenterWindow(screenWidth, screenHeight);
    platform::desktopSize(&desktopWidth, &desktopHeight);  // before the mode: the desktop's own
    if (!setVideoMode(screenWidth, screenHeight, false)) {
        // Running on without a window would only draw into nothing.
        std::string text = std::string("Cannot open the ") + std::to_string(screenWidth) + " x " +
                           std::to_string(screenHeight) + " OpenGL window: " + SDL_GetError();
        platform::messageBox("SDL Video Error", text.c_str());
        std::exit(1);
    }
    platform::endWindowPlacement();
    // Media keys have no SDL 1.2 key symbol: they are read from the window
    // system's own messages.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void init_gl() {
    static const GLfloat specular[] = {1, 1, 1, 1};
    static const GLfloat shininess[] = {50};
    static const GLfloat lightPosition[] = {0, 0, 5, 0};  // directional, from the viewer's side

    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(1.0);
    glEnable(GL_LIGHT0);  // lighting itself is switched on around each cover
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, shininess);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    setProjection();
    markGlContext();
}

void setProjection() {
    glViewport(0, 0, screenWidth, screenHeight);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The far plane at 3 puts the plane z = 0 exactly at the far clip.
    // The vertical field of view is fixed, so the scene keeps its height and
    // a wider window shows more of the row.
    gluPerspective(kFieldOfViewY, double(screenWidth) / double(screenHeight), kNearPlane, kFarPlane);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, kEyeZ, 0, 0, 0, 0, 1, 0);
}

void resizeWindow(int width, int height) {
    if (fullScreen || !SDL_GetVideoSurface()) return;
    width = width < kMinimumSide ? kMinimumSide : width;
    height = height < kMinimumSide ? kMinimumSide : height;
    if (width == screenWidth && height == screenHeight) return;
    if (!setVideoMode(width, height, false)) return;  // the old mode stays
    windowedWidth = screenWidth;
    windowedHeight = screenHeight;
    afterModeChange();
}

void toggleFullScreen() {
    if (!SDL_GetVideoSurface()) return;
    if (!fullScreen) {
        windowedWidth = screenWidth;
        windowedHeight = screenHeight;
        const int width = desktopWidth > 0 ? desktopWidth : screenWidth;
        const int height = desktopHeight > 0 ? desktopHeight : screenHeight;
        const bool unmanaged = platform::unmanagedWindowPosition(&windowedX, &windowedY);
        if (!setVideoMode(width, height, true)) return;
        fullScreen = true;
        // A window manager puts a full-screen window at the screen's corner;
        // with none it would stay where it stood, mostly off the screen.
        movedToCorner = unmanaged && platform::placeWindow(0, 0);
    } else {
        if (!setVideoMode(windowedWidth, windowedHeight, false)) return;
        fullScreen = false;
        if (movedToCorner) platform::placeWindow(windowedX, windowedY);
        movedToCorner = false;
    }
    afterModeChange();
}
