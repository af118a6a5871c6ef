#pragma once
// The open modeless windows of the user-interface thread. The message loop hands each message to the
// window it belongs to (dialog keys: Tab, Esc, Enter, access keys), so a new modeless window only has to
// register itself; nothing names it in the loop.
#include <windows.h>

#include "common/base_namespace.h"

namespace velmora::ui {

class ModelessWindows {
public:
    // A window (and its children) whose keys go through IsDialogMessage. Adding twice is harmless.
    static void Add(HWND window);
    static void Remove(HWND window);
    // True when the message belonged to a registered window and was handled there.
    static bool Dispatch(MSG& msg);
    static bool Contains(HWND window);
};

// Registers a window for as long as the object lives (a member of the window's class).
class ModelessRegistration {
public:
    ModelessRegistration() = default;
    ~ModelessRegistration() { Reset(); }
    ModelessRegistration(const ModelessRegistration&) = delete;
    ModelessRegistration& operator=(const ModelessRegistration&) = delete;
    void Set(HWND window) {
        Reset();
        window_ = window;
        if (window_) ModelessWindows::Add(window_);
    }
    void Reset() {
        if (window_) ModelessWindows::Remove(window_);
        window_ = nullptr;
    }

private:
    HWND window_ = nullptr;
};

} // namespace velmora::ui
