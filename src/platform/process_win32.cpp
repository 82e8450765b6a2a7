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
#include "platform/text_win32.h"

namespace platform {
namespace {

// What the frame thread and the waiting thread share of one started program.
struct Watched {
    ~Watched() {
        if (process) CloseHandle(process);
    }
    std::mutex mutex;
    HANDLE process = nullptr;
    bool endRequested = false;
    bool settled = false;
    ProgramEnd result;
};

class WindowsStartedProgram : public StartedProgram {
public:
    explicit WindowsStartedProgram(std::shared_ptr<Watched> watched) : watched_(std::move(watched)) {}
    bool ended(ProgramEnd* end) override {
        std::lock_guard<std::mutex> lock(watched_->mutex);
        if (watched_->settled && end) *end = watched_->result;
        return watched_->settled;
    }
    void end() override {
        std::lock_guard<std::mutex> lock(watched_->mutex);
        if (watched_->settled || watched_->endRequested) return;
        TerminateProcess(watched_->process, 1);
        watched_->endRequested = true;
    }

private:
    std::shared_ptr<Watched> watched_;
};

std::string endingOf(DWORD code) {
    if (code == 0) return "";
    char text[32];
    if (code < 0x10000) std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(code));
    else std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return std::string("ended with status ") + text;
}

void watch(std::shared_ptr<Watched> watched, std::chrono::steady_clock::time_point started) {
    WaitForSingleObject(watched->process, INFINITE);
    const auto ran = std::chrono::steady_clock::now() - started;
    DWORD code = 0;
    GetExitCodeProcess(watched->process, &code);
    std::lock_guard<std::mutex> lock(watched->mutex);
    ProgramEnd& result = watched->result;
    result.onRequest = watched->endRequested;
    result.how = endingOf(code);
    result.failed = !result.how.empty() && !result.onRequest;
    result.milliseconds = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(ran).count());
    watched->settled = true;
}

}  // namespace

const std::vector<DefaultPlayer>& defaultPlayers() {
    // foobar2000 keeps one instance; /add adds to its list.
    static const std::vector<DefaultPlayer> players = {
        {"C:\\Program Files\\foobar2000\\foobar2000.exe", "", "/add", true}};
    return players;
}

// Windows hands the arguments over as one text; the player splits them.
std::vector<std::string> splitArguments(const std::string& text) { return {text}; }

ProgramCall playerCall(const PlayerSettings& settings, PlayerAction action, const std::string& folder,
                       const std::string&) {
    ProgramCall call;
    const DefaultPlayer* chosen = settings.program.empty() ? &defaultPlayers().front() : nullptr;
    call.player = chosen ? chosen->program : settings.program;
    std::string words = action == PlayerAction::Play ? settings.arguments : settings.enqueueArguments;
    if (words.empty() && chosen) {
        if (action == PlayerAction::Play) words = chosen->arguments;
        else if (chosen->enqueueArguments) words = chosen->enqueueArguments;
        else call.cannotEnqueue = "cannot add an album to its list";
    } else if (words.empty() && action == PlayerAction::Enqueue) {
        call.cannotEnqueue = "has no enqueuearguments set";
    }
    // A default player with its own arguments replaces its album its own way.
    const bool ownWay = chosen && settings.arguments.empty();
    call.endsPrevious = action == PlayerAction::Play && (ownWay ? !chosen->oneInstance : settings.endPrevious);
    call.words = {call.player, words, folder};
    call.commandLine = "\"" + call.player + "\" " + (words.empty() ? "" : words + " ") + "\"" + folder + "\"";
    return call;
}

ProgramCall playerCall(const std::string& player, const std::string& arguments, const std::string& folder,
                       const std::string& searchPath) {
    PlayerSettings settings;
    settings.program = player;
    settings.arguments = arguments;
    return playerCall(settings, PlayerAction::Play, folder, searchPath);
}

bool startProgram(const ProgramCall& call, std::string* why, std::unique_ptr<StartedProgram>* started) {
    std::string reason = !call.cannotEnqueue.empty() ? call.cannotEnqueue
                         : call.player.empty()       ? "no program given"
                                                     : "";
    auto watched = std::make_shared<Watched>();
    const auto startedAt = std::chrono::steady_clock::now();
    if (reason.empty()) {
        std::wstring line = wideFromUtf8(call.commandLine);  // CreateProcessW may write to it
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            watched->process = process.hProcess;
        } else {
            reason = systemErrorText(GetLastError());
        }
    }
    if (!reason.empty()) {
        if (why) *why = reason;
        return false;
    }
    try {
        std::thread(watch, watched, startedAt).detach();
    } catch (const std::system_error&) {
        return true;  // started all the same; nothing will tell of its end
    }
    if (started) *started = std::make_unique<WindowsStartedProgram>(watched);
    return true;
}

std::string commandLineForPeople(const ProgramCall& call) { return printable(call.commandLine); }

int relayErrorOutput() { return 0; }  // Linux only: a windowed player has no error output to pass on

}  // namespace platform
