#include <gtest/gtest.h>

#include "guicontrols/gui_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <initializer_list>
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
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// Paints the control through WM_PRINTCLIENT and reads the pixels back.
COLORREF PixelAt(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
}

SIZE ClientSize(HWND hwnd) {
    RECT rect;
    GetClientRect(hwnd, &rect);
    return {rect.right, rect.bottom};
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0), kHigh = RGB(250, 250, 250),
                   kShadow = RGB(60, 60, 60);

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

TEST_F(GuiControls, PlainBevelIsARaisedFrameInSystemColours) {
    HWND bevel = CreateBevel(host, 10, L"Files", false, 10, 10, 120, 80);
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(PixelAt(bevel, 0, 0), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(PixelAt(bevel, 0, 40), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(PixelAt(bevel, 119, 40), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(PixelAt(bevel, 60, 79), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(PixelAt(bevel, 5, 5), GetSysColor(COLOR_BTNFACE)); // no caption without a title bar
}

TEST_F(GuiControls, TitleBarFollowsTheFocusOfWindowsInside) {
    HWND bevel = CreateBevel(host, 11, L"File Information", true, 10, 10, 200, 150);
    SetBevelColour(bevel, BevelColour::TitleBarBack, kBar);
    SetBevelColour(bevel, BevelColour::ActiveTitleBarBack, kActiveBar);
    SetBevelColour(bevel, BevelColour::HighLight, kHigh);
    SetBevelColour(bevel, BevelColour::Shadow, kShadow);
    EXPECT_TRUE(GetWindowLongPtrW(bevel, GWL_STYLE) & WS_CLIPCHILDREN);
    const RECT inner = BevelInnerRect(bevel);
    EXPECT_EQ(inner.top, 19); // 17-pixel bar at 96 dpi, then the 2-pixel rule
    HWND list = Child(WC_LISTVIEWW, LVS_REPORT, inner.left, inner.top, 190, 120, bevel, 100);
    HWND outside = Child(L"EDIT", 0, 250, 10, 100, 20, host);
    ASSERT_TRUE(list && outside);

    EXPECT_EQ(PixelAt(bevel, 196, 8), kBar); // right of the caption, inside the bar
    EXPECT_EQ(PixelAt(bevel, 100, 17), kShadow);
    EXPECT_EQ(PixelAt(bevel, 100, 18), kHigh);

    SetFocus(list);
    Pump();
    EXPECT_EQ(PixelAt(bevel, 196, 8), kActiveBar);
    // The list view's notices still reach the main window.
    EXPECT_NE(std::find(notifyCodes.begin(), notifyCodes.end(), static_cast<UINT>(NM_SETFOCUS)), notifyCodes.end());
    // A property change keeps the look that matches the focus.
    SetBevelTitleBarSize(bevel, 300);
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
    SendMessageW(bevel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 80));
    SendMessageW(bevel, WM_LBUTTONUP, 0, MAKELPARAM(80, 80));
    SendMessageW(bevel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 80));
    SendMessageW(bevel, WM_LBUTTONUP, 0, MAKELPARAM(300, 80)); // released outside: no click
    HWND quiet = CreateBevel(host, 13, L"", false, 200, 0, 50, 50);
    SendMessageW(quiet, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(quiet, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(commands, std::vector<WPARAM>{MAKEWPARAM(12, NVBN_CLICKED)});
}

TEST_F(GuiControls, BevelFromADialogTemplateTakesTheDialogFontAndStyles) {
    std::vector<WORD> t;
    auto words = [&](std::initializer_list<WORD> w) { t.insert(t.end(), w); };
    auto dword = [&](DWORD v) { words({LOWORD(v), HIWORD(v)}); };
    auto text = [&](const wchar_t* s) { t.insert(t.end(), s, s + wcslen(s) + 1); };
    dword(WS_POPUP | DS_SETFONT);
    words({0, 0, 1, 0, 0, 200, 120, 0, 0}); // no extended style; one item; position, size; no menu or class
    text(L"Dlg");
    words({8});
    text(L"MS Shell Dlg");
    if (t.size() % 2) t.push_back(0); // items start on a DWORD
    dword(WS_CHILD | WS_VISIBLE | NVBS_TITLEBAR | NVBS_CAPTIONRIGHT);
    words({0, 0, 5, 5, 150, 80, 42});
    text(L"NivexBevel");
    text(L"Versions");
    words({0});
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), host,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    HWND bevel = GetDlgItem(dialog, 42);
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(SendMessageW(bevel, WM_GETFONT, 0, 0), SendMessageW(dialog, WM_GETFONT, 0, 0));
    EXPECT_EQ(SendMessageW(bevel, NVBM_GETALIGNMENT, 0, 0), 1);
    EXPECT_EQ(PixelAt(bevel, 3, 8), GetSysColor(COLOR_INACTIVECAPTION)); // left of a right-aligned caption
    DestroyWindow(dialog);
}

TEST_F(GuiControls, EtchedLineKeepsTwoPixelsAcross) {
    HWND line = Child(kEtchedLineClass, 0, 5, 5, 150, 40, host);
    EXPECT_EQ(ClientSize(line).cy, 2);
    EXPECT_EQ(PixelAt(line, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(PixelAt(line, 149, 1), GetSysColor(COLOR_3DHIGHLIGHT));
    MoveWindow(line, 5, 5, 200, 30, TRUE);
    EXPECT_EQ(ClientSize(line).cx, 200);
    EXPECT_EQ(ClientSize(line).cy, 2);

    SetEtchedLineColour(line, EtchColour::HighLight, kHigh);
    SetEtchedLineColour(line, EtchColour::Shadow, kShadow);
    SetEtchedLineStyle(line, 1);
    SetEtchedLineOrientation(line, 1);
    EXPECT_EQ(ClientSize(line).cx, 2);
    MoveWindow(line, 5, 5, 90, 60, TRUE);
    EXPECT_EQ(ClientSize(line).cx, 2);
    EXPECT_EQ(ClientSize(line).cy, 60);
    EXPECT_EQ(PixelAt(line, 0, 59), kHigh);
    EXPECT_EQ(PixelAt(line, 1, 0), kShadow);
}

} // namespace
} // namespace nivex
