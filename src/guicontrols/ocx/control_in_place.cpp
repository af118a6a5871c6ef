// ControlBase: in-place activation (IOleInPlaceObject, IOleInPlaceActiveObject) and the control's
// own window.
#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"
#include "guicontrols/ocx/module.h"

namespace nivex::vgui {
HRESULT ControlBase::ActivateInPlace(bool uiActivate) {
    if (!clientSite_) return E_UNEXPECTED;
    if (!inPlaceSite_ && FAILED(inPlaceSite_.QueryFrom(clientSite_.Get(), IID_IOleInPlaceSite))) return E_NOINTERFACE;
    if (!inPlaceActive_) {
        if (inPlaceSite_->CanInPlaceActivate() != S_OK) return E_FAIL;
        inPlaceSite_->OnInPlaceActivate();
        inPlaceActive_ = true;
    }
    HWND parent = nullptr;
    if (FAILED(inPlaceSite_->GetWindow(&parent)) || !parent) {
        InPlaceDeactivate();
        return E_FAIL;
    }
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    frame_.Reset();
    uiWindow_.Reset();
    inPlaceSite_->GetWindowContext(frame_.Put(), uiWindow_.Put(), &pos, &clip, &frameInfo);
    clipRect_ = IsRectEmpty(&clip) && !IsRectEmpty(&pos) ? pos : clip; // a site that gives no clip hides nothing
    if (!hwnd_) {
        const HRESULT hr = CreateControlWindow(parent, pos);
        if (FAILED(hr)) {
            InPlaceDeactivate();
            return hr;
        }
    } else if (GetParent(hwnd_) != parent) {
        SetParent(hwnd_, parent);
    }
    Place(pos);
    ShowWindow(hwnd_, SW_SHOWNA);
    if (uiActivate && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        auto* active = static_cast<IOleInPlaceActiveObject*>(this);
        if (frame_) frame_->SetActiveObject(active, nullptr);
        if (uiWindow_) uiWindow_->SetActiveObject(active, nullptr);
        if (frame_) frame_->SetBorderSpace(nullptr);
        if (uiWindow_) uiWindow_->SetBorderSpace(nullptr);
    }
    return S_OK;
}

HRESULT ControlBase::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

HRESULT ControlBase::InPlaceDeactivate() {
    if (!inPlaceActive_) return S_OK;
    UIDeactivate();
    DestroyControlWindow();
    inPlaceActive_ = false;
    if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
    frame_.Reset();
    uiWindow_.Reset();
    return S_OK;
}

HRESULT ControlBase::UIDeactivate() {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT ControlBase::SetObjectRects(LPCRECT posRect, LPCRECT clipRect) {
    if (!posRect) return E_POINTER;
    return Guarded([&] {
        clipRect_ = clipRect ? *clipRect : *posRect;
        Place(*posRect);
        return S_OK;
    });
}

// Shows only the part of the window inside the host's clip rectangle (a scrolled container shows part
// of the control).
void ControlBase::ApplyClip() {
    if (!hwnd_) return;
    RECT visible{};
    IntersectRect(&visible, &posRect_, &clipRect_);
    if (EqualRect(&visible, &posRect_)) {
        SetWindowRgn(hwnd_, nullptr, TRUE);
        return;
    }
    OffsetRect(&visible, -posRect_.left, -posRect_.top);
    HRGN region = CreateRectRgnIndirect(&visible);
    if (region && !SetWindowRgn(hwnd_, region, TRUE)) DeleteObject(region); // the window owns it when set
}

void ControlBase::Place(RECT rect) { // by value: callers pass PosRect()
    const RECT fitted = FitRect(rect);
    posRect_ = fitted;
    const int dpiX = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    extent_.cx = MulDiv(fitted.right - fitted.left, 2540, dpiX);
    extent_.cy = MulDiv(fitted.bottom - fitted.top, 2540, ScreenPixelsPerInchY());
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyClip();
    if (!EqualRect(&fitted, &rect) && inPlaceSite_ && !placing_) {
        // The host learns the size the control keeps and places it again.
        placing_ = true;
        RECT asked = fitted;
        inPlaceSite_->OnPosRectChange(&asked);
        placing_ = false;
    }
}

HRESULT ControlBase::CreateControlWindow(HWND parent, const RECT& rect) {
    if (!BeginWindow(windowClass_, WindowClassStyle(), WindowProc)) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    HWND created = CreateWindowExW(WS_EX_CONTROLPARENT, windowClass_, L"", style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, ModuleInstance(),
                                   this);
    const DWORD error = GetLastError();
    EndWindow(windowClass_);
    if (!created) {
        ReleaseIdleWindowClasses();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    const int enabledIndex = PropertyIndex(properties_, kDispIdEnabled);
    if (enabledIndex >= 0 && !values_[static_cast<size_t>(enabledIndex)].number) EnableWindow(created, FALSE);
    return S_OK;
}

void ControlBase::DestroyControlWindow() {
    if (!hwnd_) return;
    HWND window = hwnd_;
    hwnd_ = nullptr;
    // Messages sent while the window goes no longer reach the object.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    ReleaseIdleWindowClasses(); // now that the window is gone, its class can go too
}

LRESULT CALLBACK ControlBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<ControlBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        WindowCreated(self->windowClass_);
    } else {
        self = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self && self->hwnd_ == hwnd) self->hwnd_ = nullptr;
        wchar_t name[64] = {};
        if (GetClassNameW(hwnd, name, 64)) WindowDestroyed(name);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    self->AddRef(); // a sink called from here may let the control go
    LRESULT result = 0;
    try {
        result = self->OnWindowMessage(message, wParam, lParam);
    } catch (...) {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    self->Release();
    return result;
}

bool ControlBase::HandleWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT ControlBase::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    LRESULT result = 0;
    if (HandleWindowMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintWindow();
        return 0;
    case WM_PRINTCLIENT:
        PaintClient(reinterpret_cast<HDC>(wParam), ScreenPixelsPerInchY());
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace nivex::vgui
