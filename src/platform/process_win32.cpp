// Starting the music player with WinExec and the quoted command line, as the
// program always has: "player" arguments "folder". WinExec takes ANSI text
// only; a command line with a character the code page lacks goes to
// CreateProcessW instead, which is what WinExec does underneath. The player is
// not waited for; no handle is kept.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/player_search_win32.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

// 0 on success, or the error code.
DWORD startWide(const std::string& commandLine) {
    std::wstring line = wideFromUtf8(commandLine);  // CreateProcessW may write to it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

}  // namespace

const std::vector<DefaultPlayer>& defaultPlayers() {
    // The design's player where it stands, then the common players, each as
    // its folder and program under Program Files (player_search_win32.cpp).
    static const std::vector<DefaultPlayer> players = {
        {"C:\\Program Files\\foobar2000\\foobar2000.exe", ""},
        {"VideoLAN\\VLC\\vlc.exe", ""},
        {"AIMP\\AIMP.exe", ""},
        {"MusicBee\\MusicBee.exe", ""},
        {"foobar2000\\foobar2000.exe", ""},
        {"Winamp\\winamp.exe", ""}};
    return players;
}

// Windows hands the arguments over as one text; the player splits them.
std::vector<std::string> splitArguments(const std::string& text) { return {text}; }

ProgramCall playerCall(const std::string& player, const std::string& arguments, const std::string& folder,
                       const std::string&) {
    ProgramCall call;
    std::string ownArguments;
    if (player.empty()) {
        const FoundPlayer found = findDefaultPlayer();
        if (!found.player) {
            call.notFound = "no music player found (tried " + found.tried + ")";
            call.commandLine = "\"\" \"" + folder + "\"";
            return call;
        }
        call.player = found.program;
        ownArguments = found.player->arguments;
    } else {
        call.player = player;
    }
    const std::string words = arguments.empty() ? ownArguments : arguments;
    call.words = {call.player, words, folder};
    call.commandLine = "\"" + call.player + "\" " + (words.empty() ? "" : words + " ") + "\"" + folder + "\"";
    return call;
}

bool startProgram(const ProgramCall& call, std::string* why) {
    std::string reason;
    std::string ansi;
    if (!call.notFound.empty()) {
        reason = call.notFound;
    } else if (call.player.empty()) {
        reason = "no program given";
    } else if (!ansiFromUtf8(call.commandLine, &ansi)) {
        const DWORD error = startWide(call.commandLine);
        if (error != 0) reason = systemErrorText(error);
    } else {
        // WinExec's results above 31 mean started; the others are error codes.
        const UINT result = WinExec(ansi.c_str(), SW_SHOWNORMAL);
        if (result <= 31) reason = result == 0 ? "out of memory" : systemErrorText(result);
    }
    if (reason.empty()) return true;
    if (why) *why = reason;
    return false;
}

}  // namespace platform
