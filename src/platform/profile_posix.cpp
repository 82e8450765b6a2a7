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

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trimmed(const std::string& text, size_t begin, size_t end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// 0..15 for a decimal or hexadecimal digit (either case), -1 otherwise.
int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(const std::string& a, const char* b) {
    size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// One pair of matching surrounding quotes, '…' or "…", is not part of a value.
std::string withoutQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Finds key in the first section named `section`. False when the file, that
// section or the key in it is missing; a line without '=' is not a key.
bool findValue(const char* section, const char* key, const char* file, std::string* value) {
    std::string content;
    if (!readWholeFile(file, &content)) return false;
    size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    bool inSection = false;
    const std::string wanted = trimmed(section, 0, std::strlen(section));
    while (start < content.size()) {
        // LF, CRLF and the lone CR of old Mac editors all end a line (CRLF
        // leaves an empty line between, which is skipped).
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) end = content.size();
        std::string line = trimmed(content, start, end);
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos) {
            if (inSection) return false;  // only the first matching section counts
            inSection = sameName(trimmed(line, 1, close), wanted.c_str());
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        if (sameName(trimmed(line, 0, equals), key)) {
            *value = withoutQuotes(trimmed(line, equals + 1, line.size()));
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

int GetProfileString(const char* section, const char* key, const char* def,
                     char* out, int size, const char* file) {
    if (!out || size <= 0) return 0;
    const std::string value = GetProfileText(section, key, def, file);
    const size_t length = std::min(value.size(), static_cast<size_t>(size - 1));
    std::memcpy(out, value.data(), length);
    out[length] = '\0';
    return static_cast<int>(length);
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
