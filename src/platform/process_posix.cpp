// Starting the music player: posix_spawnp with the player's words and the
// folder as separate arguments, so no shell ever sees a folder name or a
// player argument, whatever bytes they hold.
//
// Each started program is watched by a small detached thread of its own,
// which reaps it when it ends. That leaves no zombie without touching the
// process-wide SIGCHLD disposition (SA_NOCLDWAIT would make every other wait
// in the process, system() and pclose() among them, fail with ECHILD). The
// thread first waits without reaping (WNOWAIT) and reaps under the lock that
// end() takes to signal the program: while it is not reaped its pid cannot be
// given to another process, so end() never reaches one.
//
// The player's standard error goes through the error relay, a process of its
// own (the tag helper started with --relay-errors): it passes everything on
// to ours and hands us the first line. A thread of the browser could not do
// that job: once the browser ends, a player writing to a pipe that nobody
// reads would be killed by SIGPIPE.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "platform/environment_lock.h"
#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/spawn_posix.h"
#include "platform/started_program.h"

extern char** environ;

namespace platform {
namespace {

constexpr size_t kFirstLineBytes = 200;
// How long the first line may take to come through the relay once the
// program has ended: the relay hands it over at once unless a program the
// player started keeps its standard error open.
constexpr int kFirstLineWaitMs = 3000;

// The first `name` in the absolute folders of `searchPath` that is a file
// this user may run; "" when there is none. Relative and empty entries (the
// working folder, perhaps someone else's) are passed over.
std::string findOnPath(const std::string& name, const std::string& searchPath) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        const std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        if (folder.empty() || folder[0] != '/') continue;
        const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

// Starts `words` with default signal handling, an empty signal mask and none
// of the browser's file descriptors beyond the standard three; `moves` puts
// descriptors of ours at the child's numbers first ({from, to} pairs).
int spawn(const std::vector<std::string>& words, const std::vector<std::pair<int, int>>& moves, pid_t* pid) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignalsOnSpawn(&attributes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int highest = 2;
    for (const auto& [from, to] : moves) {
        posix_spawn_file_actions_adddup2(&actions, from, to);
        highest = std::max(highest, to);
    }
#ifdef __GLIBC__
#if __GLIBC_PREREQ(2, 34)
    posix_spawn_file_actions_addclosefrom_np(&actions, highest + 1);
#endif
#endif
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int error = 0;
    {
        std::lock_guard<std::mutex> locked(environmentLock());  // the child starts with the environment as it is
        error = posix_spawnp(pid, words[0].c_str(), &actions, &attributes, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error;
}

// Why a start failed, for a person.
std::string failureText(int error, const std::string& program) {
    switch (error) {
        case ENOENT:
            return program.find('/') == std::string::npos ? "not found on PATH" : "no such file";
        case EACCES:
            return "not a program you may run (permission denied)";
        case ENOEXEC:
            return "not a program this system can run";
        default:
            return std::strerror(error);
    }
}

// The first line the relay hands over on `fd`, waiting at most
// kFirstLineWaitMs for it to end; "" when none came.
std::string firstLineFrom(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstLineWaitMs);
    while (fd >= 0 && line.size() <= kFirstLineBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready = {fd, POLLIN, 0};
        const int polled = poll(&ready, 1, int(std::max<int64_t>(left.count(), 0)));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) break;
        char bytes[256];
        const ssize_t got = read(fd, bytes, sizeof bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        line.append(bytes, size_t(got));
    }
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.substr(0, kFirstLineBytes);
}

// The watching thread's work: waits for the end without reaping, gathers
// the first line, then reaps under the lock; last, reaps the relay.
void watch(std::shared_ptr<ProgramWatch> watched, pid_t pid, std::chrono::steady_clock::time_point started,
           int firstLine, pid_t relay) {
    siginfo_t info;
    while (waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    const auto ran = std::chrono::steady_clock::now() - started;
    const std::string line = firstLineFrom(firstLine);
    if (firstLine >= 0) ::close(firstLine);
    {
        std::lock_guard<std::mutex> lock(watched->mutex);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        watched->gone = true;
        watched->settle(endingOf(status),
                        uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(ran).count()), line);
    }
    while (relay > 0 && waitpid(relay, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Reaps `pid` on a thread of its own when it ends.
void reapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
    }
}

// A pipe whose two ends are not handed to programs started later; false when none can be made.
bool privatePipe(int ends[2]) { return pipe2(ends, O_CLOEXEC) == 0; }

// The relay on the read end of `errors`, writing the first line to `firstLine`'s
// write end; its pid, or 0 when it cannot start (the player then writes to our
// standard error itself).
pid_t startRelay(const std::string& relay, int errors[2], int firstLine[2]) {
    if (relay.empty() || !privatePipe(errors)) return 0;
    if (!privatePipe(firstLine)) {
        ::close(errors[0]);
        ::close(errors[1]);
        return 0;
    }
    pid_t pid = 0;
    if (spawn({relay, kErrorRelayOption}, {{errors[0], 0}, {firstLine[1], 3}}, &pid) == 0) {
        ::close(errors[0]);
        ::close(firstLine[1]);
        return pid;
    }
    for (int fd : {errors[0], errors[1], firstLine[0], firstLine[1]}) ::close(fd);
    return 0;
}

}  // namespace

const std::vector<DefaultPlayer>& defaultPlayers() {
    // Each plays the folder given as its last argument. vlc keeps one
    // instance only when told; audacious, celluloid and qmmp always do. mpv
    // has no instance to hand over to, so the one the browser started is
    // ended first; it needs to be told to open a window: started from a
    // desktop it would otherwise play with no way to stop it.
    static const std::vector<DefaultPlayer> players = {
        {"vlc", "--one-instance", "--one-instance --playlist-enqueue", true},
        {"audacious", "", "-e", true},
        {"mpv", "--player-operation-mode=pseudo-gui", nullptr, false},
        {"celluloid", "", "--enqueue", true},
        {"qmmp", "", "-e", true}};
    return players;
}

std::vector<std::string> splitArguments(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;  // "" is a word of its own, empty
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

ProgramCall playerCall(const PlayerSettings& settings, PlayerAction action, const std::string& folder,
                       const std::string& searchPath) {
    ProgramCall call;
    std::string program = settings.program;
    const DefaultPlayer* chosen = nullptr;
    if (program.empty()) {
        std::string tried;
        for (const DefaultPlayer& candidate : defaultPlayers()) {
            program = findOnPath(candidate.program, searchPath);
            if (!program.empty()) {
                chosen = &candidate;
                break;
            }
            tried += (tried.empty() ? "" : ", ") + std::string(candidate.program);
        }
        if (!chosen) {
            call.notFound = "no music player found on PATH (tried " + tried + ")";
            call.commandLine = "\"\" \"" + folder + "\"";
            return call;
        }
    }
    call.player = chosen ? chosen->program : settings.program;
    const std::string arguments = playerArguments(settings, action, chosen, &call);
    call.words.push_back(program);
    for (std::string& word : splitArguments(arguments)) call.words.push_back(std::move(word));
    call.words.push_back(folder);
    for (const std::string& word : call.words)
        call.commandLine += (call.commandLine.empty() ? "\"" : " \"") + word + "\"";
    return call;
}

bool startProgram(const ProgramCall& call, std::string* why, std::unique_ptr<StartedProgram>* started) {
    std::string reason;
    if (!call.notFound.empty()) reason = call.notFound;
    else if (!call.cannotEnqueue.empty()) reason = call.cannotEnqueue;
    else if (call.words.empty() || call.words[0].empty()) reason = "no program given";
    if (!reason.empty()) {
        if (why) *why = reason;
        return false;
    }
    int errors[2] = {-1, -1}, firstLine[2] = {-1, -1};
    const pid_t relay = startRelay(call.errorRelay, errors, firstLine);
    std::vector<std::pair<int, int>> moves;
    if (relay) moves.push_back({errors[1], 2});
    pid_t pid = 0;
    const auto startedAt = std::chrono::steady_clock::now();
    const int error = spawn(call.words, moves, &pid);
    if (relay) ::close(errors[1]);  // the relay sees the end of the player's output once the player's copy goes
    if (error != 0) {
        if (relay) {
            ::close(firstLine[0]);
            reapWhenDone(relay);  // it ends at once: its input has no writer left
        }
        if (why) *why = failureText(error, call.words[0]);
        return false;
    }
    auto watched = std::make_shared<ProgramWatch>();
    try {
        std::thread(watch, watched, pid, startedAt, relay ? firstLine[0] : -1, relay).detach();
    } catch (const std::system_error&) {
        // Without a watching thread the player would stay a zombie once it
        // ends; it has started all the same, so this is only worth a line.
        if (relay) ::close(firstLine[0]);
        std::fputs(("vellora: started " + quotedWords(call.words) + " but cannot wait for it\n").c_str(), stderr);
        return true;
    }
    if (started) *started = std::make_unique<WatchedProgram>(watched, [pid] { ::kill(pid, SIGTERM); });
    return true;
}

std::string commandLineForPeople(const ProgramCall& call) {
    return call.words.empty() ? printable(call.commandLine) : quotedWords(call.words);
}

int relayErrorOutput() {
    // A terminal's Ctrl+C or hang-up and the browser's end reach the player as
    // they always did; the relay lives exactly as long as the player's output.
    for (int ignored : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE}) signal(ignored, SIG_IGN);
    int firstLine = 3;
    size_t firstLineLeft = kFirstLineBytes + 1;
    char bytes[4096];
    for (;;) {
        const ssize_t got = read(0, bytes, sizeof bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = write(2, bytes + done, size_t(got - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) break;  // our standard error is gone: the rest is dropped
            done += wrote;
        }
        if (firstLine < 0) continue;
        const void* end = std::memchr(bytes, '\n', size_t(got));
        const size_t part =
            std::min(end ? size_t(static_cast<const char*>(end) - bytes) + 1 : size_t(got), firstLineLeft);
        firstLineLeft -= part;
        if (write(firstLine, bytes, part) < 0 || end || firstLineLeft == 0) {
            ::close(firstLine);
            firstLine = -1;
        }
    }
    return 0;
}

}  // namespace platform
