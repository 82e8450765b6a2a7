// The settings value cut to a caller's buffer, the same on every system: the
// whole value comes from each system's GetProfileText.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {

int GetProfileString(const char* section, const char* key, const char* def,
                     char* out, int size, const char* file) {
    if (!out || size <= 0) return 0;
    const std::string value = GetProfileText(section, key, def, file);
    size_t length = std::min(value.size(), static_cast<size_t>(size - 1));
    // Never cut a UTF-8 character in two.
    while (length > 0 && length < value.size() && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(out, value.data(), length);
    out[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace platform
