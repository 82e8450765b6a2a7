// The thumbnail cache's files on Windows (in %LOCALAPPDATA%\vellora\thumbnails,
// named in cache_files_win32.cpp): folders and whole-file replacement with
// the wide calls. Windows has no mode bits; the folder under the user's
// profile is private by its ACL.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

bool fileModifiedSeconds(const std::string& path, int64_t* seconds) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wideFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    // 100 ns ticks since 1601 to seconds since 1970.
    const uint64_t ticks = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    *seconds = int64_t(ticks / 10000000ULL) - 11644473600LL;
    return true;
}

bool makePrivateFolder(const std::string& folder, std::string* error) {
    const std::wstring name = wideFromUtf8(folder);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        *error = folder + " is not a folder";
        return false;
    }
    const size_t slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 2 && !makePrivateFolder(folder.substr(0, slash), error)) return false;
    if (!CreateDirectoryW(name.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        *error = "cannot make " + folder + ": " + systemErrorText(GetLastError());
        return false;
    }
    return true;
}

bool replaceFilePrivately(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    static std::atomic<unsigned> serial{0};
    const std::string temporary = path + ".vellora-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(serial++) + ".tmp";
    const std::wstring wideTemporary = wideFromUtf8(temporary);
    HANDLE file = CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = "cannot make " + temporary + ": " + systemErrorText(GetLastError());
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) break;
        done += wrote;
    }
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    if (done != bytes.size()) {
        *error = "cannot write " + temporary + ": " + systemErrorText(writeError);
        DeleteFileW(wideTemporary.c_str());
        return false;
    }
    if (!MoveFileExW(wideTemporary.c_str(), wideFromUtf8(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = "cannot rename " + temporary + ": " + systemErrorText(GetLastError());
        DeleteFileW(wideTemporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
