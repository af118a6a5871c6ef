#include "app/splitter.h"

#include <windowsx.h>

#include <algorithm>

#include "common/ui/window_classes.h"

namespace nivex {

HWND Splitter::Create(HWND parent, int id, Kind kind, double firstShare) {
    RegisterWindowClass(ui::kSplitterClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    kind_ = kind;
    share_ = std::clamp(firstShare, 0.0, 1.0);
    return Window::Create(0, ui::kSplitterClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

int Splitter::Extent() const {
    return kind_ == Kind::LeftRight ? area_.right - area_.left : area_.bottom - area_.top;
}

void Splitter::SetArea(const RECT& area) {
    area_ = area;
    Layout();
}

void Splitter::SetFirstShare(double share) {
    share_ = std::clamp(share, 0.0, 1.0);
    Layout();
}

void Splitter::DragBarTo(int position) {
    const int start = kind_ == Kind::LeftRight ? area_.left : area_.top;
    const int room = Extent() - kBarPixels;
    if (room <= 0) return;
    // Both panes keep a minimum size while there is room for it.
    const int low = std::min(kMinPanePixels, room / 2);
    const int offset = std::clamp(position - start, low, room - low);
    share_ = static_cast<double>(offset) / room;
    Layout();
}

void Splitter::Layout() {
    const int room = std::max(0, Extent() - kBarPixels);
    const int offset = static_cast<int>(share_ * room + 0.5);
    RECT bar = area_;
    first_ = area_;
    second_ = area_;
    if (kind_ == Kind::LeftRight) {
        first_.right = area_.left + offset;
        bar.left = first_.right;
        bar.right = bar.left + kBarPixels;
        second_.left = std::min(bar.right, area_.right);
    } else {
        first_.bottom = area_.top + offset;
        bar.top = first_.bottom;
        bar.bottom = bar.top + kBarPixels;
        second_.top = std::min(bar.bottom, area_.bottom);
    }
    if (Handle())
        SetWindowPos(Handle(), nullptr, bar.left, bar.top, std::max(0L, bar.right - bar.left),
                     std::max(0L, bar.bottom - bar.top), SWP_NOZORDER | SWP_NOACTIVATE);
    if (onResize_) onResize_(first_, second_);
}

LRESULT Splitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, kind_ == Kind::LeftRight ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    case WM_LBUTTONDOWN:
        dragging_ = true;
        grabOffset_ = kind_ == Kind::LeftRight ? GET_X_LPARAM(lParam) : GET_Y_LPARAM(lParam);
        SetCapture(Handle());
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_ && GetCapture() == Handle()) {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(Handle(), GetParent(Handle()), &pt, 1);
            DragBarTo((kind_ == Kind::LeftRight ? pt.x : pt.y) - grabOffset_);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
            if (GetCapture() == Handle()) ReleaseCapture();
        }
        return 0;
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

} // namespace nivex
