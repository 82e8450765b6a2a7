// Settings-file reading with the rules of the Windows profile functions.
//
// The file is read whole on every call and scanned line by line; nothing is
// cached, so a read always sees the file as it is now. Only regular files are
// read (a directory, a FIFO or a device gives the default at once, and a FIFO
// cannot block the caller). Bytes are bytes: NUL or other binary garbage in the
// file never ends the scan, it only makes lines that match nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/profile_lines.h"

namespace platform {
namespace {

// The whole file, or false when it is missing, unreadable or not a regular file.
bool readWholeFile(const char* path, std::string* content) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char block[65536];
    while (ok) {
        ssize_t got = read(fd, block, sizeof block);
        if (got == 0) break;
        if (got < 0) ok = false;
        else content->append(block, static_cast<size_t>(got));
    }
    close(fd);
    return ok;
}

// 0..15 for a decimal or hexadecimal digit (either case), -1 otherwise.
int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Finds key in the first section named `section`. False when the file, that
// section or the key in it is missing; a line without '=' is not a key.
bool findValue(const char* section, const char* key, const char* file, std::string* value) {
    std::string content;
    if (!readWholeFile(file, &content)) return false;
    bool inSection = false;
    std::string wanted = section;  // asked for with blanks around it too
    wanted.erase(0, wanted.find_first_not_of(" \t"));
    wanted.erase(wanted.find_last_not_of(" \t") + 1);
    for (const ProfileLine& line : profileLines(content)) {
        if (line.kind == ProfileLine::Section) {
            if (inSection) return false;  // only the first matching section counts
            inSection = sameProfileName(line.name, wanted);
        } else if (inSection && line.kind == ProfileLine::Key && sameProfileName(line.name, key)) {
            *value = line.value;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string GetProfileText(const char* section, const char* key, const char* def, const char* file) {
    std::string value;
    if (!section || !key || !file || !findValue(section, key, file, &value)) value = def ? def : "";
    value.resize(std::strlen(value.c_str()));  // a NUL inside the value ends it
    return value;
}

int GetProfileInt(const char* section, const char* key, int def, const char* file) {
    std::string value;
    if (!section || !key || !file || !findValue(section, key, file, &value)) return def;
    if (value.empty()) return def;  // as missing, like the Windows call
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    uint32_t base = 10;
    if (value.size() > i + 1 && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Like the Windows call, digits beyond 32 bits wrap around instead of failing.
    uint32_t result = 0;
    for (int digit; i < value.size() && (digit = digitValue(value[i])) >= 0 && uint32_t(digit) < base; ++i)
        result = result * base + static_cast<uint32_t>(digit);
    if (negative) result = 0u - result;
    return static_cast<int>(result);
}

}  // namespace platform
