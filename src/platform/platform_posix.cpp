// User paths.
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::string appDataFolder() { return ""; }

std::string defaultMusicFolder(const std::string& home) { return home + "/Music"; }

}  // namespace platform
