// What every program the browser starts gets, on Linux: default handling of
// every signal and an empty signal mask, whatever the browser's threads set;
// and how such a program ended, for a person.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>

#include <string>

namespace platform {

inline void resetSignalsOnSpawn(posix_spawnattr_t* attributes) {
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(attributes, &signals);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// How a process ended, for a person, from its wait status: "" for status 0,
// else e.g. "ended with status 2" or "killed by signal 11 (Segmentation fault)".
inline std::string endingOf(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = strsignal(signal);
        return "killed by signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) return "ended with status " + std::to_string(WEXITSTATUS(status));
    return "";
}

}  // namespace platform
