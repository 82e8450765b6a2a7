#include "support/x11_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/process.h"

namespace {

// A query can stall when a window it looks at goes away meanwhile; a short
// limit lets the caller's polling try again.
std::string run(const std::vector<std::string>& argv) {
    return runProcess(argv, "", {}, 5000).out;
}

// The number after "label:" in xwininfo's report, or -1.
int field(const std::string& text, const std::string& label) {
    size_t at = text.find(label + ":");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size() + 1);
}

}  // namespace

unsigned long findWindow(pid_t pid, const std::string& captionPart, int timeoutMs) {
    unsigned long found = 0;
    bool shown = waitFor(
        [&] {
            std::string ids = run({"xdotool", "search", "--all", "--pid", std::to_string(pid), "--name",
                                   captionPart});
            found = std::strtoul(ids.c_str(), nullptr, 10);
            return found != 0 && describeWindow(found).viewable;
        },
        timeoutMs);
    return shown ? found : 0;
}

unsigned long findWindowTitled(const std::string& caption, int timeoutMs) {
    unsigned long found = 0;
    bool shown = waitFor(
        [&] {
            // Lines of the tree read:  0x400007 "caption": ("class" "Class")  600x600+0+0 ...
            std::string tree = run({"xwininfo", "-root", "-tree"});
            size_t at = tree.find(" \"" + caption + "\":");
            if (at == std::string::npos) return false;
            size_t lineStart = tree.rfind('\n', at) + 1;
            found = std::strtoul(tree.c_str() + lineStart, nullptr, 16);
            return found != 0 && describeWindow(found).viewable;
        },
        timeoutMs);
    return shown ? found : 0;
}

WindowInfo describeWindow(unsigned long id) {
    std::string text = run({"xwininfo", "-id", std::to_string(id)});
    WindowInfo info;
    info.id = id;
    info.x = field(text, "Absolute upper-left X");
    info.y = field(text, "Absolute upper-left Y");
    info.width = field(text, "Width");
    info.height = field(text, "Height");
    info.viewable = text.find("Map State: IsViewable") != std::string::npos;
    // First line: xwininfo: Window id: 0x1e00002 "caption"
    size_t open = text.find('"');
    size_t close = text.find("\"\n", open == std::string::npos ? 0 : open + 1);
    if (open != std::string::npos && close != std::string::npos) info.caption = text.substr(open + 1, close - open - 1);
    return info;
}

void pressKeys(unsigned long id, const std::vector<std::string>& keys) {
    run({"xdotool", "windowfocus", "--sync", std::to_string(id)});
    for (const std::string& key : keys) {
        run({"xdotool", "key", key});
        // Let each release reach the program as its own event.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void clickButton(unsigned long id, int button) {
    run({"xdotool", "mousemove", "--window", std::to_string(id), "300", "300"});
    run({"xdotool", "click", std::to_string(button)});
}

void clickAt(unsigned long id, int x, int y, int button) {
    run({"xdotool", "mousemove", "--window", std::to_string(id), std::to_string(x), std::to_string(y)});
    run({"xdotool", "click", std::to_string(button)});
}

void dragAcross(unsigned long id, int fromX, int toX, int y, int steps, int stepMs, int holdMs) {
    const std::string window = std::to_string(id);
    run({"xdotool", "mousemove", "--window", window, std::to_string(fromX), std::to_string(y)});
    run({"xdotool", "mousedown", "1"});
    for (int k = 1; k <= steps; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
        const int x = fromX + (toX - fromX) * k / steps;
        run({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y)});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    run({"xdotool", "mouseup", "1"});
}

void closeWindow(unsigned long id) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, id, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
}

// A window that reaches off the screen cannot be read (BadMatch); Xlib's
// default handler would end the whole test program for it.
static int ignoreXError(Display*, XErrorEvent*) { return 0; }

std::vector<uint8_t> grabWindow(unsigned long id, int* width, int* height) {
    std::vector<uint8_t> pixels;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return pixels;
    XSetErrorHandler(ignoreXError);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, id, &attributes)) {
        XImage* image = XGetImage(display, id, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
        if (image) {
            *width = attributes.width;
            *height = attributes.height;
            pixels.reserve(size_t(*width) * *height * 3);
            for (int y = 0; y < *height; ++y)
                for (int x = 0; x < *width; ++x) {
                    unsigned long p = XGetPixel(image, x, y);
                    pixels.push_back(uint8_t((p & image->red_mask) >> 16));
                    pixels.push_back(uint8_t((p & image->green_mask) >> 8));
                    pixels.push_back(uint8_t(p & image->blue_mask));
                }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(display);
    XSetErrorHandler(nullptr);
    return pixels;
}
