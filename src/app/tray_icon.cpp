#include "app/tray_icon.h"

#include <shellapi.h>

#include "common/winutil.h"
#include "common/ui/controls.h"

namespace nivex {

namespace {
constexpr UINT kTrayId = 1;
}

bool TrayIcon::Add(HWND window, HICON fallback) {
    if (added_) return true;
    HICON small = nullptr;
    ExtractIconExW(ExecutablePath().c_str(), 0, nullptr, &small, 1);
    if (!small && fallback) small = CopyIcon(fallback);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = kTrayId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kMessage;
    data.hIcon = small;
    const std::wstring caption = ui::WindowText(window);
    wcsncpy_s(data.szTip, caption.c_str(), 63);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) {
        if (small) DestroyIcon(small);
        return false;
    }
    window_ = window;
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

} // namespace nivex
