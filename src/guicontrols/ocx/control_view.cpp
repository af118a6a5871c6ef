// ControlBase: painting, into its window and for the host (IViewObject2).
#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"

namespace nivex::vgui {

int ControlBase::ScreenPixelsPerInchY() {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}

// Paints into a bitmap first and copies it in one go, so the control never shows half a picture.
void ControlBase::PaintWindow() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY) > 0 ? GetDeviceCaps(dc, LOGPIXELSY) : ScreenPixelsPerInchY();
    HDC memory = client.right > 0 && client.bottom > 0 ? CreateCompatibleDC(dc) : nullptr;
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        Paint(memory, client, dpi);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        SelectObject(memory, old);
    } else {
        Paint(dc, client, dpi); // no memory for the buffer: paint straight away
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    EndPaint(hwnd_, &ps);
}

void ControlBase::Redraw() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    if (viewSink_) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

HRESULT ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC targetDevice, HDC dc, LPCRECTL bounds,
                          LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        RECT area{};
        if (bounds)
            area = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
        else if (hwnd_)
            GetClientRect(hwnd_, &area);
        else
            return E_INVALIDARG;
        // The resolution of the device drawn for: a metafile has none of its own.
        HDC device = targetDevice ? targetDevice : dc;
        int dpi = GetDeviceCaps(device, TECHNOLOGY) == DT_METAFILE ? 0 : GetDeviceCaps(device, LOGPIXELSY);
        if (dpi <= 0) dpi = ScreenPixelsPerInchY();
        const int saved = SaveDC(dc);
        Paint(dc, area, dpi);
        RestoreDC(dc, saved);
        return S_OK;
    });
}

HRESULT ControlBase::SetAdvise(DWORD, DWORD flags, IAdviseSink* sink) {
    viewSink_.Reset(sink);
    viewAdviseFlags_ = flags;
    return S_OK;
}

HRESULT ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = DVASPECT_CONTENT;
    if (flags) *flags = viewAdviseFlags_;
    if (sink) *sink = viewSink_.CopyOut();
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

} // namespace nivex::vgui
