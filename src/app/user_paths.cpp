#include "app/user_paths.h"

#include <sstream>

#include "platform/platform.h"

std::string configFolder(const std::string& xdgConfigHome, const std::string& home) {
    if (!xdgConfigHome.empty() && xdgConfigHome[0] == '/') return xdgConfigHome;  // relative ones are ignored
    if (home.empty()) return "";
    return home + "/.config";
}

std::vector<std::string> userSettingsFiles(const std::string& appData, const std::string& xdgConfigHome,
                                           const std::string& home) {
    std::vector<std::string> files;
    if (!appData.empty()) files.push_back(appData + "\\vellora\\vellora.ini");
    const std::string folder = configFolder(xdgConfigHome, home);
    if (!folder.empty()) files.push_back(folder + "/vellora/vellora.ini");
    return files;
}

std::string settingsFilePath(bool localFileUsable, const std::vector<std::string>& userFiles,
                             bool (*isFile)(const std::string& path)) {
    if (localFileUsable) return kLocalSettingsFile;
    for (const std::string& file : userFiles)
        if (isFile(file)) return file;
    return userFiles.empty() ? "" : userFiles.front();
}

namespace {

// The value of NAME="value" as the shell would read it, backslash escapes
// undone; false when the line is not of that form.
bool quotedValue(const std::string& line, const std::string& name, std::string* value) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, name.size(), name) != 0) return false;
    at += name.size();
    if (line.compare(at, 2, "=\"") != 0) return false;
    value->clear();
    for (at += 2; at < line.size(); ++at) {
        if (line[at] == '"') return line.find_first_not_of(" \t\r", at + 1) == std::string::npos;
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        *value += line[at];
    }
    return false;  // no closing quote
}

}  // namespace

std::string musicFolderFromUserDirs(const std::string& userDirsText, const std::string& home) {
    std::istringstream lines(userDirsText);
    std::string line, value, found;
    while (std::getline(lines, line)) {
        if (!quotedValue(line, "XDG_MUSIC_DIR", &value)) continue;
        if (value.find('\0') != std::string::npos) value.clear();  // no path holds a NUL
        if (value.compare(0, 6, "$HOME/") == 0) found = home.empty() ? "" : home + value.substr(5);
        else if (value == "$HOME") found = "";
        else if (!value.empty() && value[0] == '/') found = value;
        else found = "";
    }
    while (found.size() > 1 && found.back() == '/') found.pop_back();
    if (found == home) return "";  // the home folder itself means the directory is not set
    return found;
}

std::string defaultMusicFolder(const std::string& home, const std::string& userDirsText) {
    const std::string fromUserDirs = musicFolderFromUserDirs(userDirsText, home);
    return fromUserDirs.empty() ? platform::defaultMusicFolder(home) : fromUserDirs;
}
