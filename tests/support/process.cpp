#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string tempFile(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vellora-" + tag + "-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd >= 0) close(fd);
    return pattern;
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                           const std::vector<std::string>& env)
    : outPath_(tempFile("out")), errPath_(tempFile("err")) {
    pid_ = fork();
    if (pid_ != 0) return;

    // In the child: only async-signal-safe work would be strictly right, but
    // this process is single-threaded test code and execs at once.
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath_.c_str(), O_WRONLY | O_TRUNC);
    int err = open(errPath_.c_str(), O_WRONLY | O_TRUNC);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) _exit(126);
    for (const std::string& entry : env) {
        size_t equals = entry.find('=');
        if (equals == std::string::npos)
            unsetenv(entry.c_str());
        else
            setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

ChildProcess::~ChildProcess() {
    kill();
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

bool ChildProcess::wait(int timeoutMs, int* exitStatus) {
    bool ended = waitFor(
        [&] {
            if (reaped_) return true;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                status_ = decodeStatus(status);
            }
            return reaped_;
        },
        timeoutMs);
    if (ended && exitStatus) *exitStatus = status_;
    return ended;
}

bool ChildProcess::running() { return !wait(0, nullptr); }

void ChildProcess::kill() {
    if (pid_ <= 0 || reaped_) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    status_ = decodeStatus(status);
}

std::string ChildProcess::out() const { return readWholeFile(outPath_); }
std::string ChildProcess::err() const { return readWholeFile(errPath_); }

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                         const std::vector<std::string>& env, int timeoutMs) {
    ChildProcess child(argv, workingFolder, env);
    int status = -1;
    if (!child.wait(timeoutMs, &status)) {
        child.kill();
        status = -1;
    }
    return {status, child.out(), child.err()};
}

std::string writeStandInPlayer(const std::string& folder, const std::string& name, const std::string& logPath,
                               const std::string& then) {
    std::string path = folder + "/" + name;
    std::ofstream script(path);
    // Absolute paths only: the stand-in runs with the test's own PATH.
    script << "#!/bin/sh\n"
           << "printf '%s\\0' \"$#\" \"$@\" >> '" << logPath << "'\n"
           << "/usr/bin/env > '" << logPath << ".env'\n"
           << "echo $$ >> '" << logPath << ".pids'\n"
           << then << "\n";
    script.close();
    chmod(path.c_str(), 0755);
    return path;
}

std::string writeRecordingPlayer(const std::string& folder, const std::string& logPath) {
    return writeStandInPlayer(folder, "recording-player", logPath, "");
}

std::vector<long> readPlayerPids(const std::string& logPath) {
    std::istringstream text(readWholeFile(logPath + ".pids"));
    std::vector<long> pids;
    for (long pid; text >> pid;) pids.push_back(pid);
    return pids;
}

bool processRuns(long pid) {
    // A zombie has ended too: it only waits to be reaped.
    const std::string stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close != std::string::npos && stat.compare(close, 4, ") Z ") != 0;
}
