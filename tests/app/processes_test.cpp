// nivex.exe's start as processes see it: the single-instance check, and "/R" and "/U" as Explorer's verbs start
// it, against the test prefix's real registry and settings, which the test puts back as they were.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/paths.h"
#include "common/startup.h"
#include "fixtures/servers/fixture_ids.h"
#include "support/registry_sandbox.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

TEST(Startup, FactsComeFromThePlatformTheMutexIsPerExecutableAndUserAndTwentyCopiesLeaveOneRunning) {
    SilentDesktop desktop;
    InitStartupFacts(desktop);
    EXPECT_EQ(SystemFolder().back(), L'\\');
    EXPECT_NE(SystemFolder().find(L"ystem32"), std::wstring::npos);
    EXPECT_EQ(ProgramHelpFile(), JoinPath(ProgramFolder(), L"Nivex.chm::/popups.txt"));

    const std::wstring a = InstanceMutexName(L"C:\\Apps\\nivex.exe", L"S-1-5-21-1");
    EXPECT_EQ(a.rfind(L"Local\\", 0), 0u);
    EXPECT_EQ(a.find(L'\\', 6), std::wstring::npos);
    EXPECT_EQ(a, InstanceMutexName(L"c:\\apps\\NIVEX.EXE", L"S-1-5-21-1"));
    EXPECT_NE(a, InstanceMutexName(L"C:\\Other\\nivex.exe", L"S-1-5-21-1"));
    EXPECT_NE(a, InstanceMutexName(L"C:\\Apps\\nivex.exe", L"S-1-5-21-2"));

    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"Local\\NivexInstanceProbeRelease");
    std::vector<DWORD> codes(20, 99);
    std::atomic<int> ended{0};
    std::vector<std::thread> runs;
    for (size_t i = 0; i < codes.size(); ++i)
        runs.emplace_back([&, i] {
            codes[i] = testing::RunProgram(testing::FixturePath(L"instance_probe.exe"), L"").exitCode;
            ++ended;
        });
    // All but one end by themselves; then the one left is released.
    for (int i = 0; i < 600 && ended < 19; ++i) Sleep(100);
    SetEvent(release);
    for (auto& run : runs) run.join();
    CloseHandle(release);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0u), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 3u), 19);
}

using fixtures::kDemoLibrary;

const wchar_t* const kDialogsKey = L"Software\\Velmora Control Manager\\Dialogs";

// Register in place and keep the file, without asking; afterwards the settings as they were and no trace of
// the fixture, whatever a failed run left.
struct RealRegistryScope {
    const wchar_t* names[2] = {L"RegisterNonSysPath", L"UnregisterDelete"};
    std::wstring previous[2];
    bool existed[2] = {false, false};
    RealRegistryScope() {
        for (int i = 0; i < 2; ++i) {
            previous[i] = testing::GetRegString(HKEY_CURRENT_USER, kDialogsKey, names[i], &existed[i]);
            testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, names[i], L"1");
        }
    }
    ~RealRegistryScope() {
        for (int i = 0; i < 2; ++i)
            if (existed[i]) testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, names[i], previous[i]);
            else RegDeleteKeyValueW(HKEY_CURRENT_USER, kDialogsKey, names[i]);
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
        }
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText).c_str());
    }
};

// Runs nivex.exe, closes the status window it shows with O&K (the test runs alone); the exit code and caption.
std::pair<DWORD, std::wstring> RunNivex(const std::wstring& arguments) {
    std::wstring caption;
    std::atomic<bool> ended{false};
    std::thread closer([&] {
        for (; !ended; Sleep(100))
            for (const wchar_t* text : {L"Nivex - Success", L"Nivex - Failed"})
                if (HWND status = FindWindowW(nullptr, text); status && IsWindowVisible(status)) {
                    caption = text;
                    PostMessageW(status, WM_COMMAND, IDOK, 0);
                }
    });
    const DWORD code = testing::RunProgram(testing::BinFolder() + L"\\nivex.exe", arguments).exitCode;
    ended = true;
    closer.join();
    return {code, caption};
}

TEST(OneShotRuns, RegisterAndUnregisterAQuotedPathThenEndWithTheOutcomesCode) {
    RealRegistryScope scope;
    testing::TempFolder folder;
    const std::wstring file = folder.File(L"one shot.ocx");
    CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE);
    auto server = [] {
        return testing::GetRegString(HKEY_CLASSES_ROOT,
                                     std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText + L"\\InprocServer32", L"");
    };
    using Run = std::pair<DWORD, std::wstring>;

    EXPECT_EQ(RunNivex(L"/R \"" + file + L"\""), Run(0, L"Nivex - Success"));
    EXPECT_EQ(server(), file);
    EXPECT_EQ(RunNivex(L"/u \"" + file + L"\""), Run(0, L"Nivex - Success")); // the switch in any case
    EXPECT_EQ(server(), L"");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(RunNivex(L"/R " + folder.File(L"absent.ocx")), Run(11, L"Nivex - Failed")); // 10 + LoadFailed
}

} // namespace
} // namespace nivex
