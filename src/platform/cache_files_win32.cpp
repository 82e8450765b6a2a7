// The program's own cache on Windows: %LOCALAPPDATA%\vellora (the
// thumbnails' folder too, since Windows has no shared one) and files there,
// through the wide calls. Windows has no mode bits; the folder under the
// user's profile is private by its ACL.
#include <windows.h>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

std::string programCacheFolder() {
    const std::string local = environmentValue("LOCALAPPDATA");
    return local.empty() ? "" : local + "\\vellora";
}

std::string thumbnailCacheFolder() {
    const std::string folder = programCacheFolder();
    return folder.empty() ? "" : folder + "\\thumbnails";
}

bool makePrivateFile(const std::string& path, std::string* error) {
    const std::wstring name = wideFromUtf8(path);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = "cannot make " + path + ": " + systemErrorText(GetLastError());
        return false;
    }
    CloseHandle(file);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        *error = path + " is not a file";
        return false;
    }
    return true;
}

bool renameFile(const std::string& from, const std::string& to, std::string* error) {
    if (MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    *error = "cannot rename " + from + ": " + systemErrorText(GetLastError());
    return false;
}

bool removeFile(const std::string& path) {
    return DeleteFileW(wideFromUtf8(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace platform
