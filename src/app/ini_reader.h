// Typed reads from a settings file of the Windows profile kind ([section] and
// key=value lines). Every read goes to the file on its own; nothing is cached
// and nothing is ever written. A file that someone other than the user (or
// root) owns or can change is not read: every read then gives its default,
// and the first one says on standard error why the file was ignored.
#pragma once

#include <string>

class CIniReader {
public:
    // Keeps a copy of `fileName`. A path of 255 bytes or more cannot be kept
    // with its terminator; it is refused (an empty name is kept), so every read
    // then gives its default.
    explicit CIniReader(const char* fileName);

    // The value as a Windows profile integer, or `defaultValue` when missing
    // or empty.
    int ReadInteger(const char* section, const char* key, int defaultValue);
    // The leading decimal number of the value (0 when there is none), or
    // `defaultValue`, exactly, when missing. Kept for the design: no setting is a float.
    float ReadFloat(const char* section, const char* key, float defaultValue);
    // True only for the values "True" and "true"; `defaultValue` when missing.
    bool ReadBoolean(const char* section, const char* key, bool defaultValue);
    // A new array of 255 chars holding the value (cut to 254 bytes) or, when
    // missing, `defaultValue`. The caller owns it and releases it with delete[].
    // Kept for the design: the settings read as text (the paths, the
    // player's words) are read whole through ReadText.
    char* ReadString(const char* section, const char* key, const char* defaultValue);
    // The value whole, however long, or `defaultValue` when missing: for the
    // paths and the player's words, which a cut would make into other ones
    // (Linux allows paths of 4,096 bytes).
    std::string ReadText(const char* section, const char* key, const char* defaultValue);
    // Whether the file may be read (see above); the first false says why.
    bool isTrusted() { return trustedFile()[0] != '\0'; }

private:
    // fileName, or "" (so every read gives its default) when it is not trusted.
    const char* trustedFile();

    char fileName[255];
    bool reportedUntrusted = false;
};
