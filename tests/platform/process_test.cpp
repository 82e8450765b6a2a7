// Starting a program: the player's words and the folder byte for byte, no
// shell, no waiting, no zombie, and a reason for a person when it cannot
// start; the call the settings make (arguments split, the default players
// found on PATH) and the absolute folder as tables.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// True when no child of this process (of any of its threads) is a zombie.
bool noZombieChild() {
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return false;
    bool none = true;
    while (dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.') continue;
        std::istringstream children(readWholeFile(std::string("/proc/self/task/") + task->d_name + "/children"));
        for (std::string pid; children >> pid;) {
            std::string stat = readWholeFile("/proc/" + pid + "/stat");
            size_t close = stat.rfind(')');
            if (close != std::string::npos && stat.compare(close, 4, ") Z ") == 0) none = false;
        }
    }
    closedir(tasks);
    return none;
}

// The call that starts `program` on `argument` alone.
platform::ProgramCall callOf(const std::string& program, const std::string& argument) {
    return platform::playerCall(program, "", argument, "");
}

// Starting `program` fails without a word on stderr; the reason given.
std::string failureReason(const std::string& program) {
    testing::internal::CaptureStderr();
    std::string why;
    bool started = platform::startProgram(callOf(program, "/music/album"), &why);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << program;
    EXPECT_FALSE(started) << program;
    return why;
}

// A stand-in player named `name` in `folder` that records its arguments.
std::string standIn(const std::string& folder, const std::string& name, const std::string& log) {
    const std::string path = folder + "/" + name;
    std::ofstream(path) << "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" >> '" << log << "'\n";
    chmod(path.c_str(), 0755);
    return path;
}

}  // namespace

TEST(ProgramStart, PassesOneArgumentByteForByteWithoutAShell) {
    TempDir dir;
    std::string log = dir.at("calls");
    std::string player = writeRecordingPlayer(dir.path(), log);
    const std::string arguments[] = {
        "/music/with spaces", "/music/\"quoted\" 'too'", "/music/$HOME $(touch " + dir.at("injected") + ")",
        "-starts-with-dash", "/music/new\nline", std::string("/music/not utf-8 \xff\xfe\x80"), "", "*"};
    size_t started = 0;
    for (const std::string& argument : arguments) {
        ASSERT_TRUE(platform::startProgram(callOf(player, argument), nullptr));
        ++started;
        ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == started; }, 20000)) << argument;
        PlayerCall call = readPlayerCalls(log).back();
        EXPECT_EQ(call.argumentCount, 1) << argument;
        EXPECT_EQ(call.argument, argument);
    }
    EXPECT_FALSE(exists(dir.at("injected"))) << "a shell expanded the argument";
}

TEST(ProgramStart, FindsAProgramWithoutASlashOnThePath) {
    TempDir dir;
    std::string log = dir.at("calls");
    writeRecordingPlayer(dir.path(), log);  // named recording-player
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.path() + ":" + oldPath).c_str(), 1);
    bool started = platform::startProgram(callOf("recording-player", "/music/a"), nullptr);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(started);
    ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == 1; }, 20000));
    EXPECT_EQ(readPlayerCalls(log)[0].argument, "/music/a");
}

TEST(ProgramStart, ReturnsWithoutWaitingForTheProgram) {
    TempDir dir;
    std::string release = dir.at("release");
    std::string finished = dir.at("finished");
    // The program ends only once the test releases it (or after 20 s at most).
    std::string player = dir.writeFile("waiting player", "#!/bin/sh\ni=0; while [ ! -e '" + release +
                                                             "' ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); "
                                                             "done; echo done > '" + finished + "'\n");
    ASSERT_EQ(chmod(player.c_str(), 0755), 0);
    ASSERT_TRUE(platform::startProgram(callOf(player, "x"), nullptr));
    EXPECT_FALSE(exists(finished)) << "startProgram waited for the program to end";
    dir.writeFile("release", "");
    EXPECT_TRUE(waitFor([&] { return readWholeFile(finished) == "done\n"; }, 20000));
}

TEST(ProgramStart, LeavesNoZombieBehind) {
    TempDir dir;
    std::string log = dir.at("calls");
    std::string player = writeRecordingPlayer(dir.path(), log);
    for (size_t run = 1; run <= 3; ++run) {
        ASSERT_TRUE(platform::startProgram(callOf(player, "/music/a"), nullptr));
        ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == run; }, 20000));
    }
    // The players have ended or are ending; each must be reaped.
    EXPECT_TRUE(waitFor(noZombieChild, 20000)) << "an ended program was left a zombie";
}

TEST(ProgramStart, AFailureGivesAReasonForAPersonAndWritesNothing) {
    TempDir dir;
    EXPECT_EQ(failureReason(dir.at("no such player")), "no such file");
    EXPECT_EQ(failureReason("vellora-no-such-player"), "not found on PATH");
    EXPECT_EQ(failureReason(dir.writeFile("not executable", "#!/bin/sh\nexit 0\n")),
              "not a program you may run (permission denied)");
    EXPECT_EQ(failureReason(dir.path()), "not a program you may run (permission denied)");
    // Nothing on PATH: the default players are missing, and each is named.
    std::string why;
    platform::ProgramCall none = platform::playerCall("", "", "/music/album", dir.path());
    EXPECT_FALSE(platform::startProgram(none, &why));
    EXPECT_EQ(why, "no music player found on PATH (tried vlc, audacious, mpv, celluloid, qmmp)");
    EXPECT_EQ(none.player, "");
}

