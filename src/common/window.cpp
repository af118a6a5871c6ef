#include "common/window.h"

#include "common/ui/modeless.h"

#include <exception>

#include "common/desktop.h"
#include "common/text.h"

namespace velmora {

namespace {
// A failure inside a handler is shown, never thrown through the system's code.
void ShowHandlerFailure(HWND hwnd, const std::exception& e) {
    TheDesktop().Message(hwnd, Utf8ToWide(e.what()), L"Error", MsgButtons::Ok, MsgIcon::Critical);
}
} // namespace

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

Window::~Window() { Destroy(); }

void Window::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon,
                                 HICON smallIcon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(ProgramInstance(), className, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &Window::StaticProc;
    wc.hInstance = ProgramInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    RegisterClassExW(&wc);
}

HWND Window::Create(DWORD exStyle, const wchar_t* className, const std::wstring& title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu) {
    return CreateWindowExW(exStyle, className, title.c_str(), style, x, y, width, height, parent, menu,
                           ProgramInstance(), this);
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        ShowHandlerFailure(hwnd, e);
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ui::ModelessWindows::Remove(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

Dialog::~Dialog() {
    if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

INT_PTR Dialog::RunModal(int templateId, HWND owner) {
    modal_ = true;
    return DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId), owner, &Dialog::StaticProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(int templateId, HWND owner) {
    modal_ = false;
    HWND hwnd = CreateDialogParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId), owner, &Dialog::StaticProc,
                                   reinterpret_cast<LPARAM>(this));
    // The message loop finds every modeless dialog here; it leaves at WM_NCDESTROY.
    if (hwnd) ui::ModelessWindows::Add(hwnd);
    return hwnd;
}

void Dialog::Close(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_) EndDialog(hwnd_, result);
    else DestroyWindow(hwnd_);
}

INT_PTR Dialog::HandleMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK Dialog::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        ShowHandlerFailure(hwnd, e);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

void PumpPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool ThrottledPump::Tick() {
    const DWORD now = GetTickCount();
    if (now - last_ < interval_) return false;
    last_ = now;
    PumpPendingMessages();
    return true;
}

int TwipsPerPixelX() {
    static int value = [] {
        HDC dc = GetDC(nullptr);
        const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
        if (dc) ReleaseDC(nullptr, dc);
        return 1440 / (dpi > 0 ? dpi : 96);
    }();
    return value;
}

int TwipsPerPixelY() {
    static int value = [] {
        HDC dc = GetDC(nullptr);
        const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ReleaseDC(nullptr, dc);
        return 1440 / (dpi > 0 ? dpi : 96);
    }();
    return value;
}

} // namespace velmora
