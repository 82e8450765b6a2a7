// The user's environment and small text files (settings locations, user-dirs.dirs).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/environment_lock.h"
#include "platform/platform.h"

namespace platform {

std::mutex& environmentLock() {
    static std::mutex lock;
    return lock;
}

std::string environmentValue(const char* name) {
    std::lock_guard<std::mutex> locked(environmentLock());
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

NativePath nativePath(const std::string& path) { return path; }

std::string workingFolder() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string absolutePath(const std::string& path, const std::string& workingFolder) {
    const std::string joined = !path.empty() && path[0] == '/' ? path : workingFolder + "/" + path;
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos) end = joined.size();
        const std::string name = joined.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();  // the root's parent is the root
            continue;
        }
        names.push_back(name);
    }
    std::string result;
    for (const std::string& name : names) result += "/" + name;
    return result.empty() ? "/" : result;
}

}  // namespace platform
