#include "support/run_program.h"

#include "support/temp_folder.h"

namespace nivex::testing {

namespace {

// What the pipe holds now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& text) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &got, nullptr) || got == 0)
            return;
        text.append(buffer, got);
    }
}

} // namespace

RunResult RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &sa, 1 << 16);
    CreatePipe(&errRead, &errWrite, &sa, 1 << 16);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    RunResult result;
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        const DWORD deadline = GetTickCount() + 60000;
        bool ended = false;
        while (!ended && GetTickCount() < deadline) {
            ended = WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0;
            ReadAvailable(outRead, result.out);
            ReadAvailable(errRead, result.err);
        }
        if (!ended) TerminateProcess(pi.hProcess, 999);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

RunResult RunNivexcmd(const std::wstring& arguments) { return RunProgram(BinFolder() + L"\\nivexcmd.exe", arguments); }

} // namespace nivex::testing
