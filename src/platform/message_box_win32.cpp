// Message boxes: a line on standard error, then MessageBoxA with no owner
// window and an OK button (MessageBoxW when the text leaves the code page).
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

namespace {

// The start-up messages have an OK button and nothing else, as the program
// always showed them; the font's warning has the exclamation mark.
UINT boxFlags(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning: return MB_OK | MB_ICONEXCLAMATION;
        case MessageKind::Error: return MB_OK | MB_ICONERROR;
        case MessageKind::Information: break;
    }
    return MB_OK;
}

}  // namespace

void messageBox(const char* title, const char* text, MessageKind kind) {
    if (!title) title = "";
    if (!text) text = "";
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    const UINT flags = boxFlags(kind);
    std::string ansiTitle, ansiText;
    if (ansiFromUtf8(title, &ansiTitle) && ansiFromUtf8(text, &ansiText))
        MessageBoxA(nullptr, ansiText.c_str(), ansiTitle.c_str(), flags);
    else
        MessageBoxW(nullptr, wideFromUtf8(text).c_str(), wideFromUtf8(title).c_str(), flags);
}

}  // namespace platform
