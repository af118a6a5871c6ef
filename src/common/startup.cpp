#include "common/startup.h"

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <vector>

#include "common/desktop.h"
#include "common/format.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"

namespace nivex {

namespace {
std::wstring helpFile;
KernelHandle instanceMutex;

std::wstring CurrentUserSid() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return L"unknown-user";
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return L"unknown-user";
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return L"unknown-user";
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}
} // namespace

void InitStartupFacts(Desktop& desktop) {
    SetProgramFolder(ExecutableFolder());
    helpFile = JoinPath(ProgramFolder(), L"Nivex.chm::/popups.txt");
    const std::wstring system = QuerySystemDirectory();
    if (system.empty())
        desktop.Message(nullptr, L"Unable to determine System Folder Location.", L"Error", MsgButtons::Ok,
                        MsgIcon::Exclamation);
    SetSystemFolder(system);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    const BOOL ok = GetVersionExW(&info);
    SetOsIsMajor5(ok && info.dwMajorVersion == 5);
}

const std::wstring& ProgramHelpFile() { return helpFile; }

std::wstring InstanceMutexName(const std::wstring& executablePath, const std::wstring& userSid) {
    // Object names may not hold a backslash after the namespace, and a path can be long: use a hash.
    std::uint64_t hash = 1469598103934665603ull;
    for (wchar_t ch : ToLowerText(executablePath)) {
        hash ^= static_cast<std::uint64_t>(ch);
        hash *= 1099511628211ull;
    }
    return L"Local\\Nivex.Instance." + userSid + L"." + HexText(hash);
}

bool AnotherInstanceRunning() {
    if (instanceMutex) return false;
    const std::wstring name = InstanceMutexName(ExecutablePath(), CurrentUserSid());
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (!mutex) return error == ERROR_ACCESS_DENIED; // exists, owned by a context we cannot open
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    instanceMutex.Reset(mutex);
    return false;
}

bool SingleInstanceCheck(Desktop& desktop) {
    if (!AnotherInstanceRunning()) return false;
    desktop.Message(nullptr, L"Nivex is already running. Try double-clicking the Nivex Icon in the System Tray.",
                    L"Closing...", MsgButtons::Ok, MsgIcon::Information);
    return true;
}

} // namespace nivex
