// Starting a program: one argument byte for byte, no shell, no waiting, no
// zombie, and one line on standard error when it cannot start.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

// Starts `program` with stderr captured; returns what was written there.
std::string failedStartMessage(const std::string& program, const std::string& commandLine) {
    testing::internal::CaptureStderr();
    bool started = platform::startProgram(program, "/music/album", commandLine);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(started) << program;
    return message;
}

int linesIn(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

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
        ASSERT_TRUE(platform::startProgram(player, argument, "\"" + player + "\" \"" + argument + "\""));
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
    bool started = platform::startProgram("recording-player", "/music/a", "\"recording-player\" \"/music/a\"");
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
    ASSERT_TRUE(platform::startProgram(player, "x", "\"" + player + "\" \"x\""));
    EXPECT_FALSE(exists(finished)) << "startProgram waited for the program to end";
    dir.writeFile("release", "");
    EXPECT_TRUE(waitFor([&] { return readWholeFile(finished) == "done\n"; }, 20000));
}

TEST(ProgramStart, LeavesNoZombieBehind) {
    TempDir dir;
    std::string log = dir.at("calls");
    std::string player = writeRecordingPlayer(dir.path(), log);
    for (size_t run = 1; run <= 3; ++run) {
        ASSERT_TRUE(platform::startProgram(player, "/music/a", "\"player\" \"/music/a\""));
        ASSERT_TRUE(waitFor([&] { return readPlayerCalls(log).size() == run; }, 20000));
    }
    // The players have ended or are ending; each must be reaped.
    EXPECT_TRUE(waitFor(noZombieChild, 20000)) << "an ended program was left a zombie";
}

TEST(ProgramStart, FailureIsOneLineNamingTheCommandAndTheReason) {
    TempDir dir;
    std::string missing = dir.at("no such player");
    std::string message = failedStartMessage(missing, "\"" + missing + "\" \"/music/album\"");
    EXPECT_EQ(linesIn(message), 1) << message;
    EXPECT_NE(message.find("\"" + missing + "\" \"/music/album\""), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;

    message = failedStartMessage("", "\"\" \"/music/album\"");
    EXPECT_EQ(linesIn(message), 1) << message;
    EXPECT_NE(message.find("\"\" \"/music/album\""), std::string::npos) << message;

    std::string plain = dir.writeFile("not executable", "#!/bin/sh\nexit 0\n");
    message = failedStartMessage(plain, "\"" + plain + "\" \"/music/album\"");
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;

    message = failedStartMessage(dir.path(), "\"" + dir.path() + "\" \"/music/album\"");
    EXPECT_EQ(linesIn(message), 1) << message;

    message = failedStartMessage(missing, "\"" + missing + "\" \"/music/new\nline\"");
    EXPECT_EQ(linesIn(message), 1) << "a newline in a name must not split the line";
    EXPECT_NE(message.find("new\\nline"), std::string::npos) << message;
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
