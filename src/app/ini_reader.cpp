// The settings reader: typed conversions over the platform's profile calls.
#include "app/ini_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/log_text.h"
#include "platform/platform.h"

namespace {
constexpr int kValueSize = 255;
constexpr int kDefaultTextSize = 8;  // "True" or "False"
}  // namespace

CIniReader::CIniReader(const char* path) {
    std::memset(fileName, 0, sizeof fileName);
    if (path && std::strlen(path) < sizeof fileName) std::strcpy(fileName, path);
}

// Checked on every read, as every read opens the file anew: a file put there
// after the first read is caught as well.
const char* CIniReader::trustedFile() {
    std::string why;
    if (platform::settingsFileTrusted(fileName, &why)) return fileName;
    if (!reportedUntrusted) {
        std::fprintf(stderr, "vellora: ignoring the settings file %s: %s\n", platform::printable(fileName).c_str(),
                     why.c_str());
        reportedUntrusted = true;
    }
    return "";
}

int CIniReader::ReadInteger(const char* section, const char* key, int defaultValue) {
    return platform::GetProfileInt(section, key, defaultValue, trustedFile());
}

float CIniReader::ReadFloat(const char* section, const char* key, float defaultValue) {
    // No value read from a file holds a line break, so this default says
    // "missing", and the caller's default comes back exactly (a "%f" round
    // trip would turn 1e-7 into 0).
    char value[kValueSize];
    platform::GetProfileString(section, key, "\n", value, kValueSize, trustedFile());
    if (std::strcmp(value, "\n") == 0) return defaultValue;
    return static_cast<float>(std::atof(value));
}

bool CIniReader::ReadBoolean(const char* section, const char* key, bool defaultValue) {
    char defaultText[kDefaultTextSize];
    std::snprintf(defaultText, sizeof defaultText, "%s", defaultValue ? "True" : "False");
    char value[kValueSize];
    platform::GetProfileString(section, key, defaultText, value, kValueSize, trustedFile());
    return std::strcmp(value, "True") == 0 || std::strcmp(value, "true") == 0;
}

char* CIniReader::ReadString(const char* section, const char* key, const char* defaultValue) {
    char* value = new char[kValueSize]();
    platform::GetProfileString(section, key, defaultValue, value, kValueSize, trustedFile());
    return value;
}

std::string CIniReader::ReadText(const char* section, const char* key, const char* defaultValue) {
    return platform::GetProfileText(section, key, defaultValue, trustedFile());
}
