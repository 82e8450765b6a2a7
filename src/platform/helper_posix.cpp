// Helper processes on Linux: posix_spawn with two pipes, poll() for replies
// with a deadline, SIGKILL and waitpid to end them. The helper limits itself
// with setrlimit; the parent dying takes it along (PR_SET_PDEATHSIG).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/environment_lock.h"
#include "platform/platform.h"
#include "platform/spawn_posix.h"

extern char** environ;

namespace platform {
namespace {

void closeFd(intptr_t& fd) {
    if (fd >= 0) ::close(int(fd));
    fd = -1;
}


}  // namespace

bool startHelper(const std::string& program, const std::vector<std::string>& arguments, size_t,
                 HelperProcess* helper, std::string* error) {
    *helper = HelperProcess{};
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(toChild[0]), ::close(toChild[1]);
        return false;
    }
    // A megabyte of pipe lets a picture come back in a few writes (best effort).
    ::fcntl(fromChild[0], F_SETPIPE_SZ, 1 << 20);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignalsOnSpawn(&attributes);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    // Every descriptor of ours is close-on-exec, so the helper gets only the three.
    int failed = 0;
    {
        std::lock_guard<std::mutex> locked(environmentLock());  // the child starts with the environment as it is
        failed = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (failed != 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        *error = std::strerror(failed);
        return false;
    }
    helper->process = pid;
    helper->input = toChild[1];
    helper->output = fromChild[0];
    return true;
}

long helperProcessId(const HelperProcess& helper) { return long(helper.process); }

void renewHelperTime(HelperProcess&, unsigned) {}

bool writeToHelper(HelperProcess& helper, const void* data, size_t size) {
    // A helper that has died makes the write raise SIGPIPE, which would end
    // the browser: held back in this thread, then taken off its queue.
    sigset_t pipeSignal, before;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    const uint8_t* from = static_cast<const uint8_t*>(data);
    bool written = true;
    while (size > 0) {
        const ssize_t done = ::write(int(helper.input), from, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            written = false;
            break;
        }
        from += done, size -= size_t(done);
    }
    if (!written) {
        const struct timespec now = {0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return written;
}

HelperRead readFromHelper(HelperProcess& helper, void* data, size_t size,
                          std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancel) {
    uint8_t* to = static_cast<uint8_t*>(data);
    while (size > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return HelperRead::Cancelled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return HelperRead::TimedOut;
        struct pollfd ready = {int(helper.output), POLLIN, 0};
        // Woken at least every 50 ms to look at the cancel flag.
        const int waited = ::poll(&ready, 1, int(std::min<long long>(left.count(), 50)));
        if (waited < 0 && errno != EINTR) return HelperRead::Ended;
        if (waited <= 0) continue;
        const ssize_t got = ::read(int(helper.output), to, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return HelperRead::Ended;
        to += got, size -= size_t(got);
    }
    return HelperRead::Done;
}

std::string stopHelper(HelperProcess& helper, bool gently, bool* cpuLimit) {
    if (cpuLimit) *cpuLimit = false;
    closeFd(helper.input);  // a helper at rest reads the end of its input and ends
    std::string ending;
    if (helper.process > 0) {
        const pid_t pid = pid_t(helper.process);
        int status = 0;
        pid_t reaped = 0;
        if (gently)
            for (int wait = 0; wait < 40 && (reaped = ::waitpid(pid, &status, WNOHANG)) == 0; ++wait) ::usleep(5000);
        if (reaped == 0) {
            ::kill(pid, SIGKILL);
            while ((reaped = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
            }
        }
        if (reaped == pid) {
            ending = endingOf(status);
            if (cpuLimit) *cpuLimit = WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU;
        }
    }
    closeFd(helper.output);
    helper.process = 0;
    return ending;
}

void limitThisHelper(size_t addressSpaceBytes) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (addressSpaceBytes > 0) {
        struct rlimit limit = {rlim_t(addressSpaceBytes), rlim_t(addressSpaceBytes)};
        ::setrlimit(RLIMIT_AS, &limit);
    }
}

void renewOwnCpuLimit(unsigned cpuSeconds) {
    struct rusage used;
    struct rlimit limit;
    if (::getrusage(RUSAGE_SELF, &used) != 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0) return;
    // The soft limit sends SIGXCPU, which ends the process; counted from now.
    const rlim_t now = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec + 1);
    limit.rlim_cur = now + cpuSeconds;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_CPU, &limit);
}

bool readStandardInput(void* data, size_t size) {
    uint8_t* to = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t got = ::read(0, to, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        to += got, size -= size_t(got);
    }
    return true;
}

bool writeStandardOutput(const void* data, size_t size) {
    const uint8_t* from = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t done = ::write(1, from, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        from += done, size -= size_t(done);
    }
    return true;
}

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string program(path, size_t(length));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

}  // namespace platform
