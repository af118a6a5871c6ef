// Start-up facts and the single-instance check.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "common/startup.h"
#include "common/paths.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

TEST(Startup, FactsComeFromThePlatform) {
    SilentDesktop desktop;
    InitStartupFacts(desktop);
    EXPECT_EQ(SystemFolder().back(), L'\\');
    EXPECT_NE(SystemFolder().find(L"ystem32"), std::wstring::npos);
    EXPECT_EQ(ProgramHelpFile(), JoinPath(ProgramFolder(), L"Nivex.chm::/popups.txt"));
}

TEST(Startup, MutexNameIsPerExecutableAndUser) {
    const std::wstring a = InstanceMutexName(L"C:\\Apps\\nivex.exe", L"S-1-5-21-1");
    EXPECT_EQ(a.rfind(L"Local\\", 0), 0u);
    EXPECT_EQ(a.find(L'\\', 6), std::wstring::npos);
    EXPECT_EQ(a, InstanceMutexName(L"c:\\apps\\NIVEX.EXE", L"S-1-5-21-1"));
    EXPECT_NE(a, InstanceMutexName(L"C:\\Other\\nivex.exe", L"S-1-5-21-1"));
    EXPECT_NE(a, InstanceMutexName(L"C:\\Apps\\nivex.exe", L"S-1-5-21-2"));
}

TEST(Startup, TwentyCopiesStartedAtOnceLeaveOneRunning) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"Local\\NivexInstanceProbeRelease");
    ASSERT_NE(release, nullptr);
    const std::wstring probe = testing::FixturePath(L"instance_probe.exe");
    std::vector<PROCESS_INFORMATION> processes;
    for (int i = 0; i < 20; ++i) {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        std::wstring command = L"\"" + probe + L"\"";
        ASSERT_TRUE(CreateProcessW(probe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << "cannot start " << GetLastError();
        CloseHandle(pi.hThread);
        processes.push_back(pi);
    }
    // All but one end by themselves; then the one left is released.
    int ended = 0;
    for (int round = 0; round < 1200 && ended < 19; ++round) {
        ended = 0;
        for (auto& p : processes)
            if (WaitForSingleObject(p.hProcess, 0) == WAIT_OBJECT_0) ++ended;
        if (ended < 19) Sleep(100);
    }
    SetEvent(release);
    int first = 0, refused = 0;
    for (auto& p : processes) {
        WaitForSingleObject(p.hProcess, 30000);
        DWORD code = 99;
        GetExitCodeProcess(p.hProcess, &code);
        if (code == 0) ++first;
        if (code == 3) ++refused;
        CloseHandle(p.hProcess);
    }
    CloseHandle(release);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(refused, 19);
}

} // namespace
} // namespace nivex
