// Helper processes on Windows: CreateProcessW, suspended, into a Job Object
// that limits its memory and CPU time and kills it when the browser's handle
// closes; anonymous pipes on its standard input and output, only those handed
// down. Anonymous pipes cannot wait with a timeout, so a reply is polled.
// (Wine does not enforce Job Object limits; the helper's own allocation cap
// and the parent's deadline hold there all the same.)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

HANDLE handleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

void closeHandle(intptr_t& value, intptr_t none) {
    if (value != none && value != 0) CloseHandle(handleOf(value));
    value = none;
}

// One argument quoted as the C runtime splits a command line.
std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace

bool startHelper(const std::string& program, const std::vector<std::string>& arguments, size_t memoryBytes,
                 HelperProcess* helper, std::string* error) {
    *helper = HelperProcess{};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, ourIn = nullptr, ourOut = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &ourIn, &inherit, 0) || !CreatePipe(&ourOut, &childOut, &inherit, 0)) {
        *error = "cannot make a pipe: " + systemErrorText(GetLastError());
        for (HANDLE h : {childIn, ourIn, ourOut, childOut})
            if (h) CloseHandle(h);
        return false;
    }
    SetHandleInformation(ourIn, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ourOut, HANDLE_FLAG_INHERIT, 0);
    HANDLE childErr = nullptr;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), err, GetCurrentProcess(), &childErr, 0, TRUE, DUPLICATE_SAME_ACCESS);

    // Only these handles go to the helper, whatever other threads make meanwhile.
    HANDLE handed[3] = {childIn, childOut, childErr};
    const DWORD handedCount = childErr ? 3 : 2;
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<char> listMemory(listSize);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listMemory.data());
    bool listReady = InitializeProcThreadAttributeList(list, 1, 0, &listSize) &&
                     UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed,
                                               handedCount * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = childIn;
    startup.StartupInfo.hStdOutput = childOut;
    startup.StartupInfo.hStdError = childErr;
    if (listReady) startup.lpAttributeList = list;

    std::wstring line = quoted(wideFromUtf8(program));
    for (const std::string& argument : arguments) line += L" " + quoted(wideFromUtf8(argument));
    PROCESS_INFORMATION process = {};
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | (listReady ? EXTENDED_STARTUPINFO_PRESENT : 0);
    const BOOL started = CreateProcessW(wideFromUtf8(program).c_str(), &line[0], nullptr, nullptr, TRUE, flags,
                                        nullptr, nullptr, &startup.StartupInfo, &process);
    const DWORD startError = GetLastError();
    if (listReady) DeleteProcThreadAttributeList(list);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (childErr) CloseHandle(childErr);
    if (!started) {
        CloseHandle(ourIn);
        CloseHandle(ourOut);
        *error = systemErrorText(startError);
        return false;
    }
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
                                                  JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION |
                                                  (memoryBytes ? JOB_OBJECT_LIMIT_PROCESS_MEMORY : 0);
        limits.ProcessMemoryLimit = memoryBytes;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        AssignProcessToJobObject(job, process.hProcess);
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    helper->process = reinterpret_cast<intptr_t>(process.hProcess);
    helper->job = reinterpret_cast<intptr_t>(job);
    helper->input = reinterpret_cast<intptr_t>(ourIn);
    helper->output = reinterpret_cast<intptr_t>(ourOut);
    return true;
}

long helperProcessId(const HelperProcess& helper) {
    return helper.process ? long(GetProcessId(handleOf(helper.process))) : 0;
}

void renewHelperTime(HelperProcess& helper, unsigned cpuSeconds) {
    if (!helper.job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    if (!QueryInformationJobObject(handleOf(helper.job), JobObjectExtendedLimitInformation, &limits, sizeof limits,
                                   nullptr))
        return;
    // Set again without JOB_OBJECT_LIMIT_PRESERVE_JOB_TIME, the limit counts
    // from the time the job has used so far: cpuSeconds for this piece of work.
    limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_JOB_TIME;
    limits.BasicLimitInformation.PerJobUserTimeLimit.QuadPart = LONGLONG(cpuSeconds) * 10000000;
    SetInformationJobObject(handleOf(helper.job), JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

bool writeToHelper(HelperProcess& helper, const void* data, size_t size) {
    const char* from = static_cast<const char*>(data);
    while (size > 0) {
        DWORD done = 0;
        if (!WriteFile(handleOf(helper.input), from, DWORD(std::min<size_t>(size, 1 << 20)), &done, nullptr) ||
            done == 0)
            return false;
        from += done, size -= done;
    }
    return true;
}

HelperRead readFromHelper(HelperProcess& helper, void* data, size_t size,
                          std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancel) {
    char* to = static_cast<char*>(data);
    while (size > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return HelperRead::Cancelled;
        DWORD available = 0;
        if (!PeekNamedPipe(handleOf(helper.output), nullptr, 0, nullptr, &available, nullptr))
            return HelperRead::Ended;  // its end is closed and nothing is left
        if (available == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return HelperRead::TimedOut;
            // Wakes as soon as the helper ends, else after a short nap.
            WaitForSingleObject(handleOf(helper.process), 2);
            continue;
        }
        DWORD got = 0;
        if (!ReadFile(handleOf(helper.output), to, DWORD(std::min<size_t>(size, available)), &got, nullptr) ||
            got == 0)
            return HelperRead::Ended;
        to += got, size -= got;
    }
    return HelperRead::Done;
}

std::string stopHelper(HelperProcess& helper, bool gently, bool* cpuLimit) {
    if (cpuLimit) *cpuLimit = false;
    closeHandle(helper.input, -1);
    std::string ending;
    if (helper.process) {
        HANDLE process = handleOf(helper.process);
        if (!gently || WaitForSingleObject(process, 200) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        if (code >= 0xC0000000u) {
            char text[64];
            std::snprintf(text, sizeof text, "crashed (exception 0x%08lX)", static_cast<unsigned long>(code));
            ending = text;
        } else if (code == ERROR_NOT_ENOUGH_QUOTA) {
            ending = "ran out of its CPU time";  // how a job's time limit ends it
            if (cpuLimit) *cpuLimit = true;
        } else if (code != 0) {
            ending = "ended with status " + std::to_string(code);
        }
        CloseHandle(process);
    }
    helper.process = 0;
    closeHandle(helper.job, 0);
    closeHandle(helper.output, -1);
    return ending;
}

namespace {

// A crash ends the helper at once with the exception's code: no debugger is
// started (Wine would start winedbg), no box waits for a click.
LONG WINAPI endOnCrash(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), UINT(exception->ExceptionRecord->ExceptionCode));
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void limitThisHelper(size_t) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endOnCrash);
}

void renewOwnCpuLimit(unsigned) {}

bool readStandardInput(void* data, size_t size) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char* to = static_cast<char*>(data);
    while (size > 0) {
        DWORD got = 0;
        if (!ReadFile(in, to, DWORD(std::min<size_t>(size, 1 << 20)), &got, nullptr) || got == 0) return false;
        to += got, size -= got;
    }
    return true;
}

bool writeStandardOutput(const void* data, size_t size) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* from = static_cast<const char*>(data);
    while (size > 0) {
        DWORD done = 0;
        if (!WriteFile(out, from, DWORD(std::min<size_t>(size, 1 << 20)), &done, nullptr) || done == 0) return false;
        from += done, size -= done;
    }
    return true;
}

std::string programFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (length == 0 || length >= path.size()) return "";
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? "" : utf8FromWide(path.substr(0, slash));
}

}  // namespace platform
