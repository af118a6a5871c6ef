#include <gtest/gtest.h>

#include "guicontrols/gui_controls.h"

#include <commctrl.h>

#include "common/handles.h"

#include <algorithm>
#include <vector>

namespace nivex {
namespace {

// Records what reaches the top-level window. Left hidden: under Wine without a window manager,
// hiding a shown window takes two seconds.
std::vector<UINT> notifyCodes;
std::vector<WPARAM> commands;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) notifyCodes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    if (message == WM_COMMAND) commands.push_back(wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Child(const wchar_t* cls, DWORD style, int x, int y, int w, int h, HWND parent, int id = 0) {
    return CreateWindowExW(0, cls, L"Versions", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// Paints the control through WM_PRINTCLIENT and reads the pixels back.
COLORREF PixelAt(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    HDC screen = GetDC(nullptr);
    GdiObject bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    MemoryDc dc(CreateCompatibleDC(screen)); // let go before the bitmap it holds
    ReleaseDC(nullptr, screen);
    SelectObject(dc.Get(), bitmap.Get());
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    return GetPixel(dc.Get(), x, y);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

class GuiControls : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterGuiControlClasses();
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NivexControlsTestHost";
        RegisterClassW(&wc);
        host = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                               wc.hInstance, nullptr);
        notifyCodes.clear();
        commands.clear();
    }
    void TearDown() override { DestroyWindow(host); }
    HWND host = nullptr;
};

TEST_F(GuiControls, TitleBarFollowsTheFocusOfWindowsInside) {
    constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0);
    HWND bevel = CreateBevel(host, 11, L"File Information", true, 10, 10, 200, 150);
    SetBevelColour(bevel, BevelColour::TitleBarBack, kBar);
    SetBevelColour(bevel, BevelColour::ActiveTitleBarBack, kActiveBar);
    HWND list = Child(WC_LISTVIEWW, LVS_REPORT, 1, 19, 190, 120, bevel, 100);
    HWND outside = Child(L"EDIT", 0, 250, 10, 100, 20, host);
    EXPECT_EQ(PixelAt(bevel, 196, 8), kBar); // right of the caption, inside the bar

    SetFocus(list);
    Pump();
    EXPECT_EQ(PixelAt(bevel, 196, 8), kActiveBar);
    // The list view's notices still reach the main window.
    EXPECT_NE(std::find(notifyCodes.begin(), notifyCodes.end(), static_cast<UINT>(NM_SETFOCUS)), notifyCodes.end());
    // A property change keeps the look that matches the focus; the area inside follows the bar.
    SetBevelTitleBarSize(bevel, 300); // 20 pixels at 96 dpi, then the 2-pixel rule
    EXPECT_EQ(PixelAt(bevel, 196, 8), kActiveBar);
    EXPECT_EQ(BevelInnerRect(bevel).top, 22);
    SetFocus(outside);
    Pump();
    EXPECT_EQ(PixelAt(bevel, 196, 8), kBar);
}

TEST_F(GuiControls, ChildCommandsAndOwnClicksReachTheParent) {
    HWND bevel = Child(kBevelClass, NVBS_NOTIFY, 0, 0, 100, 100, host, 12);
    SendMessageW(Child(L"BUTTON", 0, 10, 10, 50, 20, bevel, 77), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(commands, std::vector<WPARAM>{MAKEWPARAM(77, BN_CLICKED)});

    commands.clear();
    HWND quiet = Child(kBevelClass, 0, 200, 0, 50, 50, host, 13); // without NVBS_NOTIFY
    for (const auto& [control, x] : {std::pair{bevel, 80}, std::pair{bevel, 300}, std::pair{quiet, 5}}) {
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, 5)); // released outside: no click
    }
    EXPECT_EQ(commands, std::vector<WPARAM>{MAKEWPARAM(12, NVBN_CLICKED)});
}

TEST_F(GuiControls, BevelTakesItsParentsFontAndItsStyleBits) {
    HWND parent = Child(L"STATIC", 0, 0, 0, 300, 200, host);
    HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
    SendMessageW(parent, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND bevel = Child(kBevelClass, NVBS_TITLEBAR | NVBS_CAPTIONRIGHT, 5, 5, 150, 80, parent, 42);
    EXPECT_EQ(SendMessageW(bevel, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    EXPECT_EQ(SendMessageW(bevel, NVBM_GETALIGNMENT, 0, 0), 1);
    EXPECT_EQ(PixelAt(bevel, 3, 8), GetSysColor(COLOR_INACTIVECAPTION)); // left of a right-aligned caption
}

TEST_F(GuiControls, EtchedLineKeepsTwoPixelsAcross) {
    const auto size = [](HWND hwnd) {
        RECT rect;
        GetClientRect(hwnd, &rect);
        return std::pair(rect.right, rect.bottom);
    };
    HWND line = Child(kEtchedLineClass, 0, 5, 5, 150, 40, host);
    EXPECT_EQ(size(line), std::pair(150L, 2L));
    EXPECT_EQ(PixelAt(line, 0, 0), GetSysColor(COLOR_BTNSHADOW));

    SetEtchedLineColour(line, EtchColour::HighLight, RGB(250, 250, 250));
    SetEtchedLineStyle(line, 1);
    SetEtchedLineOrientation(line, 1);
    EXPECT_EQ(size(line).first, 2L);
    MoveWindow(line, 5, 5, 90, 60, TRUE);
    EXPECT_EQ(size(line), std::pair(2L, 60L));
    EXPECT_EQ(PixelAt(line, 0, 59), RGB(250, 250, 250));
    EXPECT_EQ(PixelAt(line, 1, 0), GetSysColor(COLOR_BTNSHADOW));
}

} // namespace
} // namespace nivex
