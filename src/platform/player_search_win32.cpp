// The default music player on Windows: where the common players put
// themselves. An installer registers a program under App Paths (what the Run
// box and ShellExecute find it by) or at least puts it in its own folder
// under Program Files; both are asked, nothing is started to find out.
#include "platform/player_search_win32.h"

#include <windows.h>

#include <vector>

#include "platform/text_win32.h"

namespace platform {
namespace {

bool absolute(const std::string& path) {
    return (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The program file App Paths names for `name` ("vlc.exe"), "" when none
// that is there.
std::string registeredProgram(const std::string& name) {
    const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + wideFromUtf8(name);
    const struct {
        HKEY root;
        REGSAM view;
    } places[] = {{HKEY_CURRENT_USER, 0}, {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}};
    for (const auto& place : places) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(place.root, key.c_str(), 0, KEY_QUERY_VALUE | place.view, &opened) != ERROR_SUCCESS)
            continue;
        // REG_EXPAND_SZ values count as REG_SZ, %ProgramFiles% and the like expanded.
        const DWORD types = RRF_RT_REG_SZ;
        DWORD bytes = 0;
        std::wstring value;
        if (RegGetValueW(opened, nullptr, nullptr, types, nullptr, nullptr, &bytes) == ERROR_SUCCESS && bytes > 0) {
            value.resize(bytes / sizeof(wchar_t) + 1);
            bytes = DWORD(value.size() * sizeof(wchar_t));
            if (RegGetValueW(opened, nullptr, nullptr, types, nullptr, &value[0], &bytes) == ERROR_SUCCESS)
                value.resize(wcslen(value.c_str()));
            else
                value.clear();
        }
        RegCloseKey(opened);
        std::string program = utf8FromWide(value);
        if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
            program = program.substr(1, program.size() - 2);
        if (!program.empty() && isFile(program)) return program;
    }
    return "";
}

// The folders programs are installed in, each once.
std::vector<std::string> programFolders() {
    std::vector<std::string> folders;
    const std::string local = environmentValue("LOCALAPPDATA");
    for (const std::string& folder : {environmentValue("ProgramW6432"), environmentValue("ProgramFiles"),
                                      environmentValue("ProgramFiles(x86)"), local.empty() ? "" : local + "\\Programs"}) {
        bool seen = folder.empty();
        for (const std::string& known : folders) {
            const std::wstring a = wideFromUtf8(known), b = wideFromUtf8(folder);
            seen = seen || CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
        }
        if (!seen) folders.push_back(folder);
    }
    return folders;
}

}  // namespace

FoundPlayer findDefaultPlayer() {
    FoundPlayer found;
    const std::vector<std::string> folders = programFolders();
    for (const DefaultPlayer& candidate : defaultPlayers()) {
        const std::string program = candidate.program;
        std::string path;
        if (absolute(program)) {
            if (isFile(program)) path = program;
        } else {
            path = registeredProgram(fileName(program));
            for (size_t i = 0; path.empty() && i < folders.size(); ++i)
                if (isFile(folders[i] + "\\" + program)) path = folders[i] + "\\" + program;
        }
        if (!path.empty()) {
            found.player = &candidate;
            found.program = path;
            return found;
        }
        std::string name = fileName(program);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
        if (found.tried.find(name) == std::string::npos) found.tried += (found.tried.empty() ? "" : ", ") + name;
    }
    return found;
}

}  // namespace platform
