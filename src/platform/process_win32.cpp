// Starting the music player with WinExec and the quoted command line, as the
// program always has. WinExec takes ANSI text only; a command line with a
// character the code page lacks goes to CreateProcessW instead, which is what
// WinExec does underneath. The player is not waited for; no handle is kept.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

void report(const std::string& commandLine, const std::string& reason) {
    std::string line = "vellora: cannot start " + printable(commandLine) + ": " + reason + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

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

bool startProgram(const std::string& program, const std::string&, const std::string& commandLine) {
    if (program.empty()) {
        report(commandLine, "no program given");
        return false;
    }
    std::string ansi;
    if (!ansiFromUtf8(commandLine, &ansi)) {
        const DWORD error = startWide(commandLine);
        if (error != 0) report(commandLine, systemErrorText(error));
        return error == 0;
    }
    // WinExec's results above 31 mean started; the others are error codes.
    const UINT result = WinExec(ansi.c_str(), SW_SHOWNORMAL);
    if (result > 31) return true;
    report(commandLine, result == 0 ? "out of memory" : systemErrorText(result));
    return false;
}

}  // namespace platform
