// User paths and the settings' defaults on Windows.
#include <windows.h>

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {

std::string homeFolder() { return environmentValue("USERPROFILE"); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::string appDataFolder() { return environmentValue("APPDATA"); }

// The design's folder wins where a user made it; an ordinary profile has its
// own Music folder, wherever the user (or a domain's policy) moved it.
std::string defaultMusicFolder(const std::string&) {
    const std::string design = "C:\\Music";
    if (isDirectory(design)) return design;
    wchar_t* known = nullptr;
    std::string music;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Music, KF_FLAG_DEFAULT, nullptr, &known)) && known)
        music = utf8FromWide(known);
    CoTaskMemFree(known);
    return music.empty() ? design : music;
}

}  // namespace platform
