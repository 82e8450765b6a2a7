// A stand-in music player for the Windows tests: appends its argument count
// and its arguments (UTF-8, from the wide command line), each followed by a
// NUL byte, to the file beside it with its own name and ".log" for ".exe".
// Then, as VELLORA_RECORDER_THEN says: "stay" stays running for 20 s, as a
// player does; "exit N" ends with status N; otherwise it ends with 0.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

static std::string utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size_t(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], length, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    if (!arguments || length < 4) return 2;
    std::wstring log(self, length - 4);
    log += L".log";
    std::string record = std::to_string(count - 1);
    record += '\0';
    for (int i = 1; i < count; ++i) {
        record += utf8(arguments[i]);
        record += '\0';
    }
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (!file) return 3;
    const bool written = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    if (std::fclose(file) != 0 || !written) return 4;
    wchar_t then[64] = L"";
    GetEnvironmentVariableW(L"VELLORA_RECORDER_THEN", then, 64);
    if (std::wstring(then) == L"stay") Sleep(20000);
    if (std::wstring(then).rfind(L"exit ", 0) == 0) return _wtoi(then + 5);
    return 0;
}
