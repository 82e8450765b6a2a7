// The running browser's window seen from outside, as a user's desktop sees
// it: found by its process, measured with xwininfo, driven with real key and
// button events from xdotool, closed the way a window manager closes it, and
// photographed with XGetImage. Needs DISPLAY.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowInfo {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    bool viewable = false;  // mapped and shown
};

// The top-level window of `pid` whose caption contains `captionPart`, waiting
// up to timeoutMs for it to appear and be shown on screen (so that key and
// button events can reach it); id 0 when it does not.
unsigned long findWindow(pid_t pid, const std::string& captionPart, int timeoutMs);
// A shown window whose caption is exactly `caption`, from any process (read
// from the window tree: xdotool 3.20160805 cannot match SDL2's UTF-8 titles
// by name); 0 when none appears within timeoutMs.
unsigned long findWindowTitled(const std::string& caption, int timeoutMs);
WindowInfo describeWindow(unsigned long id);

// Focuses the window and types the keys (xdotool key names, e.g. "Right").
void pressKeys(unsigned long id, const std::vector<std::string>& keys);
// Clicks a mouse button over the window's middle.
void clickButton(unsigned long id, int button);
// Clicks a mouse button at (x, y) of the window.
void clickAt(unsigned long id, int x, int y, int button = 1);
// Presses the left button at (fromX, y), moves to (toX, y) in `steps` even
// steps `stepMs` apart, waits `holdMs` and releases.
void dragAcross(unsigned long id, int fromX, int toX, int y, int steps, int stepMs, int holdMs);
// Asks the window to close (WM_DELETE_WINDOW), as the close button does.
void closeWindow(unsigned long id);

// The window's pixels, top row first, 3 bytes a pixel; empty on failure.
std::vector<uint8_t> grabWindow(unsigned long id, int* width, int* height);
