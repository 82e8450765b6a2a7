// Reading picture files on Windows: CreateFileW with the wide name, and only
// what is a file on disk (a named pipe or a device named like a picture is
// refused at once instead of waiting on it).
#include <windows.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

struct Handle {
    HANDLE handle;
    ~Handle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

std::string systemError(const char* what) { return std::string(what) + ": " + systemErrorText(GetLastError()); }

}  // namespace

bool readRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes, std::string* error,
                     const std::atomic<bool>* cancel) {
    bytes->clear();
    const std::wstring name = wideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = "it is a folder, not a file";
        return false;
    }
    Handle file{CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        *error = systemError("cannot open the file");
        return false;
    }
    if (GetFileType(file.handle) != FILE_TYPE_DISK) {
        *error = "not a regular file (a pipe, device or socket)";
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size)) {
        *error = systemError("cannot examine the file");
        return false;
    }
    if (uint64_t(size.QuadPart) > maxBytes) {
        *error = "the file is larger than " + std::to_string(maxBytes >> 20) + " MB";
        return false;
    }
    bytes->resize(size_t(size.QuadPart));
    size_t have = 0;
    const size_t chunk = size_t(1) << 20;
    while (have < bytes->size()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            *error = "cancelled";
            bytes->clear();
            return false;
        }
        DWORD got = 0;
        if (!ReadFile(file.handle, bytes->data() + have, DWORD(std::min(chunk, bytes->size() - have)), &got,
                      nullptr)) {
            *error = systemError("cannot read the file");
            bytes->clear();
            return false;
        }
        if (got == 0) break;  // the file shrank while it was read
        have += got;
    }
    bytes->resize(have);
    return true;
}

}  // namespace platform
