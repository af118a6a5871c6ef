// ControlBase: painting, into its window and for the host (IViewObject2) on any device: the screen, a
// printer, a DC mapped to other units, a metafile.
#include <algorithm>
#include <cstdlib>

#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"

namespace nivex::vgui {
namespace {

constexpr int kHimetricPerInch = 2540;

int PixelsPerInch(HDC device, int which) {
    HDC screen = device ? nullptr : GetDC(nullptr);
    const int value = GetDeviceCaps(device ? device : screen, which);
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}

} // namespace

RECT PaintTarget::ToLogical(const PixelRect& pixels) const {
    const auto x = [&](int at) { return logical.left + (width ? MulDiv(at, logical.right - logical.left, width) : 0); };
    const auto y = [&](int at) {
        return logical.top + (height ? MulDiv(at, logical.bottom - logical.top, height) : 0);
    };
    return RECT{x(pixels.left), y(pixels.top), x(pixels.right), y(pixels.bottom)};
}

int PaintTarget::HeightToLogical(int pixels) const {
    return height ? std::abs(MulDiv(pixels, logical.bottom - logical.top, height)) : pixels;
}

void PaintTarget::Fill(const std::vector<PaintStep>& steps) const {
    for (const PaintStep& step : steps) {
        const RECT area = ToLogical(step.area);
        SetBkColor(dc, step.colour);
        // An opaque empty text paints a solid rectangle without a brush per colour.
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
}

int ControlBase::ScreenPixelsPerInchY() {
    return PixelsPerInch(nullptr, LOGPIXELSY);
}

void ControlBase::PaintClient(HDC dc, int pixelsPerInchY) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    Paint(PaintTarget{dc, client.right, client.bottom, pixelsPerInchY, client});
}

// Paints into a bitmap first and copies it in one go, so the control never shows half a picture.
void ControlBase::PaintWindow() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const int dpi = PixelsPerInch(dc, LOGPIXELSY);
    HDC memory = client.right > 0 && client.bottom > 0 ? CreateCompatibleDC(dc) : nullptr;
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        PaintClient(memory, dpi);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        SelectObject(memory, old);
    } else {
        PaintClient(dc, dpi); // no memory for the buffer: paint straight away
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    EndPaint(hwnd_, &ps);
}

void ControlBase::Redraw() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    if (viewSink_) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

// The bounds are in dc's logical units, whatever its mapping. On a device (a screen, a printer, or the
// reference device of an enhanced metafile) the control paints the device pixels those bounds cover
// at the device's resolution; a metafile of the old kind has no device, so there the bounds are taken
// as HIMETRIC (the OLE convention for metafile pictures, whose window the host gives in windowBounds)
// and the pixels are those of the target device or the screen.
HRESULT ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC targetDevice, HDC dc, LPCRECTL bounds,
                          LPCRECTL windowBounds, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        RECT area{};
        if (bounds)
            area = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
        else if (hwnd_)
            GetClientRect(hwnd_, &area);
        else
            return E_INVALIDARG;
        const int saved = SaveDC(dc);
        PaintTarget target;
        target.dc = dc;
        if (GetObjectType(dc) == OBJ_METADC) {
            if (windowBounds) {
                SetWindowOrgEx(dc, windowBounds->left, windowBounds->top, nullptr);
                SetWindowExtEx(dc, windowBounds->right - windowBounds->left, windowBounds->bottom - windowBounds->top,
                               nullptr);
            }
            target.width = MulDiv(std::abs(area.right - area.left), PixelsPerInch(targetDevice, LOGPIXELSX),
                                  kHimetricPerInch);
            target.pixelsPerInchY = PixelsPerInch(targetDevice, LOGPIXELSY);
            target.height = MulDiv(std::abs(area.bottom - area.top), target.pixelsPerInchY, kHimetricPerInch);
            target.logical = area;
        } else {
            POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
            LPtoDP(dc, corners, 2);
            target.logical = RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                                  std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
            target.width = target.logical.right - target.logical.left;
            target.height = target.logical.bottom - target.logical.top;
            target.pixelsPerInchY = PixelsPerInch(targetDevice ? targetDevice : dc, LOGPIXELSY);
            // Device units from here on: one step of the plan is one pixel of the device.
            if (GetGraphicsMode(dc) == GM_ADVANCED) ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
            SetMapMode(dc, MM_TEXT);
            SetWindowOrgEx(dc, 0, 0, nullptr);
            SetViewportOrgEx(dc, 0, 0, nullptr);
        }
        Paint(target);
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
