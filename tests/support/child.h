// Forked children in tests: every wait bounded, and checks run as an
// unprivileged user (root reads every folder, so "unreadable" needs nobody).
#pragma once

#include <sys/types.h>

#include <functional>

// The child's exit status once it ends within `seconds`; -1 (after killing
// it) when it does not, or when a signal ended it.
int boundedExitStatus(pid_t child, int seconds = 30);

// Runs `check` in a forked child that first drops to user nobody when we are
// root; the child's exit status is check()'s result (100 when the drop failed).
int exitStatusAsNobody(const std::function<int()>& check);
