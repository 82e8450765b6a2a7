// One connection to the X display, kept open for as long as the object lives.
//
// An X server that loses its last client resets itself, and while it does it
// drops every connection that arrives (the client sees "connection reset by
// peer" and XOpenDisplay fails). A desktop always has a window manager and
// friends connected, but a virtual test server often has nobody but a
// short-lived xdotool or xwininfo: when one ends just as the browser starts,
// the browser finds no display. Holding one connection from the start makes
// every later connection safe.
#pragma once

#include <string>

class DisplayHold {
public:
    // Connects to `display` ("" for $DISPLAY), retrying for up to timeoutMs
    // since the server may be in the middle of such a reset right now.
    explicit DisplayHold(const std::string& display = "", int timeoutMs = 10000);
    ~DisplayHold();  // closes the connection; the server must still be running
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;

    bool held() const { return display_ != nullptr; }

private:
    void* display_ = nullptr;  // the Xlib Display
};
