// Starting a program: the player's words and the folder byte for byte, no
// shell, no waiting, no zombie, and a reason for a person when it cannot
// start; the call the settings make (arguments split, the default players
// found on PATH) and the absolute folder as tables.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/log_text.h"
#include "platform/platform.h"
#include "support/child.h"
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

namespace {

// `then` run by a stand-in started with the error relay; waits for its end.
struct Ending {
    platform::ProgramEnd end;
    std::string relayed;  // what reached our standard error
};
Ending endOf(const TempDir& dir, const std::string& name, const std::string& then) {
    platform::ProgramCall call = callOf(writeStandInPlayer(dir.path(), name, dir.at("calls"), then), "/music/a");
    call.errorRelay = VELLORA_TAG_HELPER_BINARY;
    std::unique_ptr<platform::StartedProgram> started;
    testing::internal::CaptureStderr();
    const bool ran = platform::startProgram(call, nullptr, &started);
    Ending ending;
    const bool ended = ran && started && waitFor([&] { return started->ended(&ending.end); }, 20000);
    ending.relayed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ended) << name;
    return ending;
}

}  // namespace

// A program that ends at once is told with its status and its first line of
// error output, while all of that output still reaches our standard error.
TEST(StartedProgram, TellsHowItEndedWithTheFirstLineOfItsErrorOutput) {
    TempDir dir;
    const struct {
        const char* name;
        const char* then;
        bool failed;
        std::string how, firstLine, relayed;
    } cases[] = {
        {"as root", "echo 'VLC is not supposed to be run as root. Sorry.' >&2; echo second >&2; exit 1", true,
         "ended with status 1", "VLC is not supposed to be run as root. Sorry.",
         "VLC is not supposed to be run as root. Sorry.\nsecond\n"},
        {"false", "exit 1", true, "ended with status 1", "", ""},
        {"crash", "kill -SEGV $$", true, "killed by signal 11 (Segmentation fault)", "", ""},
        {"fine", "printf 'all well\\r\\n' >&2; exit 0", false, "", "all well", "all well\r\n"},
        {"no line end", "printf '%0300d' 7 >&2; exit 2", true, "ended with status 2", std::string(200, '0'),
         std::string(299, '0') + "7"},
    };
    for (const auto& c : cases) {
        const Ending ending = endOf(dir, c.name, c.then);
        EXPECT_EQ(ending.end.failed, c.failed) << c.name;
        EXPECT_FALSE(ending.end.onRequest) << c.name;
        EXPECT_EQ(ending.end.how, c.how) << c.name;
        EXPECT_EQ(ending.end.firstErrorLine, c.firstLine) << c.name;
        EXPECT_EQ(ending.relayed, c.relayed) << c.name;
    }
}

// end() ends that program only, and its end is not a failure; the program
// started beside it runs on. Once every program has ended, none is a zombie.
TEST(StartedProgram, EndEndsThatProgramAndNoOther) {
    TempDir dir;
    const std::string log = dir.at("calls");
    const std::string player = writeStandInPlayer(dir.path(), "staying", log, "exec /bin/sleep 30");
    std::unique_ptr<platform::StartedProgram> first, second;
    ASSERT_TRUE(platform::startProgram(callOf(player, "/music/a"), nullptr, &first));
    ASSERT_TRUE(waitFor([&] { return readPlayerPids(log).size() == 1; }, 20000));  // the pids in start order
    ASSERT_TRUE(platform::startProgram(callOf(player, "/music/b"), nullptr, &second));
    ASSERT_TRUE(waitFor([&] { return readPlayerPids(log).size() == 2; }, 20000));
    const std::vector<long> pids = readPlayerPids(log);
    EXPECT_FALSE(first->ended(nullptr));
    first->end();
    platform::ProgramEnd end;
    ASSERT_TRUE(waitFor([&] { return first->ended(&end); }, 20000));
    EXPECT_TRUE(end.onRequest);
    EXPECT_FALSE(end.failed) << "ended on request: " << end.how;
    first->end();  // once it has ended, asking again reaches nobody
    EXPECT_FALSE(second->ended(nullptr));
    EXPECT_TRUE(processRuns(pids[1]));
    EXPECT_FALSE(processRuns(pids[0]));
    second->end();
    ASSERT_TRUE(waitFor([&] { return second->ended(nullptr); }, 20000));
    EXPECT_TRUE(waitFor(noZombieChild, 20000));
}

