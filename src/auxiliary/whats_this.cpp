#include "auxiliary/whats_this.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>

#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/ui/window_classes.h"
#include "common/window.h"

namespace nivex {

namespace {

constexpr int kPopupMargin = 8;
constexpr int kPopupMaxWidth = 320;

// The program's own text pop-up: a bordered note that closes at the next click or key, or when the
// program loses the focus.
class HelpPopupWindow final : public Window {
public:
    void Open(HWND owner, const std::wstring& text, POINT at) {
        RegisterWindowClass(ui::kHelpPopupClass, CS_DROPSHADOW | CS_SAVEBITS, GetSysColorBrush(COLOR_INFOBK));
        Destroy();
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        font_ = CreateFontIndirectW(&metrics.lfStatusFont);

        // Size the note to its text, then keep it on the monitor of the click.
        RECT textRect{0, 0, kPopupMaxWidth - 2 * kPopupMargin, 0};
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        const int width = textRect.right + 2 * kPopupMargin + 2;
        const int height = textRect.bottom + 2 * kPopupMargin + 2;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        int x = at.x - width / 2, y = at.y + 8;
        if (x + width > work.right) x = work.right - width;
        if (x < work.left) x = work.left;
        if (y + height > work.bottom) y = at.y - height - 8; // above the point when there is no room below
        if (y + height > work.bottom) y = work.bottom - height;
        if (y < work.top) y = work.top;

        HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
        Create(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, ui::kHelpPopupClass, text, WS_POPUP | WS_BORDER, x, y, width, height,
               root, nullptr);
        if (!Handle()) return;
        ShowWindow(Handle(), SW_SHOW);
        UpdateWindow(Handle());
        SetCapture(Handle());
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            RECT rect;
            GetClientRect(Handle(), &rect);
            InflateRect(&rect, -kPopupMargin, -kPopupMargin);
            HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
            const std::wstring text = ui::WindowText(Handle());
            DrawTextW(dc, text.c_str(), -1, &rect, DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, old);
            EndPaint(Handle(), &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            PostMessageW(Handle(), WM_CLOSE, 0, 0);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != Handle()) PostMessageW(Handle(), WM_CLOSE, 0, 0);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) PostMessageW(Handle(), WM_CLOSE, 0, 0);
            return 0;
        case WM_DESTROY:
            if (GetCapture() == Handle()) ReleaseCapture();
            return 0;
        case WM_NCDESTROY:
            if (font_) DeleteObject(font_);
            font_ = nullptr;
            return DefWindowProcW(Handle(), message, wParam, lParam);
        default:
            return Window::HandleMessage(message, wParam, lParam);
        }
    }

private:
    HFONT font_ = nullptr;
};

HelpPopupWindow& Popup() {
    static HelpPopupWindow popup;
    return popup;
}

long long Area(const RECT& r) {
    return static_cast<long long>(r.right - r.left) * static_cast<long long>(r.bottom - r.top);
}

constexpr UINT_PTR kDialogHelpSubclass = 0x4E48; // "NH"

