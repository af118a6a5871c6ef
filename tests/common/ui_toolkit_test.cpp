#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "common/ui/toolkit.h"

namespace nivex {
namespace {

TEST(UiToolkit, TextAndTipsAreReadWholeAndATipIsChangedInPlace) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 100, 20, parent,
                                reinterpret_cast<HMENU>(7), nullptr, nullptr);
    const std::wstring longText(5000, L'x');
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(edit, longText.c_str());
    EXPECT_EQ(ui::ItemText(parent, 7), longText);

    ui::Tooltip tip;
    ASSERT_TRUE(tip.Create(parent, 600));
    const std::wstring path = L"C:\\Program Files\\" + std::wstring(200, L'b') + L"\\browser.exe";
    tip.SetTip(edit, L"short");
    tip.SetTip(edit, path);
    EXPECT_EQ(tip.Tip(edit), path);
    EXPECT_EQ(SendMessageW(tip.Handle(), TTM_GETTOOLCOUNT, 0, 0), 1);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(tip.Handle())); // destroyed with its owner
}

TEST(UiToolkit, ChildNotificationsNameTheirChildAndCode) {
    const ui::ChildNotification click(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
    EXPECT_TRUE(click.Is(7, BN_CLICKED));
    EXPECT_FALSE(click.Is(7, BN_DBLCLK));
    EXPECT_EQ(click.Details<NMHDR>(), nullptr);

    NMHDR header{nullptr, 7, static_cast<UINT>(LVN_ITEMCHANGED)};
    const ui::ChildNotification change(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
    EXPECT_TRUE(change.Is(7, LVN_ITEMCHANGED));
    EXPECT_EQ(change.Details<NMHDR>(), &header);
    // A tooltip names its tool by window handle: one whose low bits equal an identifier is not that child.
    header.idFrom = 0x10007;
    EXPECT_FALSE(ui::ChildNotification(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)).IsFrom(7));
    EXPECT_FALSE(ui::ChildNotification(WM_PAINT, 7, 0).IsFrom(7));
}

} // namespace
} // namespace nivex
