// What every program the browser starts gets, on Linux: default handling of
// every signal and an empty signal mask, whatever the browser's threads set.
#pragma once

#include <signal.h>
#include <spawn.h>

namespace platform {

inline void resetSignalsOnSpawn(posix_spawnattr_t* attributes) {
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(attributes, &signals);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

}  // namespace platform
