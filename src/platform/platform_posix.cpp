// User paths.
#include <cstdlib>

#include "platform/environment_lock.h"
#include "platform/platform.h"

namespace platform {

std::string homeFolder() {
    std::lock_guard<std::mutex> locked(environmentLock());
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::string appDataFolder() { return ""; }

std::string defaultMusicFolder(const std::string& home) { return home + "/Music"; }

}  // namespace platform
