// User paths and the settings' defaults on Windows.
#include <windows.h>

#include <shellapi.h>

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

std::string defaultMusicFolder(const std::string&) { return "C:\\Music"; }

}  // namespace platform
