// Reading picture files without ever blocking on something that is not a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace platform {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string systemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool readRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes, std::string* error,
                     const std::atomic<bool>* cancel) {
    bytes->clear();
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) {
        *error = systemError("cannot open the file");
        return false;
    }
    struct stat info;
    if (::fstat(file.fd, &info) != 0) {
        *error = systemError("cannot examine the file");
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = S_ISDIR(info.st_mode) ? "it is a folder, not a file" : "not a regular file (a pipe, device or socket)";
        return false;
    }
    if (size_t(info.st_size) > maxBytes) {
        *error = "the file is larger than " + std::to_string(maxBytes >> 20) + " MB";
        return false;
    }
    bytes->resize(size_t(info.st_size));
    size_t have = 0;
    const size_t chunk = size_t(1) << 20;
    while (have < bytes->size()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            *error = "cancelled";
            bytes->clear();
            return false;
        }
        ssize_t got = ::read(file.fd, bytes->data() + have, std::min(chunk, bytes->size() - have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = systemError("cannot read the file");
            bytes->clear();
            return false;
        }
        if (got == 0) break;  // the file shrank while it was read
        have += size_t(got);
    }
    bytes->resize(have);
    return true;
}

}  // namespace platform
