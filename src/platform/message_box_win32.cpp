// Message boxes: a line on standard error, then MessageBoxA with no owner
// window and an OK button (MessageBoxW when the text leaves the code page).
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

void messageBox(const char* title, const char* text, MessageIcon icon) {
    if (!title) title = "";
    if (!text) text = "";
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    const UINT flags = MB_OK | (icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
    std::string ansiTitle, ansiText;
    if (ansiFromUtf8(title, &ansiTitle) && ansiFromUtf8(text, &ansiText))
        MessageBoxA(nullptr, ansiText.c_str(), ansiTitle.c_str(), flags);
    else
        MessageBoxW(nullptr, wideFromUtf8(text).c_str(), wideFromUtf8(title).c_str(), flags);
}

}  // namespace platform
