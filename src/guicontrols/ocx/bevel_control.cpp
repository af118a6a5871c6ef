// The Bevel control: a raised panel with an optional title bar that shows the active colours while
// the focus is inside it. Windows placed inside it stay its children (a simple frame).
#include <windows.h>
#include <windowsx.h>

#include <cstdlib>
#include <new>

#include "guicontrols/bevel_plan.h"
#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/controls.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {
namespace {

// Posted to itself after a focus change was seen: by then the focus has settled.
constexpr UINT kRecheckFocus = WM_APP + 0x31;

// The caption font at the target's resolution: the font object sizes its own for the screen.
HFONT CaptionFont(IFont* font, const PaintTarget& target) {
    HFONT screenFont = nullptr;
    LOGFONTW logFont{};
    CY size{};
    if (!font || FAILED(font->get_hFont(&screenFont)) || !GetObjectW(screenFont, sizeof(logFont), &logFont) ||
        FAILED(font->get_Size(&size)))
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    else // points (in ten-thousandths) to pixels of the target
        logFont.lfHeight = -static_cast<LONG>((size.int64 * target.pixelsPerInchY + 360000) / 720000);
    logFont.lfHeight = -target.HeightToLogical(std::abs(logFont.lfHeight));
    logFont.lfWidth = 0;
    return CreateFontIndirectW(&logFont);
}

// Messages that windows inside the panel send to their parent.
bool IsChildNotice(UINT message, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return lParam != 0;
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
        return lParam != 0;
    default:
        return false;
    }
}

class BevelControl final : public ControlBase {
public:
    BevelControl()
        : ControlBase(kBevelClsid, kBevelDiid, kBevelEventsDiid, BevelProperties(), L"VelmoraGUIBevel") {}

protected:
    HRESULT CheckWrite(const PropertyInfo& info, PropertyValue&) override {
        if (info.dispId == VGUI_DISPID_TITLEBAR && UserMode()) return kSetNotSupportedAtRunTime;
        return S_OK;
    }

    void OnPropertyChanged(const PropertyInfo& info) override {
        if (info.dispId == kDispIdEnabled) {
            if (ControlWindow()) EnableWindow(ControlWindow(), Number(kDispIdEnabled) != 0);
            return;
        }
        Redraw();
    }

    DWORD MiscStatusBits() const override { return kBevelMiscStatus; }
    UINT WindowClassStyle() const override { return CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS; }

    HRESULT InvokeMethod(DISPID id, DISPPARAMS* params, VARIANT*) override {
        if (id != kDispIdRefresh) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        Redraw();
        if (ControlWindow()) UpdateWindow(ControlWindow());
        return S_OK;
    }

    void Paint(const PaintTarget& target) override {
        BevelLook look;
        look.width = target.width;
        look.height = target.height;
        look.titleBar = Number(VGUI_DISPID_TITLEBAR) != 0;
        look.titleBarTwips = Number(VGUI_DISPID_TITLEBARSIZE);
        look.pixelsPerInchY = target.pixelsPerInchY;
        // The look always follows where the focus really is, also after a change or a resize.
        look.active = FocusInside();
        const int alignment = Number(VGUI_DISPID_ALIGNMENT);
        look.alignment = static_cast<CaptionAlignment>(alignment >= 0 && alignment <= 2 ? alignment : 0);
        look.colours.back = Colour(kDispIdBackColor);
        look.colours.titleBarBack = Colour(VGUI_DISPID_TITLEBARBACKCOLOR);
        look.colours.activeTitleBarBack = Colour(VGUI_DISPID_ACTIVETITLEBARBACKCOLOR);
        look.colours.titleBarFore = Colour(VGUI_DISPID_TITLEBARFORECOLOR);
        look.colours.activeTitleBarFore = Colour(VGUI_DISPID_ACTIVETITLEBARFORECOLOR);
        look.colours.highLight = Colour(VGUI_DISPID_HIGHLIGHTCOLOR);
        look.colours.shadow = Colour(VGUI_DISPID_SHADOWCOLOR);
        const BevelPlan plan = PlanBevel(look);
        target.Fill(plan.steps);
        const std::wstring& caption = Value(kDispIdCaption).text;
        if (!plan.captionShown || plan.caption.Empty() || caption.empty()) return;
        // A label: from its top, words wrapped at its width, cut off at its edges.
        RECT area = target.ToLogical(plan.caption);
        UINT format = DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
        if (plan.alignment == CaptionAlignment::Right) format |= DT_RIGHT;
        if (plan.alignment == CaptionAlignment::Centre) format |= DT_CENTER;
        HFONT font = CaptionFont(Value(VGUI_DISPID_TITLEBARFONT).font.Get(), target);
        HGDIOBJ oldFont = SelectObject(target.dc, font);
        const int oldMode = SetBkMode(target.dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(target.dc, plan.captionColour);
        DrawTextW(target.dc, caption.c_str(), static_cast<int>(caption.size()), &area, format);
        SetTextColor(target.dc, oldColour);
        SetBkMode(target.dc, oldMode);
        SelectObject(target.dc, oldFont);
        DeleteObject(font);
    }

    bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        HWND hwnd = ControlWindow();
        if (message == kRecheckFocus) {
            focusCheckPending_ = false;
            CheckFocus();
            return true;
        }
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS) ScheduleFocusCheck();
        if (IsChildNotice(message, lParam)) {
            // Windows inside report their focus changes this way (the codes differ per class).
            if (message == WM_COMMAND || message == WM_NOTIFY) ScheduleFocusCheck();
            // The host hears from the windows inside as if they were its own.
            if (ISimpleFrameSite* site = FrameSite()) {
                LRESULT filtered = 0;
                DWORD cookie = 0;
                if (site->PreMessageFilter(hwnd, message, wParam, lParam, &filtered, &cookie) == S_FALSE) {
                    result = filtered;
                    return true;
                }
                result = ToParent(message, wParam, lParam);
                site->PostMessageFilter(hwnd, message, wParam, lParam, &result, cookie);
                return true;
            }
            result = ToParent(message, wParam, lParam);
            return true;
        }
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDBLCLK: // the second press of a right or middle double click is a press
        case WM_MBUTTONDBLCLK:
            SetCapture(hwnd);
            pressed_ |= ButtonOf(message);
            Mouse(VGUI_DISPID_MOUSEDOWN, ButtonOf(message), wParam, lParam);
            result = 0;
            return true;
        case WM_LBUTTONDBLCLK:
            // DblClick takes the place of the second press, and the release after it raises no Click.
            SetCapture(hwnd);
            pressed_ |= 1;
            doubleClicked_ = true;
            FireEvent(VGUI_DISPID_DBLCLICK, nullptr, 0);
            result = 0;
            return true;
        case WM_MOUSEMOVE:
            Mouse(VGUI_DISPID_MOUSEMOVE, ButtonsHeld(wParam), wParam, lParam);
            result = 0;
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const short button = ButtonOf(message);
            const bool wasPressed = (pressed_ & button) != 0;
            const bool afterDoubleClick = button == 1 && doubleClicked_;
            if (button == 1) doubleClicked_ = false;
            pressed_ &= ~button;
            if (!pressed_ && GetCapture() == hwnd) ReleaseCapture();
            Mouse(VGUI_DISPID_MOUSEUP, button, wParam, lParam);
            RECT client;
            GetClientRect(hwnd, &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (button == 1 && wasPressed && !afterDoubleClick && PtInRect(&client, at))
                FireEvent(VGUI_DISPID_CLICK, nullptr, 0);
            result = 0;
            return true;
        }
        case WM_CAPTURECHANGED:
            pressed_ = 0;
            doubleClicked_ = false;
            return false;
        default:
            return false;
        }
    }

