// Starting the music player: posix_spawnp with the two arguments player and
// folder, so no shell ever sees a folder name, whatever bytes it holds.
//
// Each started program is waited for by a small detached thread of its own,
// which reaps it when it ends. That leaves no zombie without touching the
// process-wide SIGCHLD disposition (SA_NOCLDWAIT would make every other wait
// in the process, system() and pclose() among them, fail with ECHILD).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/spawn_posix.h"

extern char** environ;

namespace platform {
namespace {

// One line on standard error: "vellora: <what> <command line>: <reason>".
void report(const char* what, const std::string& commandLine, const char* reason) {
    std::string line = std::string("vellora: ") + what + " " + printable(commandLine) + ": " + reason + "\n";
    std::fputs(line.c_str(), stderr);
}

// The player starts with default signal handling, an empty signal mask and
// none of the browser's file descriptors beyond the standard three.
int spawn(const std::string& program, const std::string& argument, pid_t* pid) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignalsOnSpawn(&attributes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#ifdef __GLIBC__
#if __GLIBC_PREREQ(2, 34)
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
#endif
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    int error = posix_spawnp(pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error;
}

// Reaps `pid` when it ends; false when no thread could be started for it.
bool reapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

bool startProgram(const std::string& program, const std::string& argument,
                  const std::string& commandLine) {
    if (program.empty()) {
        report("cannot start", commandLine, "no program given");
        return false;
    }
    pid_t pid = 0;
    int error = spawn(program, argument, &pid);
    if (error != 0) {
        report("cannot start", commandLine, std::strerror(error));
        return false;
    }
    // Without a reaper thread the player would stay a zombie once it ends; it
    // has started all the same, so this is only worth a line.
    if (!reapWhenDone(pid)) report("started", commandLine, "but cannot wait for it");
    return true;
}

}  // namespace platform
