// SLOW BY DESIGN (ten seconds): the one wait for the engine's time limit, on a server that blocks for a minute.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "registration/reg_engine.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

LRESULT CALLBACK AnswerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_APP ? 77 : DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(EngineTimeOut, TenSecondWaitAnsweringOtherThreadsThenTheNextRegistrationWorks) {
    testing::RegistrySandbox sandbox;
    const WNDCLASSW wc{0, &AnswerProc, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"NivexTimeOutProbe"};
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window);

    // While the engine waits, this thread's window answers another thread (a server's broadcast, say).
    DWORD_PTR answer = 0;
    std::thread asker([&] {
        Sleep(1000);
        SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer);
    });
    const std::wstring hang = testing::FixturePath(fixtures::kHangFile);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RegisterServer(hang, kModeRegister), RegOutcome::TimedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    asker.join();
    EXPECT_GE(waited, std::chrono::milliseconds(9500));
    EXPECT_LT(waited, std::chrono::seconds(30));
    EXPECT_EQ(answer, 77u) << "answered during the wait";

    const std::wstring demo = testing::FixturePath(fixtures::kDemoLibrary.fileName);
    EXPECT_EQ(RegisterServer(demo, kModeRegister), RegOutcome::Completed) << "the next registration runs normally";
    DestroyWindow(window);
}

} // namespace
} // namespace nivex
