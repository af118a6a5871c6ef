#include "app/toolbar_frame.h"

#include "common/ui/window_classes.h"

namespace nivex {

HWND ToolbarFrame::Create(HWND parent, int id) {
    RegisterWindowClass(ui::kToolbarFrameClass, CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return Window::Create(0, ui::kToolbarFrameClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT ToolbarFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT rect{};
        GetClientRect(Handle(), &rect);
        DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
        return SendMessageW(GetParent(Handle()), message, wParam, lParam);
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

} // namespace nivex
