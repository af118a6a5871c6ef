#include "app/tray_icon.h"

#include <shellapi.h>

#include <utility>

#include "common/winutil.h"
#include "common/ui/controls.h"

namespace nivex {

namespace {
constexpr UINT kTrayId = 1;
}

void TrayIcon::Attach(HWND window, HICON fallback, Events events) {
    window_ = window;
    fallback_ = fallback;
    events_ = std::move(events);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
}

bool TrayIcon::Add() {
    if (added_) return true;
    HICON small = nullptr;
    ExtractIconExW(ExecutablePath().c_str(), 0, nullptr, &small, 1);
    if (!small && fallback_) small = CopyIcon(fallback_);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = kTrayId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kMessage;
    data.hIcon = small;
    const std::wstring caption = ui::WindowText(window_);
    wcsncpy_s(data.szTip, caption.c_str(), 63);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) {
        if (small) DestroyIcon(small);
        return false;
    }
    icon_ = small;
    added_ = true;
    return true;
}

void TrayIcon::Remove() {
    if (!added_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = kTrayId;
    Shell_NotifyIconW(NIM_DELETE, &data);
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
    added_ = false;
}

bool TrayIcon::OnMessage(UINT message, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // The notification area was re-created (the shell restarted): put the icon back.
        if (added_) {
            Remove();
            Add();
        }
        return true;
    }
    if (message != kMessage) return false;
    if (LOWORD(lParam) == WM_LBUTTONDBLCLK && events_.doubleClick) {
        events_.doubleClick();
    } else if (LOWORD(lParam) == WM_RBUTTONUP && events_.menu) {
        POINT pt{};
        GetCursorPos(&pt);
        SetForegroundWindow(window_);
        events_.menu(pt);
        PostMessageW(window_, WM_NULL, 0, 0);
    }
    return true;
}

} // namespace nivex
