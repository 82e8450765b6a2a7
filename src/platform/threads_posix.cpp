// Thread priority and allocator behaviour for background picture work.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

void lowerThreadPriority() {
    // On Linux the nice value belongs to the thread, not the process. Five
    // steps give the thread about a third of the weight of the frame thread:
    // it yields to the frame, yet is not starved by other niced work.
    const id_t thread = id_t(::syscall(SYS_gettid));
    const int current = ::getpriority(PRIO_PROCESS, thread);
    ::setpriority(PRIO_PROCESS, thread, current + 5 > 19 ? 19 : current + 5);
}

void returnFreedMemoryPromptly() {
    // A fixed threshold stops glibc from raising it after big frees, so every
    // block of a megabyte or more is its own mapping and is unmapped on free.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 4 << 20);
}

}  // namespace platform
