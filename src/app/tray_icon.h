#pragma once
// The notification-area icon of the main window while it is in the tray, and the icon's mouse events.
#include <windows.h>

#include <functional>
#include <string>

namespace nivex {

class TrayIcon {
public:
    // Tray events arrive at the window as this private message (never mixed with real mouse moves).
    static constexpr UINT kMessage = WM_APP + 1;
    struct Events {
        std::function<void()> doubleClick;
        std::function<void(POINT screen)> menu; // the right button was released at screen
    };

    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { Remove(); }

    // The window the icon belongs to (its caption is the tip), the icon when the program has none, and what
    // the icon's events do. Called once the window exists.
    void Attach(HWND window, HICON fallback, Events events);
    bool Add();
    void Remove();
    bool Shown() const { return added_; }
    // The icon's events, and the shell's restart (the icon is added again); true when message was one.
    bool OnMessage(UINT message, LPARAM lParam);

private:
    HWND window_ = nullptr;
    HICON fallback_ = nullptr;
    Events events_;
    UINT taskbarCreated_ = 0;
    HICON icon_ = nullptr;
    bool added_ = false;
};

} // namespace nivex
