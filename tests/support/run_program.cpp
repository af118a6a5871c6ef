#include "support/run_program.h"

#include "common/handles.h"
#include "support/temp_folder.h"

namespace nivex::testing {

namespace {

// What the pipe holds now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& text) {
    char buffer[4096];
    DWORD available = 0, got = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(pipe, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
}

} // namespace

RunResult RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    KernelHandle reads[2], writes[2]; // standard output, standard error
    for (int i = 0; i < 2; ++i) {
        CreatePipe(reads[i].Put(), writes[i].Put(), &sa, 1 << 16);
        SetHandleInformation(reads[i].Get(), HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writes[0].Get();
    si.hStdError = writes[1].Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    RunResult result;
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    for (KernelHandle& write : writes) write.Reset();
    if (!started) return result;
    const KernelHandle process(pi.hProcess), thread(pi.hThread);
    const DWORD deadline = GetTickCount() + 60000;
    bool ended = false;
    while (!ended && GetTickCount() < deadline) {
        ended = WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0;
        ReadAvailable(reads[0].Get(), result.out);
        ReadAvailable(reads[1].Get(), result.err);
    }
    if (!ended) TerminateProcess(process.Get(), 999);
    GetExitCodeProcess(process.Get(), &result.exitCode);
    return result;
}

RunResult RunNivexcmd(const std::wstring& arguments) { return RunProgram(BinFolder() + L"\\nivexcmd.exe", arguments); }

} // namespace nivex::testing