// The relay outlives the browser: a player that writes to its standard error
// after the browser has ended is not killed by SIGPIPE, and the line still
// reaches the terminal (here a file).
TEST(StartedProgram, APlayerWritesToTheTerminalAfterTheBrowserHasGone) {
    TempDir dir;
    const std::string alive = dir.at("alive"), terminal = dir.at("terminal");
    platform::ProgramCall call = callOf(
        writeStandInPlayer(dir.path(), "late", dir.at("calls"),
                           "/bin/sleep 1; echo late >&2; echo alive > '" + alive + "'"),
        "/music/a");
    call.errorRelay = VELLORA_TAG_HELPER_BINARY;
    const pid_t browser = fork();
    if (browser == 0) {
        const int fd = open(terminal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        _exit(platform::startProgram(call, nullptr) ? 0 : 1);
    }
    ASSERT_EQ(boundedExitStatus(browser), 0);
    EXPECT_TRUE(waitFor([&] { return readWholeFile(alive) == "alive\n"; }, 20000)) << "the player died";
    EXPECT_TRUE(waitFor([&] { return readWholeFile(terminal) == "late\n"; }, 20000)) << readWholeFile(terminal);
}

// Which arguments each player gets, and which way it replaces its album: the
// default players their own (vlc and the others one instance, mpv ended
// first), a player of the user's by the endplayer setting.
TEST(PlayerCall, PlayAndEnqueueForTheDefaultPlayersAndTheUsersOwn) {
    TempDir dir;
    using Words = std::vector<std::string>;
    const std::string bin = dir.makeFolder("bin");
    for (const char* name : {"vlc", "audacious", "mpv", "celluloid", "qmmp"}) standIn(bin, name, dir.at("calls"));
    const struct Case {
        const char* onPath;  // the one default player there is, or nullptr
        platform::PlayerSettings settings;
        platform::PlayerAction action;
        Words arguments;  // between the program and the folder
        bool endsPrevious;
        std::string cannotEnqueue;
    } cases[] = {
        {"vlc", {}, platform::PlayerAction::Play, {"--one-instance"}, false, ""},
        {"vlc", {}, platform::PlayerAction::Enqueue, {"--one-instance", "--playlist-enqueue"}, false, ""},
        {"audacious", {}, platform::PlayerAction::Enqueue, {"-e"}, false, ""},
        {"celluloid", {}, platform::PlayerAction::Enqueue, {"--enqueue"}, false, ""},
        {"qmmp", {}, platform::PlayerAction::Play, {}, false, ""},
        {"mpv", {}, platform::PlayerAction::Play, {"--player-operation-mode=pseudo-gui"}, true, ""},
        {"mpv", {}, platform::PlayerAction::Enqueue, {}, false, "cannot add an album to its list"},
        {"mpv", {"", "", "--script-opts=x", true}, platform::PlayerAction::Enqueue, {"--script-opts=x"}, false, ""},
        {"vlc", {"", "--fullscreen", "", true}, platform::PlayerAction::Play, {"--fullscreen"}, true, ""},
        {"vlc", {"", "--fullscreen", "", false}, platform::PlayerAction::Play, {"--fullscreen"}, false, ""},
        {nullptr, {"/opt/player", "", "", true}, platform::PlayerAction::Play, {}, true, ""},
        {nullptr, {"/opt/player", "-p", "", false}, platform::PlayerAction::Play, {"-p"}, false, ""},
        {nullptr, {"/opt/player", "", "--add", true}, platform::PlayerAction::Enqueue, {"--add"}, false, ""},
        {nullptr, {"/opt/player", "", "", true}, platform::PlayerAction::Enqueue, {}, false, "has no enqueuearguments set"},
    };
    for (const Case& c : cases) {
        const std::string path = c.onPath ? dir.makeFolder(std::string("only-") + c.onPath) : dir.path();
        if (c.onPath) standIn(path, c.onPath, dir.at("calls"));
        const platform::ProgramCall call = platform::playerCall(c.settings, c.action, "/m/A", path);
        const std::string name = std::string(c.onPath ? c.onPath : "own") + " " + c.settings.arguments +
                                 (c.action == platform::PlayerAction::Play ? " play" : " enqueue");
        EXPECT_EQ(call.cannotEnqueue, c.cannotEnqueue) << name;
        EXPECT_EQ(call.endsPrevious, c.endsPrevious) << name;
        if (!c.cannotEnqueue.empty()) continue;
        ASSERT_GE(call.words.size(), 2u) << name;
        EXPECT_EQ(Words(call.words.begin() + 1, call.words.end() - 1), c.arguments) << name;
        EXPECT_EQ(call.words.back(), "/m/A") << name;
    }
    std::string why;
    EXPECT_FALSE(platform::startProgram(platform::playerCall({"", "", "", true}, platform::PlayerAction::Enqueue,
                                                             "/m/A", dir.makeFolder("only-mpv")),
                                        &why));
    EXPECT_EQ(why, "cannot add an album to its list") << "nothing starts";
}

// Lines of standard error show names as they are, escaped where a terminal
// would act on them or a reader could not tell where a quoted word ends.
TEST(LogText, ControlCharactersAndBytesThatAreNotUtf8AreEscaped) {
    const struct {
        std::string text, printable, quoted;
    } cases[] = {
        {"Bj\xC3\xB6rk - Homog\xC3\xA9nic \xE2\x9C\x93", "Bj\xC3\xB6rk - Homog\xC3\xA9nic \xE2\x9C\x93",
         "\"Bj\xC3\xB6rk - Homog\xC3\xA9nic \xE2\x9C\x93\""},
        {"new\nline\ttab\r", "new\\nline\\ttab\\r", "\"new\\nline\\ttab\\r\""},
        {"bell\x07 esc\x1b[31m del\x7f", "bell\\x07 esc\\x1b[31m del\\x7f", "\"bell\\x07 esc\\x1b[31m del\\x7f\""},
        {"latin-1 caf\xE9", "latin-1 caf\\xe9", "\"latin-1 caf\\xe9\""},
        {"cut \xC3", "cut \\xc3", "\"cut \\xc3\""},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80", "overlong \\xc0\\xaf surrogate \\xed\\xa0\\x80",
         "\"overlong \\xc0\\xaf surrogate \\xed\\xa0\\x80\""},
        {"c1 \xC2\x9B", "c1 \\xc2\\x9b", "\"c1 \\xc2\\x9b\""},
        {"say \"hi\" \\n", "say \"hi\" \\n", "\"say \\\"hi\\\" \\n\""},
        {"C:\\Music\\", "C:\\Music\\", "\"C:\\Music\\\\\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::printable(c.text), c.printable) << c.printable;
        EXPECT_EQ(platform::quotedPrintable(c.text), c.quoted) << c.printable;
    }
    EXPECT_EQ(platform::quotedWords({"p", "/m/say \"hi\""}), "\"p\" \"/m/say \\\"hi\\\"\"");
}

// The window's start-up adds a variable to the environment and takes it out
// again while the loader's and the library's threads already read it: a read
// beside a change must never meet the environment's array freed under it
// (the sanitizer build turns such a read into a failure).
TEST(ProgramEnvironment, IsReadSafelyBesideTheChangesOfTheWindowsStartUp) {
    unsetenv("SDL12COMPAT_OPENGL_SCALING");  // else the start-up changes nothing
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) EXPECT_FALSE(platform::environmentValue("PATH").empty());
    });
    for (int i = 0; i < 20000; ++i) {
        platform::beforeVideoStart();
        platform::afterVideoStart();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(platform::environmentValue("SDL12COMPAT_OPENGL_SCALING"), "");
}
