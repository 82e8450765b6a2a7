// writeRecordingPlayer for the Windows build: a copy of the recorder program
// named after the log ("player.log" -> "player.exe"), which writes there.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/text_win32.h"
#include "support/process.h"

std::string writeRecordingPlayer(const std::string&, const std::string& logPath) {
    const std::string player = logPath.substr(0, logPath.size() - 4) + ".exe";
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    std::wstring recorder(self, length);
    recorder.resize(recorder.find_last_of(L"\\/") + 1);
    recorder += platform::wideFromUtf8(VELLORA_RECORDER);
    if (logPath.size() < 5 || logPath.compare(logPath.size() - 4, 4, ".log") != 0 ||
        !CopyFileW(recorder.c_str(), platform::wideFromUtf8(player).c_str(), FALSE))
        ADD_FAILURE() << "cannot make the recording player " << player;
    return player;
}
