// Administrator rights for one program at a time: the shell's "runas" verb. Apart from the real desktop so
// that the console companion, which uses it, links none of the desktop's dialogs.
#include "common/elevation.h"

#include <windows.h>
#include <shellapi.h>

namespace velmora {

bool ProcessIsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    // Systems without elevation (no such information class) run everyone with the rights they have.
    return !ok || elevation.TokenIsElevated != 0;
}

ElevatedRun RunProgramElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                               unsigned long timeoutMs) {
    ElevatedRun run;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info) || !info.hProcess) {
        run.error = GetLastError();
        return run;
    }
    run.started = true;
    // Messages that other threads send to this thread's windows are answered while waiting.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD rc = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, left, QS_SENDMESSAGE);
        if (rc == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (rc != WAIT_OBJECT_0) {
            run.timedOut = true;
            TerminateProcess(info.hProcess, static_cast<UINT>(ERROR_TIMEOUT));
            WaitForSingleObject(info.hProcess, 5000);
        }
        break;
    }
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    run.exitCode = code;
    CloseHandle(info.hProcess);
    return run;
}

} // namespace velmora
