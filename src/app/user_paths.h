// Where the settings file and the default music folder are: on a desktop that
// follows the XDG base directory and user directory conventions, and on
// Windows in the profile's application data. Pure functions of what they are
// given, so they are checked without touching the real home folder.
#pragma once

#include <string>
#include <vector>

// The settings file in the folder the program was started from; it wins when
// it is there and may be used.
constexpr const char* kLocalSettingsFile = "./vellora.ini";

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, otherwise $HOME/.config; "" when neither is known.
std::string configFolder(const std::string& xdgConfigHome, const std::string& home);

// The user's own settings files, most wanted first: vellora\vellora.ini in
// `appData` (Windows' %APPDATA%; "" on Linux) when it is known, then
// vellora/vellora.ini in the configuration folder when that is known (on
// Windows the XDG-style %USERPROFILE%/.config that earlier versions read).
std::vector<std::string> userSettingsFiles(const std::string& appData, const std::string& xdgConfigHome,
                                           const std::string& home);

// The settings file to read: kLocalSettingsFile when `localFileUsable`,
// otherwise the first of `userFiles` that `isFile` finds, otherwise the first
// of them, the one to make ("" when there is none: then every setting has its
// default).
std::string settingsFilePath(bool localFileUsable, const std::vector<std::string>& userFiles,
                             bool (*isFile)(const std::string& path));

// XDG_MUSIC_DIR as the text of a user-dirs.dirs file gives it: a quoted
// "$HOME/..." or absolute path; the last assignment counts. "" when the file
// names none, names the home folder itself (which means "not set"), or writes
// it in another form.
std::string musicFolderFromUserDirs(const std::string& userDirsText, const std::string& home);

// The music folder when neither the command line nor the settings give one:
// the user-dirs music folder, else the system's default ($HOME/Music; on
// Windows C:\Music).
std::string defaultMusicFolder(const std::string& home, const std::string& userDirsText);
