// Starting the music player with the quoted command line, as the program
// always has: "player" arguments "folder", shown normally. CreateProcessW
// takes it (what WinExec does underneath, with the wide text, so that a
// character the ANSI code page lacks survives), and the process handle is
// kept: a thread of its own waits for the end and reads the exit code, and
// end() terminates the program through the handle, which keeps its process
// object, and so its id, from going to another process until it is closed.
// A windowed player has no standard error to keep a line of.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/player_search_win32.h"
#include "platform/started_program.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

std::string endingOf(DWORD code) {
    if (code == 0) return "";
    char text[32];
    if (code < 0x10000) std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(code));
    else std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return std::string("ended with status ") + text;
}

void watch(std::shared_ptr<ProgramWatch> watched, std::shared_ptr<void> process,
           std::chrono::steady_clock::time_point started) {
    WaitForSingleObject(process.get(), INFINITE);
    const auto ran = std::chrono::steady_clock::now() - started;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    std::lock_guard<std::mutex> lock(watched->mutex);
    watched->settle(endingOf(code), uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(ran).count()),
                    "");
}

}  // namespace

const std::vector<DefaultPlayer>& defaultPlayers() {
    // The design's player where it stands, then the common players, each as
    // its folder and program under Program Files (player_search_win32.cpp).
    // All keep one instance (VLC when told to) and add to their list when
    // asked: foobar2000 /add, VLC --playlist-enqueue, AIMP and Winamp /ADD,
    // MusicBee /QueueLast.
    static const std::vector<DefaultPlayer> players = {
        {"C:\\Program Files\\foobar2000\\foobar2000.exe", "", "/add", true},
        {"VideoLAN\\VLC\\vlc.exe", "--one-instance", "--one-instance --playlist-enqueue", true},
        {"AIMP\\AIMP.exe", "", "/ADD", true},
        {"MusicBee\\MusicBee.exe", "", "/QueueLast", true},
        {"foobar2000\\foobar2000.exe", "", "/add", true},
        {"Winamp\\winamp.exe", "", "/ADD", true}};
    return players;
}

// Windows hands the arguments over as one text; the player splits them.
std::vector<std::string> splitArguments(const std::string& text) { return {text}; }

ProgramCall playerCall(const PlayerSettings& settings, PlayerAction action, const std::string& folder,
                       const std::string&) {
    ProgramCall call;
    const DefaultPlayer* chosen = nullptr;
    if (settings.program.empty()) {
        const FoundPlayer found = findDefaultPlayer();
        if (!found.player) {
            call.notFound = "no music player found (tried " + found.tried + ")";
            call.commandLine = "\"\" \"" + folder + "\"";
            return call;
        }
        chosen = found.player;
        call.player = found.program;
    } else {
        call.player = settings.program;
    }
    const std::string words = playerArguments(settings, action, chosen, &call);
    call.words = {call.player, words, folder};
    call.commandLine = "\"" + call.player + "\" " + (words.empty() ? "" : words + " ") + "\"" + folder + "\"";
    return call;
}

bool startProgram(const ProgramCall& call, std::string* why, std::unique_ptr<StartedProgram>* started) {
    std::string reason = !call.notFound.empty()      ? call.notFound
                         : !call.cannotEnqueue.empty() ? call.cannotEnqueue
                         : call.player.empty()         ? "no program given"
                                                       : "";
    // The handle keeps the process object, and so its id, until both the
    // waiting thread and the frame thread's handle have let go of it.
    std::shared_ptr<void> process;
    const auto startedAt = std::chrono::steady_clock::now();
    if (reason.empty()) {
        std::wstring line = wideFromUtf8(call.commandLine);  // CreateProcessW may write to it
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION created = {};
        if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
            CloseHandle(created.hThread);
            process.reset(created.hProcess, CloseHandle);
        } else {
            reason = systemErrorText(GetLastError());
        }
    }
    if (!reason.empty()) {
        if (why) *why = reason;
        return false;
    }
    auto watched = std::make_shared<ProgramWatch>();
    try {
        std::thread(watch, watched, process, startedAt).detach();
    } catch (const std::system_error&) {
        return true;  // started all the same; nothing will tell of its end
    }
    if (started) *started = std::make_unique<WatchedProgram>(watched, [process] { TerminateProcess(process.get(), 1); });
    return true;
}

std::string commandLineForPeople(const ProgramCall& call) { return printable(call.commandLine); }

int relayErrorOutput() { return 0; }  // Linux only: a windowed player has no error output to pass on

}  // namespace platform
