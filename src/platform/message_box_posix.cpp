// Message boxes: a line on standard error always, and a modal box with an OK
// button when there is a display.
//
// The box is SDL2's simple message box, which needs no window and no SDL_Init.
// SDL2 is what the SDL 1.2 layer runs on, so it is looked up at run time rather
// than linked: when it is missing, or the box cannot be shown, the line on
// standard error is all there is.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace platform {
namespace {

// SDL2's SDL_MessageBoxFlags, as SDL_messagebox.h defines them.
constexpr unsigned kSdlMessageBoxError = 0x10;
constexpr unsigned kSdlMessageBoxWarning = 0x20;
constexpr unsigned kSdlMessageBoxInformation = 0x40;
using ShowSimpleMessageBox = int (*)(unsigned flags, const char* title, const char* text, void* window);

// SDL2's SDL_ShowSimpleMessageBox, or nullptr. Looked up once; the library
// then stays loaded for the rest of the run, as the SDL 1.2 layer keeps it too.
ShowSimpleMessageBox findMessageBox() {
    void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!sdl2) return nullptr;
    return reinterpret_cast<ShowSimpleMessageBox>(dlsym(sdl2, "SDL_ShowSimpleMessageBox"));
}

bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

}  // namespace

unsigned messageBoxFlags(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning: return kSdlMessageBoxWarning;
        case MessageKind::Error: return kSdlMessageBoxError;
        case MessageKind::Information: break;
    }
    return kSdlMessageBoxInformation;
}

void messageBox(const char* title, const char* text, MessageKind kind) {
    if (!title) title = "";
    if (!text) text = "";
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    if (!haveDisplay()) return;
    static const ShowSimpleMessageBox show = findMessageBox();
    if (show) show(messageBoxFlags(kind), title, text, nullptr);
}

}  // namespace platform
