#include "support/display_hold.h"

#include <X11/Xlib.h>

#include "support/process.h"

DisplayHold::DisplayHold(const std::string& display, int timeoutMs) {
    waitFor(
        [&] {
            display_ = XOpenDisplay(display.empty() ? nullptr : display.c_str());
            return display_ != nullptr;
        },
        timeoutMs);
}

DisplayHold::~DisplayHold() {
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}
