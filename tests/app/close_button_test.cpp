// EnableCloseButton: greying and restoring the Close item of a window's system menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "auxiliary/close_button.h"
#include "common/error.h"

namespace nivex {
namespace {

// The description of the error EnableCloseButton raised; empty when it raised none.
std::wstring FailureOf(HWND window, bool enable) {
    try {
        EnableCloseButton(window, enable);
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), -2147221504L);
        EXPECT_EQ(e.Source(), L"modCloseBtn::EnableCloseButton");
        return e.Description();
    }
    return L"";
}

TEST(CloseButton, DisableRenumbersAndGreysEnableRestoresAndEveryWrongCallIsReported) {
    HWND window = CreateWindowExW(0, L"STATIC", L"close button test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    auto state = [&](UINT id) { return GetMenuState(GetSystemMenu(window, FALSE), id, MF_BYCOMMAND); };
    const std::wstring notFound = L"modCloseBtn::EnableCloseButton() - Menu Item Not Found";
    EXPECT_EQ(FailureOf(window, true), notFound); // enabling an enabled window

    EXPECT_EQ(FailureOf(window, false), L"");
    EXPECT_EQ(state(SC_CLOSE), static_cast<UINT>(-1)); // no item with the Close identifier any more
    ASSERT_NE(state(kClosedItemId), static_cast<UINT>(-1));
    EXPECT_EQ(state(kClosedItemId) & (MF_GRAYED | MF_DISABLED), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(FailureOf(window, false), notFound); // disabling twice

    EXPECT_EQ(FailureOf(window, true), L"");
    ASSERT_NE(state(SC_CLOSE), static_cast<UINT>(-1));
    EXPECT_EQ(state(SC_CLOSE) & (MF_GRAYED | MF_DISABLED), 0u);
    EXPECT_EQ(state(kClosedItemId), static_cast<UINT>(-1));

    DestroyWindow(window);
    EXPECT_EQ(FailureOf(window, false), L"modCloseBtn::EnableCloseButton() - Invalid Window Handle");
}


// The activation state each WM_NCACTIVATE told a window, in order.
std::vector<WPARAM>* ncActivateLog = nullptr;
LRESULT CALLBACK RecordNcActivate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCACTIVATE && ncActivateLog) ncActivateLog->push_back(wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(CloseButton, RedrawsTheCaptionInTheWindowsRealActivationState) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &RecordNcActivate;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NivexCloseButtonProbe";
    RegisterClassW(&wc);
    auto make = [&](const wchar_t* title) {
        return CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
    };
    HWND background = make(L"background");
    HWND active = make(L"active");
    ASSERT_TRUE(background && active);
    SetActiveWindow(active);
    ASSERT_EQ(GetActiveWindow(), active);

    std::vector<WPARAM> log;
    ncActivateLog = &log;
    EnableCloseButton(background, false);
    EnableCloseButton(background, true);
    EXPECT_EQ(log, (std::vector<WPARAM>{FALSE, FALSE})); // an inactive window is not painted as active
    log.clear();
    EnableCloseButton(active, false);
    EnableCloseButton(active, true);
    EXPECT_EQ(log, (std::vector<WPARAM>{TRUE, TRUE}));
    ncActivateLog = nullptr;
    DestroyWindow(background);
    DestroyWindow(active);
}

} // namespace
} // namespace nivex
