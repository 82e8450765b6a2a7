// The command line, read without any display: options, then the music folder.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool hasMusicFolder = false;
    std::string musicFolder;  // the first argument that is not an option
    int depth = 0;            // --depth N, 1 .. 3; 0 when not given
    std::string error;        // one line for standard error; the program then ends with status 2
};

// Reads argv[1 ..]: --help (-h), --version, --depth N (or --depth=N), and "--",
// after which every argument is a plain argument even if it starts with '-'.
// A lone "-" is a plain argument. Further plain arguments are ignored.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The --help text: usage, options, keys and mouse, where the settings come
// from, and every setting with its default.
std::string usageText();

// What a setting's value is: any text, true or false, or a whole number.
enum class SettingKind { Text, Boolean, Number };

// Every key of section [vellora], one line each: what it sets and its default
// as --help says them, and the values it takes, which the settings check
// holds a file to. A number outside low .. high is taken as the nearest of them;
// a word not among a key's words is taken as its default.
struct SettingHelp {
    const char* key;
    std::string meaning;
    std::string fallback;
    SettingKind kind = SettingKind::Text;
    int low = 0, high = 0;
    std::vector<std::string> words{};  // a Text key's only values (letter case aside); empty: any text
};
std::vector<SettingHelp> settingsHelp();

// The default music players in their order, for people: "the first found on
// PATH of vlc, audacious, mpv (with --player-operation-mode=pseudo-gui), ...".
std::string defaultPlayersText();
// The --version text, one line.
std::string versionText();
