#include <gtest/gtest.h>

#include "guicontrols/gui_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <vector>

namespace nivex {
namespace {

// A plain top-level window that records what its children tell it.
struct Host {
    HWND hwnd = nullptr;
    std::vector<UINT> notifyCodes;
    std::vector<HWND> notifyFrom;
    std::vector<WPARAM> commands;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            host = static_cast<Host*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
        }
        if (host && message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            host->notifyCodes.push_back(header->code);
            host->notifyFrom.push_back(header->hwndFrom);
        }
        if (host && message == WM_COMMAND) host->commands.push_back(wParam);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    Host() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NivexControlsTestHost";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                               nullptr, nullptr, wc.hInstance, this);
        // Left hidden: under Wine without a window manager, hiding a shown window waits two seconds.
    }
    ~Host() { DestroyWindow(hwnd); }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// What the control paints through WM_PRINTCLIENT, read back pixel by pixel.
class Snapshot {
public:
    explicit Snapshot(HWND control) {
        RECT client;
        GetClientRect(control, &client);
        width_ = client.right;
        height_ = client.bottom;
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, std::max(width_, 1), std::max(height_, 1));
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~Snapshot() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0), kHigh = RGB(250, 250, 250),
                   kShadow = RGB(60, 60, 60), kBack = RGB(180, 190, 200);

void UseTestColours(HWND bevel) {
    SetBevelColour(bevel, BevelColour::TitleBarBack, kBar);
    SetBevelColour(bevel, BevelColour::ActiveTitleBarBack, kActiveBar);
    SetBevelColour(bevel, BevelColour::HighLight, kHigh);
    SetBevelColour(bevel, BevelColour::Shadow, kShadow);
    SetBevelColour(bevel, BevelColour::Back, kBack);
}

class GuiControls : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterGuiControlClasses();
    }
    Host host;
};