LRESULT CALLBACK DialogHelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_HELP: {
        const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
        if (info && info->iContextType == HELPINFO_WINDOW) {
            ShowHelpTopic(dialog, GetWindowContextHelpId(dialog));
            return TRUE;
        }
        break;
    }
    case WM_SYSCOMMAND:
        // Some platforms' default procedure ignores this command: run the mode ourselves everywhere.
        if ((wParam & 0xFFF0) == SC_CONTEXTHELP) {
            RunWhatsThis(dialog);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(dialog, &DialogHelpProc, kDialogHelpSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(dialog, message, wParam, lParam);
}

// The keys of modal dialogs never reach the program's own loop: their loop hands each message to this filter.
// Only dialogs are served, so the main window's keys stay with its accelerators.
LRESULT CALLBACK DialogKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam) {
        const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        wchar_t className[16] = {};
        if (root && GetClassNameW(root, className, 16) && wcscmp(className, L"#32770") == 0 &&
            HandleDialogHelpKey(msg, nullptr))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

unsigned long HelpIdOf(HWND window, HWND root) {
    for (HWND w = window; w; w = GetParent(w)) {
        if (const DWORD id = GetWindowContextHelpId(w)) return id;
        if (w == root || !(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) break;
    }
    return 0;
}

HWND ControlAtPoint(HWND root, POINT screen) {
    RECT rect;
    if (!root || !GetWindowRect(root, &rect) || !PtInRect(&rect, screen)) return nullptr;
    HWND current = root;
    for (;;) {
        HWND best = nullptr;
        long long bestArea = 0;
        for (HWND child = GetWindow(current, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child) || !GetWindowRect(child, &rect) || !PtInRect(&rect, screen)) continue;
            if (!best || Area(rect) < bestArea) {
                best = child;
                bestArea = Area(rect);
            }
        }
        if (!best) return current;
        current = best;
    }
}

WhatsThisPick PickWhatsThisTarget(HWND root) {
    WhatsThisPick pick;
    if (!root || !IsWindow(root)) return pick;
    HCURSOR help = LoadCursorW(nullptr, IDC_HELP);
    HCURSOR previous = SetCursor(help);
    SetCapture(root);
    MSG msg;
    bool done = false;
    while (!done && GetCapture() == root) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // leave the quit request for the main loop
            break;
        }
        if (got < 0) break;
        switch (msg.message) {
        case WM_LBUTTONDOWN:
        case WM_NCLBUTTONDOWN: {
            POINT at{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if (msg.message == WM_LBUTTONDOWN) ClientToScreen(msg.hwnd, &at);
            pick.at = at;
            pick.target = ControlAtPoint(root, at);
            done = true;
            break;
        }
        case WM_RBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_MBUTTONDOWN:
            done = true;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (msg.wParam == VK_ESCAPE) done = true;
            break; // other keys are swallowed while the mode runs
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
            SetCursor(help);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR:
            break;
        default:
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            break;
        }
    }
    if (GetCapture() == root) ReleaseCapture();
    SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
    return pick;
}

bool ShowHelpPopup(HWND owner, unsigned long id, POINT at) {
    const HelpEntry* entry = FindHelpEntry(id);
    if (!entry) return false;
    if (!TheHelpViewer().ShowTextPopup(owner, HelpPopupPath(ProgramFolder()), id, at))
        Popup().Open(owner, entry->text, at);
    return true;
}

unsigned long RunWhatsThis(HWND root) {
    const WhatsThisPick pick = PickWhatsThisTarget(root);
    if (!pick.target) return 0;
    const unsigned long id = HelpIdOf(pick.target, root);
    if (!id || !ShowHelpPopup(pick.target, id, pick.at)) {
        MessageBeep(MB_OK);
        return 0;
    }
    return id;
}

bool HandleDialogHelpKey(const MSG& msg, HWND except) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F1 || !msg.hwnd) return false;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root || root == except || !GetWindowContextHelpId(root)) return false;
    // Shift+F1 starts What's-This where the caption shows no "?" button to start it.
    if (GetKeyState(VK_SHIFT) < 0) {
        RunWhatsThis(root);
        return true;
    }
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = GetDlgCtrlID(msg.hwnd);
    info.hItemHandle = msg.hwnd;
    info.dwContextId = GetWindowContextHelpId(msg.hwnd);
    GetCursorPos(&info.MousePos);
    SendMessageW(root, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

HWND OpenHelpPopupWindow() { return Popup().Handle(); }

void CloseHelpPopupWindow() { Popup().Destroy(); }

void AttachDialogHelp(HWND dialog, unsigned long dialogHelpId, std::initializer_list<ControlHelpId> controls) {
    if (!dialog) return;
    SetWindowContextHelpId(dialog, dialogHelpId);
    for (const auto& control : controls)
        if (HWND item = GetDlgItem(dialog, control.controlId)) SetWindowContextHelpId(item, control.helpId);
    const LONG_PTR ex = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    if (!(ex & WS_EX_CONTEXTHELP)) {
        SetWindowLongPtrW(dialog, GWL_EXSTYLE, ex | WS_EX_CONTEXTHELP);
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    SetWindowSubclass(dialog, &DialogHelpProc, kDialogHelpSubclass, 0);
    thread_local HHOOK keyFilter = SetWindowsHookExW(WH_MSGFILTER, &DialogKeyFilter, nullptr, GetCurrentThreadId());
    (void)keyFilter;
}

} // namespace nivex
