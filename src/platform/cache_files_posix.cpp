// The caches' folders on Linux (the XDG cache folder: the desktop's shared
// thumbnails and the program's own), and private files there.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {

namespace {

// The user's cache folder, as the XDG rules name it; "" when none can be named.
std::string userCacheFolder() {
    const std::string cache = environmentValue("XDG_CACHE_HOME");
    if (!cache.empty() && cache[0] == '/') return cache;
    const std::string home = homeFolder();
    return home.empty() ? "" : home + "/.cache";
}

}  // namespace

std::string thumbnailCacheFolder() {
    const std::string cache = userCacheFolder();
    return cache.empty() ? "" : cache + "/thumbnails";
}

std::string programCacheFolder() {
    const std::string cache = userCacheFolder();
    return cache.empty() ? "" : cache + "/vellora";
}

bool makePrivateFile(const std::string& path, std::string* error) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST) {
            *error = "cannot make " + path + ": " + std::strerror(errno);
            return false;
        }
        if (::stat(path.c_str(), &info) != 0) {  // made by another process and gone again
            *error = "cannot examine " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        *error = path + " is not a file";
        return false;
    }
    // Narrowing the mode is a courtesy: a file others may read still works.
    if ((info.st_mode & 077) != 0 && info.st_uid == ::geteuid()) ::chmod(path.c_str(), info.st_mode & 0700);
    return true;
}

bool renameFile(const std::string& from, const std::string& to, std::string* error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    *error = "cannot rename " + from + ": " + std::strerror(errno);
    return false;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

}  // namespace platform
