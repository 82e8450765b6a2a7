// The command line: the parser on its own, then the real program without a display.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "vellora");
    return parseCommandLine(int(arguments.size()), arguments.data());
}

TEST(CommandLineParser, OptionsFolderAndEndOfOptions) {
    struct Case {
        std::vector<const char*> arguments;
        bool help, version, hasFolder;
        const char* folder;
        int depth;
        bool error;
    };
    const Case cases[] = {
        {{}, false, false, false, "", 0, false},
        {{"/music", "extra"}, false, false, true, "/music", 0, false},
        {{"--help"}, true, false, false, "", 0, false},
        {{"-h", "/music"}, true, false, true, "/music", 0, false},
        {{"--version"}, false, true, false, "", 0, false},
        {{"--", "--help"}, false, false, true, "--help", 0, false},
        {{"--", "-x", "--version"}, false, false, true, "-x", 0, false},
        {{"-"}, false, false, true, "-", 0, false},
        {{"--depth", "2", "/music"}, false, false, true, "/music", 2, false},
        {{"/music", "--depth=3"}, false, false, true, "/music", 3, false},
        {{"--depth", "1"}, false, false, false, "", 1, false},
        {{"--depth", "0"}, false, false, false, "", 0, true},
        {{"--depth", "4"}, false, false, false, "", 0, true},
        {{"--depth=12"}, false, false, false, "", 0, true},
        {{"--depth", "-1"}, false, false, false, "", 0, true},
        {{"--depth"}, false, false, false, "", 0, true},
        {{"--bogus", "/music"}, false, false, false, "", 0, true},
        {{"-v"}, false, false, false, "", 0, true},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const char* a : c.arguments) shown += std::string(a) + " ";
        CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.version, c.version) << shown;
        EXPECT_EQ(line.hasMusicFolder, c.hasFolder) << shown;
        EXPECT_EQ(line.musicFolder, c.folder) << shown;
        EXPECT_EQ(line.depth, c.depth) << shown;
        EXPECT_EQ(!line.error.empty(), c.error) << shown << line.error;
        EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line: " << line.error;
    }
    EXPECT_NE(parse({"--bogus"}).error.find("--bogus"), std::string::npos);
}

// Run as the real program with no display: none of this needs one.
ProcessResult runBrowser(const std::string& folder, const std::vector<std::string>& args) {
    std::vector<std::string> argv{VELLORA_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, folder, {"DISPLAY", "WAYLAND_DISPLAY"});
}

TEST(CommandLineProgram, HelpVersionUnknownOptionsAndAFolderAfterDoubleDash) {
    TempDir dir;
    ProcessResult help = runBrowser(dir.path(), {"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    for (const char* part : {"Usage: vellora", "--depth N   albums are the folders N levels below the music folder",
                             "Page Down / Page Up", "Home / End", "F2 / F11", "F1", "Escape",
                             "./vellora.ini, else $XDG_CONFIG_HOME/vellora/vellora.ini",
                             "(~/.config/vellora/vellora.ini)"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part << "\n" << help.out;
    EXPECT_EQ(help.err, "");
    // Every key the program reads, with its default, in --help, the README and
    // the manual page; the default players in their order.
    const std::string entry = readWholeFile(std::string(VELLORA_SOURCE_DIR) + "/src/app/entry.cpp");
    const std::string readme = readWholeFile(std::string(VELLORA_SOURCE_DIR) + "/README.md");
    std::string manual = readWholeFile(std::string(VELLORA_SOURCE_DIR) + "/data/vellora.1");
    for (size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);  // groff's \- is a dash
    int keys = 0;
    for (size_t at = 0; (at = entry.find("(\"vellora\", \"", at)) != std::string::npos; ++keys) {
        at += 13;
        const std::string key = entry.substr(at, entry.find('"', at) - at);
        const size_t inHelp = help.out.find("\n  " + key + "\n");
        EXPECT_NE(inHelp, std::string::npos) << key << "\n" << help.out;
        EXPECT_NE(help.out.find("      default: ", inHelp), std::string::npos) << key;
        EXPECT_NE(readme.find(key), std::string::npos) << key << " is not in the README";
        EXPECT_NE(manual.find(key), std::string::npos) << key << " is not in the manual page";
    }
    EXPECT_EQ(keys, 13) << "musicplayer, playerarguments, enqueuearguments, endplayer, defaultdir, autoplay, depth, "
                           "texturememory, thumbnailcache, rescaninterval, libraryindex, order, startat";
    std::string unwrapped = help.out;  // continued lines joined again
    for (size_t at; (at = unwrapped.find("\n      --")) != std::string::npos;) unwrapped.replace(at, 7, " ");
    for (size_t at; (at = unwrapped.find("\n      ", unwrapped.find("default: the first found"))) !=
                        std::string::npos &&
                    at < unwrapped.find("\n  playerarguments");)
        unwrapped.replace(at, 7, " ");
    EXPECT_NE(unwrapped.find("vlc (with --one-instance), audacious, mpv (with --player-operation-mode=pseudo-gui), "
                             "celluloid and qmmp"),
              std::string::npos)
        << help.out;
    for (size_t start = 0, end; (end = help.out.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << help.out.substr(start, end - start);
    for (const char* text : {"vlc, audacious, mpv", "--player-operation-mode=pseudo-gui"}) {
        EXPECT_NE(readme.find(text), std::string::npos) << text;
        EXPECT_NE(manual.find(text), std::string::npos) << text;
    }

    ProcessResult version = runBrowser(dir.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Vellora v0.1 alpha, version " VELLORA_VERSION "\n");

    for (std::vector<std::string> bad : {std::vector<std::string>{"--bogus"}, {"--depth", "9"}, {"--depth"}}) {
        ProcessResult result = runBrowser(dir.path(), bad);
        EXPECT_EQ(result.status, 2) << bad[0];
        EXPECT_EQ(result.out, "");
        ASSERT_FALSE(result.err.empty()) << bad[0];
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    }

    // After "--" a folder named like an option opens: it holds no album, so the program names it and ends.
    dir.makeFolder("--help");
    ProcessResult result = runBrowser(dir.path(), {"--", "--help"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("The music directory --help is not valid!\nIt holds no album folders"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "");
}

}  // namespace
