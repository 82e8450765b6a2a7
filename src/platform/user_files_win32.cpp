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

bool isDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(wideFromUtf8(path).c_str(), wideFromUtf8(mode).c_str());
}

NativePath nativePath(const std::string& path) { return wideFromUtf8(path); }

std::string workingFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return "";
    std::wstring folder(length, L'\0');
    const DWORD got = GetCurrentDirectoryW(length, &folder[0]);
    if (got == 0 || got >= length) return "";
    folder.resize(got);
    return utf8FromWide(folder.c_str());
}

// The program never changes its working folder, so GetFullPathNameW's is the
// one `workingFolder` names; it also knows drive-relative forms ("C:x", "\x").
std::string absolutePath(const std::string& path, const std::string&) {
    const std::wstring wide = wideFromUtf8(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
    if (got == 0 || got >= length) return path;
    full.resize(got);
    return utf8FromWide(full.c_str());
}

}  // namespace platform
