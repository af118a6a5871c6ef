#pragma once
// Greys out and restores the Close item of a window's system menu while the program is busy.
// The item is renumbered while disabled, so the caption's close button and Alt+F4 stop working too.
#include <windows.h>

namespace nivex {

// The error number raised: the user-defined error base.
constexpr long kCloseButtonError = static_cast<long>(0x80040000u);
// The identifier the Close item carries while disabled.
constexpr UINT kClosedItemId = static_cast<UINT>(-10);

// Throws nivex::Error (kCloseButtonError, "modCloseBtn::EnableCloseButton", "modCloseBtn::EnableCloseButton() - ...")
// when the handle is not a window, the item is not found (for instance enabling a window that was never
// disabled) or the item cannot be changed.
void EnableCloseButton(HWND window, bool enable);

} // namespace nivex
