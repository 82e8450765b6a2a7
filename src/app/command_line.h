// The command line, read without any display: options, then the music folder.
#pragma once

#include <string>

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

// The --help text: usage, options, keys and mouse, where the settings come from.
std::string usageText();
// The --version text, one line.
std::string versionText();
