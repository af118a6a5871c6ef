#pragma once
// The notification-area icon of the main window while it is in the tray.
#include <windows.h>

#include <string>

namespace nivex {

class TrayIcon {
public:
    // Tray events arrive at the window as this private message (never mixed with real mouse moves).
    static constexpr UINT kMessage = WM_APP + 1;

    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { Remove(); }

    // Adds the icon (the program's small icon, fallback when it has none) with the window's caption as tip.
    bool Add(HWND window, HICON fallback);
    void Remove();
    bool Shown() const { return added_; }

private:
    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    bool added_ = false;
};

} // namespace nivex
