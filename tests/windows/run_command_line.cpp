// Starts a Windows command line as it stands, the way Explorer starts the
// command a verb has in the registry: its one argument is the whole line
// ("\"C:\...\vellora.exe\" \"D:\Music\""), handed to CreateProcessW.
// Waits for the program and exits with its status; 254 on bad use, 255 when
// it cannot start.
#include <windows.h>

#include <shellapi.h>

#include <string>

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 2) return 254;
    std::wstring line = arguments[1];  // CreateProcessW may write to it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 255;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(status);
}
