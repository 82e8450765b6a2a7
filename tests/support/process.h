// Runs a program as a child process for end-to-end tests: with its own working
// folder and environment changes, standard output and error captured to files,
// and every wait bounded so that no test can hang.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
public:
    // argv[0] is the program. env entries are "NAME=VALUE" to set or "NAME" to
    // unset. Standard input is /dev/null.
    ChildProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                 const std::vector<std::string>& env = {});
    ~ChildProcess();  // kills the child if it still runs

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits up to timeoutMs for the child to end; true with its exit status
    // (128 + signal when killed by one) when it did.
    bool wait(int timeoutMs, int* exitStatus);
    bool running();
    void kill();
    std::string out() const;  // what it wrote so far
    std::string err() const;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string outPath_;
    std::string errPath_;
};

// Runs to the end (or kills after timeoutMs and reports status -1).
struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                         const std::vector<std::string>& env = {}, int timeoutMs = 30000);

// Polls `condition` every 20 ms for at most timeoutMs; true once it holds.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs);

// A stand-in music player: a shell script that appends its argument count and
// its arguments, each followed by a NUL byte, to `logPath` on every start,
// writes its environment (`env`) to logPath + ".env" and appends its process
// id and a newline to logPath + ".pids". Returns the script's path.
std::string writeRecordingPlayer(const std::string& folder, const std::string& logPath);
// The same named `name`, which then runs the shell text `then`: e.g.
// "exec /bin/sleep 30" stays running, "echo oops >&2; exit 3" fails at once.
// It calls no program through PATH, so it runs with any PATH of a test's own.
std::string writeStandInPlayer(const std::string& folder, const std::string& name, const std::string& logPath,
                               const std::string& then);
// The process ids the stand-ins recorded in order of their starts.
std::vector<long> readPlayerPids(const std::string& logPath);
// Whether the process `pid` runs (a zombie does not).
bool processRuns(long pid);
// The calls recorded so far: one entry per start, the arguments as given.
struct PlayerCall {
    int argumentCount;
    std::string argument;                // the last one: the album folder
    std::vector<std::string> arguments;  // all of them
};
std::vector<PlayerCall> readPlayerCalls(const std::string& logPath);

std::string readWholeFile(const std::string& path);

#include <chrono>
#include <thread>

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
