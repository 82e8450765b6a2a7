#include "library/media_files.h"

#include <cstring>

#include "platform/platform.h"

bool isAudioName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    std::string ending = name.substr(dot + 1);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const char* known :
         {"mp3", "flac", "ogg", "oga", "opus", "m4a", "m4b", "mp4", "aac", "wma", "wav", "ape", "wv", "mpc", "aif", "aiff"})
        if (ending == known) return true;
    return false;
}

std::string loweredEnding(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind(platform::kSeparator);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ending = path.substr(dot + 1);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ending;
}
