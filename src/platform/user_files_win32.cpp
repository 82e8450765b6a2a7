// The user's environment and small files on Windows, through the wide calls
// so that names outside the ANSI code page can be read.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

std::string environmentValue(const char* name) {
    const wchar_t* value = _wgetenv(wideFromUtf8(name).c_str());
    return value ? utf8FromWide(value) : "";
}

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(wideFromUtf8(path).c_str(), wideFromUtf8(mode).c_str());
}

NativePath nativePath(const std::string& path) { return wideFromUtf8(path); }

}  // namespace platform
