#include "auxiliary/close_button.h"

#include <string>

#include "common/error.h"

namespace nivex {

namespace {
bool CaptionIsActive(HWND window) {
    WINDOWINFO info{};
    info.cbSize = sizeof(info);
    if (GetWindowInfo(window, &info)) return info.dwWindowStatus == WS_ACTIVECAPTION;
    return GetActiveWindow() == window;
}

[[noreturn]] void Raise(const std::wstring& what) {
    const std::wstring source = L"modCloseBtn::EnableCloseButton";
    throw Error(kCloseButtonError, source, source + what);
}
} // namespace

void EnableCloseButton(HWND window, bool enable) {
    if (!IsWindow(window)) Raise(L"() - Invalid Window Handle");
    HMENU menu = GetSystemMenu(window, FALSE);
    const UINT from = enable ? kClosedItemId : static_cast<UINT>(SC_CLOSE);
    const UINT to = enable ? static_cast<UINT>(SC_CLOSE) : kClosedItemId;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STATE;
    if (!menu || !GetMenuItemInfoW(menu, from, FALSE, &info)) Raise(L"() - Menu Item Not Found");

    MENUITEMINFOW change{};
    change.cbSize = sizeof(change);
    change.fMask = MIIM_ID;
    change.wID = to;
    if (!SetMenuItemInfoW(menu, from, FALSE, &change)) Raise(L"() - Error encountered changing ID");

    change.fMask = MIIM_STATE;
    change.fState = enable ? (info.fState & ~static_cast<UINT>(MFS_GRAYED | MFS_DISABLED))
                           : (info.fState | MFS_GRAYED | MFS_DISABLED);
    if (!SetMenuItemInfoW(menu, to, FALSE, &change)) Raise(L"() - Error encountered changing state");
    // Redraw the caption and its close button at once, in the window's real activation state: telling
    // an inactive window it is active would paint it (and treat it) as active.
    SendMessageW(window, WM_NCACTIVATE, CaptionIsActive(window) ? TRUE : FALSE, 0);
}

} // namespace nivex
