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

bool readSmallFile(const std::string& path, size_t limit, std::string* text) {
    text->clear();
    if (!isFile(path)) return false;
    FILE* file = openFile(path, "rb");
    if (!file) return false;
    text->resize(limit);
    const size_t got = std::fread(&(*text)[0], 1, limit, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    text->resize(failed ? 0 : got);
    return !failed;
}

}  // namespace platform
