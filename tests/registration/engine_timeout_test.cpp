// SLOW BY DESIGN (about ten seconds): the one test that waits for the engine's time limit, with the
// fixture server whose entry points block for a minute.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "registration/reg_engine.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

LRESULT CALLBACK AnswerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) return 77;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(EngineTimeOut, TenSecondWaitThenTheProgramStaysResponsiveAndRegistersAgain) {
    testing::RegistrySandbox sandbox;
    WNDCLASSW wc{};
    wc.lpfnWndProc = &AnswerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NivexTimeOutProbe";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window);

    const std::wstring hang = testing::FixturePath(fixtures::kHangFile);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RegisterServer(hang, kModeRegister), RegOutcome::TimedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(9500));
    EXPECT_LT(waited, std::chrono::seconds(30));

    // The stopped worker's module stays loaded for good.
    EXPECT_NE(GetModuleHandleW(hang.c_str()), nullptr);
    EXPECT_EQ(PinnedServerCount(), 1u);

    // This thread's window answers another thread while this thread runs its messages.
    std::atomic<bool> done{false};
    DWORD_PTR answer = 0;
    LRESULT sent = 0;
    std::thread asker([&] {
        sent = SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    asker.join();
    EXPECT_NE(sent, 0);
    EXPECT_EQ(answer, 77u);

    // And the next registration runs normally.
    EXPECT_EQ(RegisterServer(testing::FixturePath(fixtures::kRegOnlyFile), kModeRegister), RegOutcome::Completed);
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, fixtures::kRegOnlyKey, L""), L"1");
    EXPECT_EQ(RegisterServer(testing::FixturePath(fixtures::kDemoLibrary.fileName), kModeRegister),
              RegOutcome::Completed);
    DestroyWindow(window);
}

} // namespace
} // namespace nivex
