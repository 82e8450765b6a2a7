// Folder listings with the C runtime's _wfindfirst and _wfindnext, in the
// order the file system gives (NTFS: by name, upper-cased). The wide calls:
// _findfirst's ANSI names lose every character the code page lacks, and such
// a folder could then never be opened.
#include <io.h>

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

// The next entry that is not "." or ".."; false at the end.
bool nextReal(intptr_t handle, _wfinddata64_t* found) {
    while (_wfindnext64(handle, found) == 0)
        if (!isDotOrDotDot(found->name)) return true;
    return false;
}

}  // namespace

FindHandle findFirst(const std::string& folder, FindEntry* entry) {
    const std::wstring pattern = wideFromUtf8(folder) + L"\\*.*";
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

bool visitFolder(const std::string& folder, bool (*visit)(const FindEntry& entry, void* context), void* context) {
    const std::wstring pattern = wideFromUtf8(folder) + L"\\*.*";
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
