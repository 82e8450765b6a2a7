// The user's environment and small text files (settings locations, user-dirs.dirs).
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

NativePath nativePath(const std::string& path) { return path; }

}  // namespace platform
