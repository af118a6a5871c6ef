// EnableCloseButton: greying and restoring the Close item of a window's system menu.
#include <gtest/gtest.h>

#include <windows.h>

#include "auxiliary/close_button.h"
#include "common/error.h"

namespace nivex {
namespace {

class CloseButton : public ::testing::Test {
protected:
    void SetUp() override {
        window = CreateWindowExW(0, L"STATIC", L"close button test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }
    UINT CloseState() const { return GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND); }
    UINT RenumberedState() const { return GetMenuState(GetSystemMenu(window, FALSE), kClosedItemId, MF_BYCOMMAND); }

    std::wstring FailureOf(bool enable) {
        try {
            EnableCloseButton(window, enable);
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), -2147221504L);
            EXPECT_EQ(e.Source(), L"modCloseBtn::EnableCloseButton");
            return e.Description();
        }
        return L"";
    }
    HWND window = nullptr;
};

TEST_F(CloseButton, DisableRenumbersAndGreysThenEnableRestores) {
    EnableCloseButton(window, false);
    EXPECT_EQ(CloseState(), static_cast<UINT>(-1)); // no item with the Close identifier any more
    ASSERT_NE(RenumberedState(), static_cast<UINT>(-1));
    EXPECT_EQ(RenumberedState() & (MF_GRAYED | MF_DISABLED), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
    EnableCloseButton(window, true);
    ASSERT_NE(CloseState(), static_cast<UINT>(-1));
    EXPECT_EQ(CloseState() & (MF_GRAYED | MF_DISABLED), 0u);
    EXPECT_EQ(RenumberedState(), static_cast<UINT>(-1));
}

TEST_F(CloseButton, DisablingTwiceOrEnablingAnEnabledWindowFails) {
    EXPECT_EQ(FailureOf(true), L"modCloseBtn::EnableCloseButton() - Menu Item Not Found");
    EnableCloseButton(window, false);
    EXPECT_EQ(FailureOf(false), L"modCloseBtn::EnableCloseButton() - Menu Item Not Found");
    EnableCloseButton(window, true);
    EXPECT_NE(CloseState(), static_cast<UINT>(-1));
}

TEST_F(CloseButton, AHandleThatIsNoWindowIsReported) {
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    std::swap(gone, window);
    EXPECT_EQ(FailureOf(false), L"modCloseBtn::EnableCloseButton() - Invalid Window Handle");
    std::swap(gone, window);
}

} // namespace
} // namespace nivex
