// The window with its OpenGL context, and the GL state every frame relies on.
#pragma once

#include <string>

// Top-left corner that centres a width x height window on a desktop of
// desktopWidth x desktopHeight (signed, truncating toward zero; may be negative).
struct WindowOrigin {
    int x;
    int y;
};
WindowOrigin centredOrigin(int desktopWidth, int desktopHeight, int width, int height);

// Places the program's window in the middle of the desktop. False when the
// desktop's size is unknown (the window then goes where the system puts it).
bool CenterWindow(int width, int height);

// What start-up says when no window system can be reached: which display
// (the value of DISPLAY) could not be opened, or that none is set (nullptr or "").
std::string noDisplayMessage(const char* display);

// Starts the media library's video subsystem; ends the process with status 1
// (after the "SDL Init Error" box) when it cannot start. Call it before any
// other thread runs: SDL's start-up may fork (D-Bus starting its bus), and a
// child forked while another thread holds an allocator's lock can hang, and
// the parent with it. Does nothing when the library has started already.
void start_sdl();
// Starts the media library if start_sdl has not, and opens the 600 x 600
// OpenGL window, centred, captioned and resizable. Ends the process with
// status 1 (after a message box) when the library or the video mode cannot start.
void init_sdl();
// Sets the fixed GL state: depth test, light 0, material, viewport, projection
// and camera. Needs the context from init_sdl.
void init_gl();

// Sets the viewport, the perspective for the window's shape and the camera
// from screenWidth and screenHeight; leaves the model-view matrix current.
void setProjection();

// Gives the window a new size (from the user dragging its border): sets the
// video mode again, updates screenWidth and screenHeight and the projection,
// and rebuilds what the GL context lost if the media library replaced it.
// Sizes below 64 pixels are raised to 64. Ignored while full screen.
void resizeWindow(int width, int height);

// Switches between the window and full screen at the desktop's size, from the
// screen's corner also where no window manager places it; the window comes
// back at the size and the place it had. Does nothing before init_sdl.
void toggleFullScreen();
