// The thumbnail cache's files on Linux: private folders and files, and
// whole-file replacement by rename (its folder: cache_files_posix.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool fileModifiedSeconds(const std::string& path, int64_t* seconds) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    *seconds = int64_t(info.st_mtime);
    return true;
}

bool makePrivateFolder(const std::string& folder, std::string* error) {
    struct stat info;
    if (::stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        *error = folder + " is not a folder";
        return false;
    }
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makePrivateFolder(folder.substr(0, slash), error)) return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot make " + folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool replaceFilePrivately(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    static std::atomic<unsigned> serial{0};
    const std::string temporary =
        path + ".vellora-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *error = "cannot make " + temporary + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) break;
        done += size_t(wrote);
    }
    const int writeErrno = errno;
    if (::close(fd) != 0 || done != bytes.size()) {
        *error = "cannot write " + temporary + ": " + std::strerror(done != bytes.size() ? writeErrno : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot rename " + temporary + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
