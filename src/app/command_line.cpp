#include "app/command_line.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "app/app_state.h"
#include "app/key_help.h"
#include "library/albums_loader.h"
#include "library/library_watch.h"
#include "platform/log_text.h"
#include "platform/platform.h"
#include "texture/texture_budget.h"

namespace {

// `text` as lines of at most 80 columns, each starting with `indent`, broken at spaces.
std::string wrapped(const std::string& text, const std::string& indent) {
    std::string result, line = indent;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (line.size() > indent.size() && line.size() + 1 + word.size() > 80) {
            result += line + "\n";
            line = indent;
        }
        line += (line.size() > indent.size() ? " " : "") + word;
        start = end + 1;
    }
    return result + line + "\n";
}

// "1" .. "3" and nothing else: a depth of 0 is the answer for "not given".
int depthValue(const char* text) {
    if (text && text[0] >= '1' && text[0] <= '3' && text[1] == '\0') return text[0] - '0';
    return 0;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        const char* argument = argv[i] ? argv[i] : "";
        const bool option = !optionsEnded && argument[0] == '-' && argument[1] != '\0';
        if (!option) {
            if (!line.hasMusicFolder) {
                line.hasMusicFolder = true;
                line.musicFolder = argument;
            }
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            line.help = true;
        } else if (std::strcmp(argument, "--version") == 0) {
            line.version = true;
        } else if (std::strcmp(argument, "--depth") == 0 || std::strncmp(argument, "--depth=", 8) == 0) {
            const char* value = argument[7] == '=' ? argument + 8 : (i + 1 < argc ? argv[++i] : nullptr);
            line.depth = depthValue(value);
            if (line.depth == 0)
                line.error = value ? "vellora: --depth takes 1, 2 or 3, not '" + platform::printable(value) + "'"
                                   : "vellora: --depth needs a number (1, 2 or 3)";
        } else {
            line.error = "vellora: unknown option '" + platform::printable(argument) + "' (see vellora --help)";
        }
    }
    return line;
}

std::string usageText() {
    std::string text =
        "Usage: vellora [OPTION]... [--] [MUSIC_FOLDER]\n"
        "Browse the albums of MUSIC_FOLDER (its sub-folders) as a row of covers and hand\n"
        "the chosen one to the music player.\n"
        "\n"
        "Options:\n"
        "  --depth N   albums are the folders N levels below the music folder (1–3)\n"
        "  --help      show this text and exit\n"
        "  --version   show the version and exit\n"
        "  --          end of options: what follows is the music folder, even if it\n"
        "              starts with '-'\n"
        "\n"
        "Keys and mouse:\n";
    for (const KeyHelpLine& line : shownHelpLines(true)) {
        char row[128];
        std::snprintf(row, sizeof row, "  %-24s%s\n", line.keys, line.action);
        text += row;
    }
    text +=
        "\n"
#ifdef _WIN32
        "Settings are read from .\\vellora.ini, else %APPDATA%\\vellora\\vellora.ini, else\n"
        "%USERPROFILE%\\.config\\vellora\\vellora.ini, section [vellora]; a missing key (and an\n"
#else
        "Settings are read from ./vellora.ini, else $XDG_CONFIG_HOME/vellora/vellora.ini\n"
        "(~/.config/vellora/vellora.ini), section [vellora]; a missing key (and an\n"
#endif
        "empty musicplayer, playerarguments or enqueuearguments) has its default. A\n"
        "value not understood is said on standard error, with its file and line:\n";
    for (const SettingHelp& setting : settingsHelp()) {
        text += "  " + std::string(setting.key) + "\n";
        text += wrapped(setting.meaning, "      ");
        text += wrapped("default: " + setting.fallback, "      ");
    }
    text += "The music folder given on the command line replaces defaultdir.\n";
    return text;
}

std::string defaultPlayersText() {
    const std::vector<platform::DefaultPlayer>& players = platform::defaultPlayers();
    if (players.size() == 1) return players[0].program;
#ifdef _WIN32
    std::string text = "the first installed (registered under App Paths, or in its folder under Program Files) of ";
#else
    std::string text = "the first found on PATH of ";
#endif
    for (size_t i = 0; i < players.size(); ++i) {
        text += i == 0 ? "" : i + 1 == players.size() ? " and " : ", ";
        text += players[i].program;
        if (*players[i].arguments) text += std::string(" (with ") + players[i].arguments + ")";
    }
    return text;
}

std::vector<SettingHelp> settingsHelp() {
    using Kind = SettingKind;
    const int most = std::numeric_limits<int>::max();
    return {
        {"musicplayer", "the program that plays an album folder", defaultPlayersText()},
        {"playerarguments",
         "words put between the player and the album folder (split at blanks; \"...\" keeps blanks)",
         "none, or the default player's own"},
        {"enqueuearguments",
         "the words put before the album folder instead, for Shift+Return: add the album to the player's list",
         "none, or the default player's own (mpv has none)"},
        {"endplayer",
         "end the player the browser started before the next album plays (true or false); for a musicplayer "
         "that keeps one instance itself, false",
         "true (a default player replaces its album its own way)", Kind::Boolean},
#ifdef _WIN32
        {"defaultdir", "the music folder", "C:\\Music when it is there, else your Music folder"},
#else
        {"defaultdir", "the music folder", "the XDG music folder, else ~/Music"},
#endif
        {"autoplay", "hand the selected album to the player at start (true or false)", "true", Kind::Boolean},
        {"depth", "albums are the folders 1, 2 or 3 levels below the music folder", "1", Kind::Number, 1,
         AlbumsLoader::kMaxDepth},
        {"texturememory", "MiB of cover textures kept", std::to_string(kDefaultTextureBudgetMiB), Kind::Number, 1,
         most},
        {"thumbnailcache", "keep scaled covers in the desktop's shared thumbnail cache (true or false)", "true",
         Kind::Boolean},
        {"rescaninterval",
         "seconds between two listings of a music folder no folder watch can follow (a network share); 0: never",
         std::to_string(kDefaultRescanSeconds), Kind::Number, 0, kMaxRescanSeconds},
        {"libraryindex",
         "remember the music folder's albums between runs, so the next start shows them at once (true or false)",
         "true", Kind::Boolean},
        {"order",
         "the order of the row: name (the folders'), added (newest first), year (oldest first) or artist (album "
         "artist, then year); F2 goes on to the next",
         "name", Kind::Text, 0, 0, {"name", "added", "year", "artist"}},
        {"startat", "the album selected at start: random, or last (the one selected when the browser ended)",
         "random", Kind::Text, 0, 0, {"random", "last"}},
    };
}

// The caption's name and the release it belongs to (the package's version).
std::string versionText() { return std::string(appname) + ", version " VELLORA_VERSION "\n"; }
