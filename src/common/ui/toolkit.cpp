#include "common/ui/toolkit.h"

#include "common/window.h"

namespace velmora::ui {

std::wstring WindowText(HWND hwnd) {
    if (!hwnd) return {};
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    if (!child || !GetWindowRect(child, &r)) return RECT{};
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Tooltip::Create(HWND owner, int maxWidth) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    owner_ = owner;
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ProgramInstance(), nullptr);
    if (tooltip_ && maxWidth > 0) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, maxWidth);
    return tooltip_ != nullptr;
}

TOOLINFOW Tooltip::Tool(HWND child) const {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    return tool;
}

void Tooltip::SetTip(HWND child, const std::wstring& text) {
    if (!tooltip_ || !child) return;
    TOOLINFOW tool = Tool(child); // no text buffer: asking copies the tip into it
    const bool known = SendMessageW(tooltip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    tool = Tool(child);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring Tooltip::Tip(HWND child) const {
    if (!tooltip_ || !child) return {};
    std::wstring text(1024, L'\0'); // the control's own limit for a tip (INFOTIPSIZE)
    TOOLINFOW tool = Tool(child);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    text.resize(text.find(L'\0'));
    return text;
}

ChildNotification::ChildNotification(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        valid_ = true;
        id_ = LOWORD(wParam);
        code_ = HIWORD(wParam);
    } else if (message == WM_NOTIFY && lParam) {
        valid_ = true;
        header_ = reinterpret_cast<NMHDR*>(lParam);
        id_ = header_->idFrom;
        code_ = header_->code;
    }
}

} // namespace velmora::ui