TEST_F(GuiControls, PlainBevelPaintsARaisedFrameInSystemColours) {
    HWND bevel = CreateBevel(host.hwnd, 10, L"Files", false, 10, 10, 120, 80);
    ASSERT_NE(bevel, nullptr);
    Snapshot shot(bevel);
    ASSERT_EQ(shot.Width(), 120);
    EXPECT_EQ(shot.At(0, 0), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(shot.At(0, 40), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(shot.At(119, 40), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(shot.At(60, 79), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(shot.At(5, 5), GetSysColor(COLOR_BTNFACE)); // no caption without a title bar
    EXPECT_EQ(SendMessageW(bevel, NVBM_GETCOLOUR, static_cast<WPARAM>(BevelColour::Shadow), 0), 0x80000010);
}

TEST_F(GuiControls, TitleBarFollowsTheFocusOfWindowsInside) {
    HWND bevel = CreateBevel(host.hwnd, 11, L"File Information", true, 10, 10, 200, 150);
    UseTestColours(bevel);
    const LONG_PTR style = GetWindowLongPtrW(bevel, GWL_STYLE);
    EXPECT_TRUE(style & WS_CLIPCHILDREN);
    const RECT inner = BevelInnerRect(bevel);
    EXPECT_EQ(inner.top, 19); // 17-pixel bar at 96 dpi, then the 2-pixel rule
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT, inner.left,
                                inner.top, inner.right - inner.left, inner.bottom - inner.top, bevel,
                                reinterpret_cast<HMENU>(100), GetModuleHandleW(nullptr), nullptr);
    HWND outside = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 100, 20, host.hwnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(list && outside);

    {
        Snapshot shot(bevel);
        EXPECT_EQ(shot.At(196, 8), kBar); // right of the caption, inside the bar
        EXPECT_EQ(shot.At(1, 16), kBar);
        EXPECT_EQ(shot.At(100, 17), kShadow);
        EXPECT_EQ(shot.At(100, 18), kHigh);
        EXPECT_EQ(shot.At(199, 100), kShadow);
    }

    SetFocus(list);
    Pump();
    EXPECT_TRUE(SendMessageW(bevel, NVBM_GETACTIVE, 0, 0));
    EXPECT_EQ(Snapshot(bevel).At(196, 8), kActiveBar);
    // The list view's focus notice still reaches the main window, from the list view.
    const auto found = std::find(host.notifyCodes.begin(), host.notifyCodes.end(), static_cast<UINT>(NM_SETFOCUS));
    ASSERT_NE(found, host.notifyCodes.end());
    EXPECT_EQ(host.notifyFrom[static_cast<size_t>(found - host.notifyCodes.begin())], list);

    // A property change keeps the look that matches the focus.
    SetBevelTitleBarSize(bevel, 300);
    EXPECT_EQ(Snapshot(bevel).At(196, 8), kActiveBar);
    EXPECT_EQ(BevelInnerRect(bevel).top, 22);

    SetFocus(outside);
    Pump();
    EXPECT_FALSE(SendMessageW(bevel, NVBM_GETACTIVE, 0, 0));
    EXPECT_EQ(Snapshot(bevel).At(196, 8), kBar);
}

TEST_F(GuiControls, ChildCommandsAndOwnClicksReachTheParent) {
    HWND bevel = CreateWindowExW(0, kBevelClass, L"", WS_CHILD | WS_VISIBLE | NVBS_NOTIFY, 0, 0, 100, 100, host.hwnd,
                                 reinterpret_cast<HMENU>(12), GetModuleHandleW(nullptr), nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, bevel,
                                  reinterpret_cast<HMENU>(77), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands.back(), MAKEWPARAM(77, BN_CLICKED));

    host.commands.clear();
    SendMessageW(bevel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 80));
    SendMessageW(bevel, WM_LBUTTONUP, 0, MAKELPARAM(80, 80));
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], MAKEWPARAM(12, NVBN_CLICKED));

    // Released outside the panel: no click. Without NVBS_NOTIFY: silence.
    host.commands.clear();
    SendMessageW(bevel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 80));
    SendMessageW(bevel, WM_LBUTTONUP, 0, MAKELPARAM(300, 80));
    HWND quiet = CreateBevel(host.hwnd, 13, L"", false, 200, 0, 50, 50);
    SendMessageW(quiet, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(quiet, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(GuiControls, BevelFromADialogTemplateTakesTheDialogFontAndStyles) {
    // DLGTEMPLATE with DS_SETFONT and one "NivexBevel" control with a title bar, right-aligned.
    std::vector<WORD> t;
    auto words = [&](std::initializer_list<WORD> w) { t.insert(t.end(), w); };
    auto dword = [&](DWORD v) { words({LOWORD(v), HIWORD(v)}); };
    auto text = [&](const wchar_t* s) { t.insert(t.end(), s, s + wcslen(s) + 1); };
    dword(WS_POPUP | DS_SETFONT);
    dword(0);
    words({1, 0, 0, 200, 120}); // one item; position and size
    words({0, 0});              // no menu, default class
    text(L"Dlg");
    words({8});
    text(L"MS Shell Dlg");
    if (t.size() % 2) t.push_back(0); // items start on a DWORD
    dword(WS_CHILD | WS_VISIBLE | NVBS_TITLEBAR | NVBS_CAPTIONRIGHT);
    dword(0);
    words({5, 5, 150, 80, 42});
    text(L"NivexBevel");
    text(L"Versions");
    words({0}); // no creation data
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), host.hwnd,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    HWND bevel = GetDlgItem(dialog, 42);
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(SendMessageW(bevel, WM_GETFONT, 0, 0), SendMessageW(dialog, WM_GETFONT, 0, 0));
    EXPECT_TRUE(SendMessageW(bevel, NVBM_GETTITLEBAR, 0, 0));
    EXPECT_EQ(SendMessageW(bevel, NVBM_GETALIGNMENT, 0, 0), 1);
    EXPECT_EQ(Snapshot(bevel).At(3, 8), GetSysColor(COLOR_INACTIVECAPTION)); // left of a right-aligned caption
    DestroyWindow(dialog);
}

TEST_F(GuiControls, EtchedLineKeepsTwoPixelsAcross) {
    HWND line = CreateWindowExW(0, kEtchedLineClass, L"", WS_CHILD | WS_VISIBLE, 5, 5, 150, 40, host.hwnd, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(line, nullptr);
    RECT rect;
    GetClientRect(line, &rect);
    EXPECT_EQ(rect.right, 150);
    EXPECT_EQ(rect.bottom, 2);
    {
        Snapshot shot(line);
        EXPECT_EQ(shot.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(shot.At(149, 1), GetSysColor(COLOR_3DHIGHLIGHT));
    }
    MoveWindow(line, 5, 5, 200, 30, TRUE);
    GetClientRect(line, &rect);
    EXPECT_EQ(rect.right, 200);
    EXPECT_EQ(rect.bottom, 2);

    SetEtchedLineColour(line, EtchColour::HighLight, kHigh);
    SetEtchedLineColour(line, EtchColour::Shadow, kShadow);
    SetEtchedLineStyle(line, 1);
    SetEtchedLineOrientation(line, 1);
    GetClientRect(line, &rect);
    EXPECT_EQ(rect.right, 2);
    MoveWindow(line, 5, 5, 90, 60, TRUE);
    GetClientRect(line, &rect);
    EXPECT_EQ(rect.right, 2);
    EXPECT_EQ(rect.bottom, 60);
    Snapshot shot(line);
    EXPECT_EQ(shot.At(0, 59), kHigh);
    EXPECT_EQ(shot.At(1, 0), kShadow);

    HWND vertical = CreateEtchedLine(host.hwnd, 0, true, 300, 5, 80);
    GetClientRect(vertical, &rect);
    EXPECT_EQ(rect.right, 2);
    EXPECT_EQ(rect.bottom, 80);
}

} // namespace
} // namespace nivex
