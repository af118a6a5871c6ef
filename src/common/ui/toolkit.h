#pragma once
// The small pieces every window uses: the hourglass, reading a window's text, a child's rectangle,
// tooltips for child windows, and telling which child a WM_COMMAND or WM_NOTIFY comes from.
// Product-neutral: part of the base library.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/base_namespace.h"

namespace velmora::ui {

// The hourglass for the life of a scope; the previous cursor comes back at its end.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// The whole text of any window (no fixed buffer); empty for no window.
std::wstring WindowText(HWND hwnd);
// The text of a dialog's item.
inline std::wstring ItemText(HWND dialog, int id) {
    return WindowText(dialog ? GetDlgItem(dialog, id) : nullptr);
}

// A child window's rectangle in its parent's client coordinates; empty for no child.
RECT ChildRect(HWND parent, HWND child);

// A tooltip control that explains child windows of one window. The window destroys it with itself: call
// Forget when that window is gone.
class Tooltip {
public:
    // Creates the control for owner; tips wider than maxWidth pixels wrap (0: one line).
    bool Create(HWND owner, int maxWidth = 0);
    // Gives child its tip, or changes the tip it has.
    void SetTip(HWND child, const std::wstring& text);
    std::wstring Tip(HWND child) const;
    HWND Handle() const { return tooltip_; }
    void Forget() { tooltip_ = owner_ = nullptr; }

private:
    TOOLINFOW Tool(HWND child) const;
    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;
};

// Which child a WM_COMMAND or WM_NOTIFY comes from and what it says. For every other message it is
// from no child. WM_COMMAND of a menu item or accelerator carries the command as its identifier.
class ChildNotification {
public:
    ChildNotification(UINT message, WPARAM wParam, LPARAM lParam);

    // From the child with this identifier (any code).
    bool IsFrom(int id) const { return valid_ && id_ == static_cast<UINT_PTR>(id); }
    // From that child with that notification code (BN_CLICKED, LVN_ITEMCHANGED, ...).
    bool Is(int id, UINT code) const { return IsFrom(id) && code_ == code; }
    int Id() const { return valid_ ? static_cast<int>(id_) : 0; }
    UINT Code() const { return code_; }
    // The notification's own structure (NMLISTVIEW, NMTREEVIEWW, ...) for WM_NOTIFY; null for WM_COMMAND.
    template <typename T> T* Details() const { return reinterpret_cast<T*>(header_); }

private:
    bool valid_ = false;
    UINT_PTR id_ = 0;
    UINT code_ = 0;
    NMHDR* header_ = nullptr;
};

} // namespace velmora::ui
