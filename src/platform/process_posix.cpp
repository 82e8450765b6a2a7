// Starting the music player: posix_spawnp with the player's words and the
// folder as separate arguments, so no shell ever sees a folder name or a
// player argument, whatever bytes they hold.
//
// Each started program is waited for by a small detached thread of its own,
// which reaps it when it ends. That leaves no zombie without touching the
// process-wide SIGCHLD disposition (SA_NOCLDWAIT would make every other wait
// in the process, system() and pclose() among them, fail with ECHILD).
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
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

// The command line as text, for messages: each word in double quotes.
std::string quotedWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) line += (line.empty() ? "\"" : " \"") + word + "\"";
    return line;
}

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

// The player starts with default signal handling, an empty signal mask and
// none of the browser's file descriptors beyond the standard three.
int spawn(const std::vector<std::string>& words, pid_t* pid) {
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
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int error = posix_spawnp(pid, words[0].c_str(), &actions, &attributes, argv.data(), environ);
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

}  // namespace

const std::vector<DefaultPlayer>& defaultPlayers() {
    // Each plays the folder given as its last argument. mpv needs to be told
    // to open a window: started from a desktop it would otherwise play with no
    // way to stop it.
    static const std::vector<DefaultPlayer> players = {
        {"vlc", ""}, {"audacious", ""}, {"mpv", "--player-operation-mode=pseudo-gui"}, {"celluloid", ""},
        {"qmmp", ""}};
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

ProgramCall playerCall(const std::string& player, const std::string& arguments, const std::string& folder,
                       const std::string& searchPath) {
    ProgramCall call;
    std::string program = player, ownArguments;
    if (player.empty()) {
        std::string tried;
        for (const DefaultPlayer& candidate : defaultPlayers()) {
            program = findOnPath(candidate.program, searchPath);
            if (!program.empty()) {
                call.player = candidate.program;
                ownArguments = candidate.arguments;
                break;
            }
            tried += (tried.empty() ? "" : ", ") + std::string(candidate.program);
        }
        if (program.empty()) {
            call.notFound = "no music player found on PATH (tried " + tried + ")";
            call.commandLine = quotedWords({"", folder});
            return call;
        }
    } else {
        call.player = player;
    }
    call.words.push_back(program);
    for (std::string& word : splitArguments(arguments.empty() ? ownArguments : arguments))
        call.words.push_back(std::move(word));
    call.words.push_back(folder);
    call.commandLine = quotedWords(call.words);
    return call;
}

bool startProgram(const ProgramCall& call, std::string* why) {
    std::string reason;
    pid_t pid = 0;
    int error = 0;
    if (!call.notFound.empty())
        reason = call.notFound;
    else if (call.words.empty() || call.words[0].empty())
        reason = "no program given";
    else if ((error = spawn(call.words, &pid)) != 0)
        reason = failureText(error, call.words[0]);
    if (!reason.empty()) {
        if (why) *why = reason;
        return false;
    }
    // Without a reaper thread the player would stay a zombie once it ends; it
    // has started all the same, so this is only worth a line.
    if (!reapWhenDone(pid))
        std::fputs(("vellora: started " + printable(call.commandLine) + " but cannot wait for it\n").c_str(), stderr);
    return true;
}

}  // namespace platform
