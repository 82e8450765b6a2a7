// Folder listings with the C runtime's _wfindfirst and _wfindnext, in the
// order the file system gives (NTFS: by name, upper-cased). The wide calls:
// _findfirst's ANSI names lose every character the code page lacks, and such
// a folder could then never be opened.
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cwchar>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

bool isDotOrDotDot(const wchar_t* name) {
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

void fill(const _wfinddata64_t& found, FindEntry* entry) {
    entry->name = utf8FromWide(found.name);
    entry->attrib = (found.attrib & _A_SUBDIR) ? kAttrSubdir : 0;
}

// The pattern of every entry of `folder`, which may end in its separator (a
// drive's root, "D:\").
std::wstring everythingIn(const std::string& folder) {
    const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    return wideFromUtf8(folder) + (separated ? L"*.*" : L"\\*.*");
}

// The next entry that is not "." or ".."; false at the end.
bool nextReal(intptr_t handle, _wfinddata64_t* found) {
    while (_wfindnext64(handle, found) == 0)
        if (!isDotOrDotDot(found->name)) return true;
    return false;
}

}  // namespace

FindHandle findFirst(const std::string& folder, FindEntry* entry) {
    const std::wstring pattern = everythingIn(folder);
    _wfinddata64_t found;
    const intptr_t handle = _wfindfirst64(pattern.c_str(), &found);
    if (handle == -1) return kFindFailed;
    if (isDotOrDotDot(found.name) && !nextReal(handle, &found)) {
        _findclose(handle);
        return kFindFailed;
    }
    fill(found, entry);
    return handle;
}

int findNext(FindHandle handle, FindEntry* entry) {
    if (handle == kFindFailed) return -1;
    _wfinddata64_t found;
    if (!nextReal(handle, &found)) return -1;
    fill(found, entry);
    return 0;
}

void findClose(FindHandle handle) {
    if (handle != kFindFailed) _findclose(handle);
}

namespace {

// The entry's attributes and modification time; false when it is not there.
bool examine(const std::string& path, DWORD* attributes, int64_t* modified) {
    WIN32_FILE_ATTRIBUTE_DATA about;
    const std::wstring wide = wideFromUtf8(path.empty() ? std::string("\\") : path);
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &about)) return false;
    *attributes = about.dwFileAttributes;
    // 100-nanosecond ticks since 1601 to nanoseconds since 1970.
    const uint64_t ticks = uint64_t(about.ftLastWriteTime.dwHighDateTime) << 32 | about.ftLastWriteTime.dwLowDateTime;
    *modified = (int64_t(ticks) - 116444736000000000LL) * 100;
    return true;
}

}  // namespace

bool modifiedTime(const std::string& path, int64_t* modified) {
    DWORD attributes = 0;
    return examine(path, &attributes, modified);
}

bool listFolder(const std::string& folder, void (*visit)(const FindEntry& entry, void* context), void* context,
                int64_t* modified) {
    // The time first: a change made while the folder is read leaves a later one.
    DWORD attributes = 0;
    if (!examine(folder, &attributes, modified) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    const std::wstring pattern = everythingIn(folder);
    _wfinddata64_t found;
    const intptr_t handle = _wfindfirst64(pattern.c_str(), &found);
    // "*.*" matches "." and ".." in every folder but a drive's root: nothing
    // matched is an empty root; any other failure (a share gone, access
    // denied) must not pass for an empty folder, which the walk would keep.
    if (handle == -1) return errno == ENOENT;
    FindEntry entry;
    do {
        if (isDotOrDotDot(found.name)) continue;
        fill(found, &entry);
        visit(entry, context);
    } while (_wfindnext64(handle, &found) == 0);
    _findclose(handle);
    return true;
}

bool visitFolder(const std::string& folder, bool (*visit)(const FindEntry& entry, void* context), void* context) {
    const std::wstring pattern = everythingIn(folder);
    _wfinddata64_t found;
    const intptr_t handle = _wfindfirst64(pattern.c_str(), &found);
    if (handle == -1) return false;
    FindEntry entry;
    bool more = true;
    do {
        if (isDotOrDotDot(found.name)) continue;
        fill(found, &entry);
        more = visit(entry, context);
    } while (more && _wfindnext64(handle, &found) == 0);
    _findclose(handle);
    return true;
}

}  // namespace platform