// The settings' playerarguments, split as the Linux call takes them.
TEST(PlayerCall, ArgumentsSplitAtBlanksWithDoubleQuotesKeepingThem) {
    using Words = std::vector<std::string>;
    const struct {
        const char* text;
        Words words;
    } cases[] = {
        {"", {}},
        {"-e", {"-e"}},
        {"  -e \t --x=1  ", {"-e", "--x=1"}},
        {"--title \"two words\" last", {"--title", "two words", "last"}},
        {"a\"b c\"d", {"ab cd"}},          // quotes only group, inside a word too
        {"\"\" x", {"", "x"}},              // "" is an empty word
        {"x \"unbalanced to the end", {"x", "unbalanced to the end"}},
        {"back\\slash 'single quoted'", {"back\\slash", "'single", "quoted'"}},  // no escapes, no single quotes
    };
    for (const auto& c : cases) EXPECT_EQ(platform::splitArguments(c.text), c.words) << c.text;
}

// The call a hand-over makes: the player's words, then the folder, started
// without a shell and shown as quoted words.
TEST(PlayerCall, TheSettingsPlayerAndArgumentsOrTheFirstDefaultPlayerOnThePath) {
    TempDir dir;
    const std::string bin = dir.makeFolder("bin"), other = dir.makeFolder("other"), log = dir.at("calls");
    const std::string folder = "/music/-Album \"x\"";
    using Words = std::vector<std::string>;
    // Set: the words as given, wherever the player is.
    platform::ProgramCall call = platform::playerCall("audacious", "-e \"a b\"", folder, bin);
    EXPECT_EQ(call.words, (Words{"audacious", "-e", "a b", folder}));
    EXPECT_EQ(call.commandLine, "\"audacious\" \"-e\" \"a b\" \"" + folder + "\"");
    EXPECT_EQ(call.player, "audacious");

    // Not set: the first of the list that PATH holds, with its own arguments,
    // unless playerarguments is set. Relative and empty PATH entries are not
    // looked in (the working folder holds a "vlc" too).
    standIn(other, "mpv", log);
    standIn(other, "qmmp", log);
    standIn(bin, "celluloid", log);
    std::ofstream(dir.at("vlc")) << "#!/bin/sh\n";
    chmod(dir.at("vlc").c_str(), 0755);
    std::ofstream(bin + "/audacious") << "not executable\n";  // not a program: passed over
    const std::string path = ":.:relative:" + bin + ":" + other + "/";
    struct Case {
        std::string arguments;
        Words words;
    };
    const std::string cwd = platform::workingFolder();
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    for (const Case& c : {Case{"", {other + "/mpv", "--player-operation-mode=pseudo-gui", folder}},
                          Case{"--no-video", {other + "/mpv", "--no-video", folder}}}) {
        call = platform::playerCall("", c.arguments, folder, path);
        EXPECT_EQ(call.words, c.words) << c.arguments;
        EXPECT_EQ(call.player, "mpv");
        EXPECT_EQ(call.notFound, "");
    }
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    // And it really starts, each word as one argument.
    ASSERT_TRUE(platform::startProgram(platform::playerCall("", "\"\" \"x y\"", folder, other), nullptr));
    const std::string expected = other + "/mpv" + std::string(1, '\0') + std::string(1, '\0') + "x y" +
                                 std::string(1, '\0') + folder + std::string(1, '\0');
    EXPECT_TRUE(waitFor([&] { return readWholeFile(log) == expected; }, 20000)) << readWholeFile(log);
}

// Album folders go to the player absolute, made as text from the working folder.
TEST(AbsolutePath, JoinedToTheWorkingFolderWithDotsResolvedAsNames) {
    const struct {
        const char* path;
        const char* working;
        const char* absolute;
    } cases[] = {
        {"-Music/Album", "/home/ann", "/home/ann/-Music/Album"},
        {"./Music//Album/", "/home/ann", "/home/ann/Music/Album"},
        {"../family/Music/../Music/A", "/home/ann", "/home/family/Music/A"},
        {"../../../../x", "/home/ann", "/x"},  // never above the root
        {"/srv/music/./A/..", "/home/ann", "/srv/music"},
        {"/", "/home/ann", "/"},
        {"Album", "/", "/Album"},
        {"...", "/w", "/w/..."},  // only "." and ".." are special
        {"a\\b", "/w", "/w/a\\b"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::absolutePath(c.path, c.working), c.absolute) << c.path;
    EXPECT_EQ(platform::workingFolder().substr(0, 1), "/");
}

// The user folder sits beside the program start in the same OS layer.
TEST(HomeFolder, IsHomeOrEmpty) {
    std::string saved = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/some one", 1);
    EXPECT_EQ(platform::homeFolder(), "/home/some one");
    unsetenv("HOME");
    EXPECT_EQ(platform::homeFolder(), "");
    setenv("HOME", saved.c_str(), 1);
}
