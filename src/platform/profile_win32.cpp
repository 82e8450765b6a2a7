// Settings-file reading with the Windows profile calls themselves,
// GetPrivateProfileStringA and GetPrivateProfileIntA: whatever rules Windows
// applies to the file are the rules. Their text is in the ANSI code page and
// is handed on as UTF-8.
#include <windows.h>
// windows.h names its own (win.ini) profile calls so; ours are platform::'s.
#undef GetProfileString
#undef GetProfileInt

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

// A default no settings file holds: it tells "missing" from any real value,
// so the caller's own default is handed back byte for byte, never re-encoded.
const char kMissing[] = "\x01vellora: no such key\x01";

// A relative name must contain a separator, or Windows looks for it in the
// Windows folder; forward slashes become backslashes for that test.
std::string nativeName(const char* file) {
    std::string name = file;
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// The buffer doubles until the value fits (the call cuts it to the size less
// one when it does not); a value this long is not a setting.
constexpr DWORD kLongestValue = 1 << 20;

}  // namespace

std::string GetProfileText(const char* section, const char* key, const char* def, const char* file) {
    std::string value = def ? def : "";
    if (section && key && file) {
        const std::string name = nativeName(file);
        std::string buffer(4096, '\0');
        DWORD got = 0;
        for (;;) {
            got = GetPrivateProfileStringA(section, key, kMissing, &buffer[0], DWORD(buffer.size()), name.c_str());
            if (got + 1 < buffer.size() || buffer.size() >= kLongestValue) break;
            buffer.resize(buffer.size() * 2);
        }
        const std::string read(buffer.data(), got);
        if (read != kMissing) value = utf8FromAnsi(read);
    }
    value.resize(std::strlen(value.c_str()));  // a NUL inside the value ends it
    return value;
}

int GetProfileInt(const char* section, const char* key, int def, const char* file) {
    if (!section || !key || !file) return def;
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, nativeName(file).c_str()));
}

}  // namespace platform