private:
    bool FocusInside() const {
        HWND hwnd = ControlWindow();
        HWND focus = GetFocus();
        return hwnd && focus && (focus == hwnd || IsChild(hwnd, focus));
    }

    void ScheduleFocusCheck() {
        if (focusCheckPending_) return;
        focusCheckPending_ = PostMessageW(ControlWindow(), kRecheckFocus, 0, 0) != FALSE;
        if (!focusCheckPending_) CheckFocus();
    }

    void CheckFocus() {
        const bool inside = FocusInside();
        if (inside == active_) return;
        active_ = inside;
        if (IOleControlSite* site = ControlSite()) site->OnFocus(inside ? TRUE : FALSE);
        Redraw();
    }

    LRESULT ToParent(UINT message, WPARAM wParam, LPARAM lParam) {
        HWND parent = GetParent(ControlWindow());
        return parent ? SendMessageW(parent, message, wParam, lParam)
                      : DefWindowProcW(ControlWindow(), message, wParam, lParam);
    }

    static short ButtonOf(UINT message) {
        switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return 2;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            return 4;
        default:
            return 1;
        }
    }

    static short ButtonsHeld(WPARAM keys) {
        return static_cast<short>(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
                                  ((keys & MK_MBUTTON) ? 4 : 0));
    }

    // Button and Shift as 16-bit integers, X and Y in the host's own units.
    void Mouse(DISPID id, short button, WPARAM keys, LPARAM lParam) {
        if (EventsFrozen()) return;
        const short shift = static_cast<short>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                                               (GetKeyState(VK_MENU) < 0 ? 4 : 0));
        const POINT pixel{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        POINTF at{static_cast<float>(pixel.x), static_cast<float>(pixel.y)};
        if (IOleControlSite* site = ControlSite()) {
            HDC screen = GetDC(nullptr);
            const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
            const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
            if (screen) ReleaseDC(nullptr, screen);
            POINTL himetric{MulDiv(pixel.x, 2540, dpiX > 0 ? dpiX : 96), MulDiv(pixel.y, 2540, dpiY > 0 ? dpiY : 96)};
            POINTF converted{};
            if (SUCCEEDED(site->TransformCoords(&himetric, &converted,
                                                XFORMCOORDS_POSITION | XFORMCOORDS_HIMETRICTOCONTAINER)))
                at = converted;
        }
        VARIANTARG args[4];
        args[3].vt = VT_I2;
        args[3].iVal = button;
        args[2].vt = VT_I2;
        args[2].iVal = shift;
        args[1].vt = VT_R4;
        args[1].fltVal = at.x;
        args[0].vt = VT_R4;
        args[0].fltVal = at.y;
        FireEvent(id, args, 4);
    }

    bool active_ = false;
    bool focusCheckPending_ = false;
    bool doubleClicked_ = false; // the left button's double click awaits its release
    short pressed_ = 0;
};

} // namespace

HRESULT CreateBevelControl(REFIID iid, void** out) {
    try {
        auto* control = new BevelControl();
        const HRESULT hr = control->QueryInterface(iid, out);
        control->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace nivex::vgui
