// nivex.exe "/R" and "/U" as Explorer's verbs start it: a separate process against the test prefix's real
// registry and settings, which the test puts back as they were. The run waits until its status window is
// closed; the test closes it with O&K by message.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;

const wchar_t* const kDialogsKey = L"Software\\Velmora Control Manager\\Dialogs";
const wchar_t* const kDialogs[2] = {L"RegisterNonSysPath", L"UnregisterDelete"};

std::wstring Server() {
    return testing::GetRegString(HKEY_CLASSES_ROOT,
                                 std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText + L"\\InprocServer32", L"");
}

// Register in place and keep the file, without asking; afterwards the settings as they were and no trace of
// the fixture, whatever a failed run left.
struct RealRegistryScope {
    std::wstring previous[2];
    bool existed[2] = {false, false};
    RealRegistryScope() {
        for (int i = 0; i < 2; ++i) {
            previous[i] = testing::GetRegString(HKEY_CURRENT_USER, kDialogsKey, kDialogs[i], &existed[i]);
            testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, kDialogs[i], L"1");
        }
    }
    ~RealRegistryScope() {
        for (int i = 0; i < 2; ++i)
            if (existed[i]) testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, kDialogs[i], previous[i]);
            else RegDeleteKeyValueW(HKEY_CURRENT_USER, kDialogsKey, kDialogs[i]);
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
        }
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText).c_str());
    }
};

// The status window a run shows (nothing else in the test prefix runs meanwhile: the test runs serially).
HWND StatusWindow(std::wstring& caption) {
    for (const wchar_t* text : {L"Nivex - Success", L"Nivex - Failed"}) {
        HWND hwnd = FindWindowW(nullptr, text);
        if (hwnd && IsWindowVisible(hwnd)) {
            caption = text;
            return hwnd;
        }
    }
    return nullptr;
}

// Runs nivex.exe, closes the status window it shows with O&K; the exit code and the window's caption.
std::pair<DWORD, std::wstring> RunNivex(const std::wstring& arguments) {
    const std::wstring exe = testing::BinFolder() + L"\\nivex.exe";
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::pair<DWORD, std::wstring> result{999, L""};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start nivex.exe: " << GetLastError();
        return result;
    }
    for (int i = 0; i < 600 && WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT; ++i) {
        if (HWND status = StatusWindow(result.second)) PostMessageW(status, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "nivex.exe " << WideToUtf8(arguments) << " did not end";
        TerminateProcess(pi.hProcess, 999);
    }
    GetExitCodeProcess(pi.hProcess, &result.first);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

TEST(OneShotRuns, RegisterAndUnregisterAQuotedPathThenEndWithTheOutcomesCode) {
    RealRegistryScope scope;
    testing::TempFolder folder;
    const std::wstring file = folder.File(L"one shot.ocx");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE));
    using Run = std::pair<DWORD, std::wstring>;

    EXPECT_EQ(RunNivex(L"/R \"" + file + L"\""), Run(0, L"Nivex - Success"));
    EXPECT_EQ(Server(), file);
    EXPECT_EQ(RunNivex(L"/u \"" + file + L"\""), Run(0, L"Nivex - Success")); // the switch in any case
    EXPECT_EQ(Server(), L"");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(RunNivex(L"/R " + folder.File(L"absent.ocx")), Run(11, L"Nivex - Failed")); // 10 + LoadFailed
}

} // namespace
} // namespace nivex
