#include "guicontrols/gui_controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <string>

#include "common/handles.h"
#include "guicontrols/bevel_plan.h"
#include "guicontrols/etched_line_plan.h"

namespace nivex {
namespace {

// Posted to itself after a child reports a focus change: by then the focus has settled.
constexpr UINT kRecheckFocus = WM_USER + 0x3FF;

COLORREF ResolveColour(DWORD value) {
    if (IsSystemColour(value)) return GetSysColor(SystemColourIndex(value));
    return value & 0x00FFFFFFu;
}

// The program is system-DPI aware: the resolution is fixed for the life of the process.
int ScreenPixelsPerInchY() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

void PaintSteps(HDC dc, const std::vector<PaintStep>& steps) {
    for (const PaintStep& step : steps) {
        const RECT area{step.area.left, step.area.top, step.area.right, step.area.bottom};
        SetBkColor(dc, step.colour);
        // An opaque empty text paints a solid rectangle without a brush per colour.
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
}

// Paints into a bitmap first and copies it in one go, so the panel never shows half a frame.
template <typename PaintFn> void PaintBuffered(HWND hwnd, PaintFn paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = client.right;
    const int h = client.bottom;
    MemoryDc memory(w > 0 && h > 0 ? CreateCompatibleDC(dc) : nullptr);
    GdiObject bitmap(memory ? CreateCompatibleBitmap(dc, w, h) : nullptr);
    if (memory && bitmap) {
        HGDIOBJ oldBitmap = SelectObject(memory.Get(), bitmap.Get());
        paint(memory.Get(), w, h);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, memory.Get(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        SelectObject(memory.Get(), oldBitmap);
    } else {
        paint(dc, w, h); // out of memory for the buffer: paint straight away
    }
    EndPaint(hwnd, &ps);
}

template <typename Control> Control* ControlOf(HWND hwnd) {
    return reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, 0));
}

// Attaches a new object at WM_NCCREATE and deletes it after WM_NCDESTROY; no exception leaves.
template <typename Control> LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* control = ControlOf<Control>(hwnd);
    if (message == WM_NCCREATE && !control) {
        try {
            control = new Control(hwnd);
        } catch (...) {
            return FALSE;
        }
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(control));
    }
    if (!control) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = control->Handle(message, wParam, lParam);
    } catch (...) {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, 0, 0);
        delete control;
    }
    return result;
}

class Bevel {
public:
    explicit Bevel(HWND hwnd) : hwnd_(hwnd) {}

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            // Children (list views in the frames) paint themselves; tab moves into them in dialogs.
            SetWindowLongPtrW(hwnd_, GWL_STYLE, create->style | WS_CLIPCHILDREN);
            SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, create->dwExStyle | WS_EX_CONTROLPARENT);
            titleBar_ = (create->style & NVBS_TITLEBAR) != 0;
            if (create->style & NVBS_CAPTIONRIGHT) alignment_ = CaptionAlignment::Right;
            if (create->style & NVBS_CAPTIONCENTRE) alignment_ = CaptionAlignment::Centre;
            notify_ = (create->style & NVBS_NOTIFY) != 0;
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        }
        case WM_CREATE:
            AdoptAmbientFont(reinterpret_cast<const CREATESTRUCTW*>(lParam)->hwndParent);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintBuffered(hwnd_, [this](HDC dc, int w, int h) { Paint(dc, w, h); });
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            Paint(reinterpret_cast<HDC>(wParam), client.right, client.bottom);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
            Redraw();
            return result;
        }
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) Redraw();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_SYSCOLORCHANGE:
            Redraw();
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ScheduleFocusCheck();
            return 0;
        case kRecheckFocus:
            focusCheckPending_ = false;
            SetActive(FocusIsInside());
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header &&
                (header->code == static_cast<UINT>(NM_SETFOCUS) || header->code == static_cast<UINT>(NM_KILLFOCUS)))
                ScheduleFocusCheck();
            return ToParent(message, wParam, lParam);
        }
        case WM_COMMAND:
            // Edit, list and combo boxes report focus changes this way (codes differ per class).
            if (lParam) ScheduleFocusCheck();
            return ToParent(message, wParam, lParam);
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
            return ToParent(message, wParam, lParam);
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lParam) return ToParent(message, wParam, lParam);
            break;
        case WM_LBUTTONDOWN:
            if (notify_) {
                SetCapture(hwnd_);
                pressed_ = true;
            }
            return 0;
        case WM_LBUTTONUP:
            if (pressed_) {
                pressed_ = false;
                ReleaseCapture();
                RECT client;
                GetClientRect(hwnd_, &client);
                const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                if (PtInRect(&client, at)) Notify(NVBN_CLICKED);
            }
            return 0;
        case WM_LBUTTONDBLCLK:
            if (notify_) Notify(NVBN_DBLCLK);
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case NVBM_SETCOLOUR: {
            const auto index = static_cast<size_t>(wParam);
            if (index >= colours_.size()) return 0;
            const DWORD old = colours_[index];
            colours_[index] = static_cast<DWORD>(lParam);
            Redraw();
            return old;
        }
        case NVBM_GETCOLOUR:
            return wParam < colours_.size() ? colours_[wParam] : 0;
        case NVBM_SETTITLEBAR:
            titleBar_ = wParam != 0;
            Redraw();
            return 0;
        case NVBM_GETTITLEBAR:
            return titleBar_ ? TRUE : FALSE;
        case NVBM_SETTITLEBARSIZE: {
            const int twips = static_cast<int>(wParam);
            if (twips < 0 || twips > 0x7FFF * 15) return FALSE;
            titleBarTwips_ = twips;
            Redraw();
            return TRUE;
        }
        case NVBM_GETTITLEBARSIZE:
            return titleBarTwips_;
        case NVBM_SETALIGNMENT:
            if (wParam > 2) return FALSE;
            alignment_ = static_cast<CaptionAlignment>(wParam);
            Redraw();
            return TRUE;
        case NVBM_GETALIGNMENT:
            return static_cast<LRESULT>(alignment_);
        case NVBM_SETACTIVE:
            SetActive(wParam != 0);
            return 0;
        case NVBM_GETACTIVE:
            return active_ ? TRUE : FALSE;
        case NVBM_GETINNERRECT: {
            auto* out = reinterpret_cast<RECT*>(lParam);
            if (!out) return FALSE;
            RECT client;
            GetClientRect(hwnd_, &client);
            const PixelRect inner = Plan(client.right, client.bottom).inner;
            *out = RECT{inner.left, inner.top, inner.right, inner.bottom};
            return TRUE;
        }
        default:
            break;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    BevelPlan Plan(int width, int height) const {
        BevelLook look;
        look.width = width;
        look.height = height;
        look.titleBar = titleBar_;
        look.titleBarTwips = titleBarTwips_;
        look.pixelsPerInchY = ScreenPixelsPerInchY();
        look.active = active_;
        look.alignment = alignment_;
        auto colour = [this](BevelColour which) { return ResolveColour(colours_[static_cast<size_t>(which)]); };
        look.colours.back = colour(BevelColour::Back);
        look.colours.titleBarBack = colour(BevelColour::TitleBarBack);
        look.colours.activeTitleBarBack = colour(BevelColour::ActiveTitleBarBack);
        look.colours.titleBarFore = colour(BevelColour::TitleBarFore);
        look.colours.activeTitleBarFore = colour(BevelColour::ActiveTitleBarFore);
        look.colours.highLight = colour(BevelColour::HighLight);
        look.colours.shadow = colour(BevelColour::Shadow);
        return PlanBevel(look);
    }

    void Paint(HDC dc, int width, int height) {
        const BevelPlan plan = Plan(width, height);
        PaintSteps(dc, plan.steps);
        if (!plan.captionShown || plan.caption.Empty()) return;
        const int length = GetWindowTextLengthW(hwnd_);
        if (length <= 0) return;
        std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
        caption.resize(static_cast<size_t>(GetWindowTextW(hwnd_, caption.data(), length + 1)));
        RECT area{plan.caption.left, plan.caption.top, plan.caption.right, plan.caption.bottom};
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
        if (plan.alignment == CaptionAlignment::Right) format |= DT_RIGHT;
        if (plan.alignment == CaptionAlignment::Centre) format |= DT_CENTER;
        HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, plan.captionColour);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area, format);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
        SelectObject(dc, oldFont);
    }

    // The host's font when it has one, else the font dialogs and message boxes use.
    void AdoptAmbientFont(HWND parent) {
        if (parent) font_ = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
        if (font_) return;
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            ownFont_.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
        font_ = static_cast<HFONT>(ownFont_.Get());
    }

    bool FocusIsInside() const {
        HWND focus = GetFocus();
        return focus && (focus == hwnd_ || IsChild(hwnd_, focus));
    }

    void ScheduleFocusCheck() {
        if (focusCheckPending_) return;
        focusCheckPending_ = PostMessageW(hwnd_, kRecheckFocus, 0, 0) != FALSE;
        if (!focusCheckPending_) SetActive(FocusIsInside());
    }

    void SetActive(bool active) {
        if (active == active_) return;
        active_ = active;
        if (titleBar_) Redraw();
    }

    void Redraw() { InvalidateRect(hwnd_, nullptr, FALSE); }

    LRESULT ToParent(UINT message, WPARAM wParam, LPARAM lParam) {
        HWND parent = GetParent(hwnd_);
        if (!parent) return DefWindowProcW(hwnd_, message, wParam, lParam);
        return SendMessageW(parent, message, wParam, lParam);
    }

    void Notify(int code) {
        HWND parent = GetParent(hwnd_);
        if (!parent) return;
        const int id = GetDlgCtrlID(hwnd_);
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd_));
    }

    HWND hwnd_;
    std::array<DWORD, 7> colours_{0x8000000Fu, 0x80000003u, 0x80000002u, 0x80000009u,
                                  0x80000009u, 0x80000014u, 0x80000010u};
    bool titleBar_ = false;
    int titleBarTwips_ = 250;
    CaptionAlignment alignment_ = CaptionAlignment::Left;
    bool active_ = false;
    bool focusCheckPending_ = false;
    bool notify_ = false;
    bool pressed_ = false;
    HFONT font_ = nullptr;
    GdiObject ownFont_;
};

class EtchedLine {
public:
    explicit EtchedLine(HWND hwnd) : hwnd_(hwnd) {}

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            style_ = (create->style & NVES_RAISED) ? 1 : 0;
            orientation_ = (create->style & NVES_VERTICAL) ? 1 : 0;
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        }
        case WM_CREATE:
            KeepThickness();
            return 0;
        case WM_WINDOWPOSCHANGING: {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(pos->flags & SWP_NOSIZE)) {
                if (EtchIsVertical(orientation_))
                    pos->cx = kEtchThickness;
                else
                    pos->cy = kEtchThickness;
            }
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintBuffered(hwnd_, [this](HDC dc, int w, int h) { Paint(dc, w, h); });
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            Paint(reinterpret_cast<HDC>(wParam), client.right, client.bottom);
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case NVEM_SETCOLOUR: {
            DWORD* slot = wParam == static_cast<WPARAM>(EtchColour::HighLight) ? &highLight_
                          : wParam == static_cast<WPARAM>(EtchColour::Shadow)  ? &shadow_
                                                                               : nullptr;
            if (!slot) return 0;
            const DWORD old = *slot;
            *slot = static_cast<DWORD>(lParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return old;
        }
        case NVEM_GETCOLOUR:
            return wParam == static_cast<WPARAM>(EtchColour::HighLight) ? highLight_
                   : wParam == static_cast<WPARAM>(EtchColour::Shadow)  ? shadow_
                                                                        : 0;
        case NVEM_SETSTYLE:
            style_ = static_cast<int>(wParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case NVEM_GETSTYLE:
            return style_;
        case NVEM_SETORIENTATION:
            orientation_ = static_cast<int>(wParam);
            KeepThickness();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case NVEM_GETORIENTATION:
            return orientation_;
        default:
            break;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    EtchedLinePlan Plan(int width, int height) const {
        EtchedLineLook look;
        look.width = width;
        look.height = height;
        look.etchStyle = style_;
        look.orientation = orientation_;
        look.highLight = ResolveColour(highLight_);
        look.shadow = ResolveColour(shadow_);
        return PlanEtchedLine(look);
    }

    void Paint(HDC dc, int width, int height) { PaintSteps(dc, Plan(width, height).steps); }

    // Whatever size the line was given, it is 2 pixels across.
    void KeepThickness() {
        RECT rect;
        GetWindowRect(hwnd_, &rect);
        const EtchedLinePlan plan = Plan(rect.right - rect.left, rect.bottom - rect.top);
        SetWindowPos(hwnd_, nullptr, 0, 0, plan.width, plan.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND hwnd_;
    DWORD highLight_ = 0x80000014u;
    DWORD shadow_ = 0x80000010u;
    int style_ = 0;
    int orientation_ = 0;
};

} // namespace

void RegisterGuiControlClasses() {
    static const bool registered = [] {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW bevel{};
        bevel.cbSize = sizeof(bevel);
        bevel.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        bevel.lpfnWndProc = ControlProc<Bevel>;
        bevel.cbWndExtra = sizeof(LONG_PTR);
        bevel.hInstance = instance;
        bevel.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        bevel.lpszClassName = kBevelClass;
        RegisterClassExW(&bevel);
        WNDCLASSEXW line = bevel;
        line.style = CS_HREDRAW | CS_VREDRAW;
        line.lpfnWndProc = ControlProc<EtchedLine>;
        line.lpszClassName = kEtchedLineClass;
        RegisterClassExW(&line);
        return true;
    }();
    (void)registered;
}

HWND CreateBevel(HWND parent, int id, const wchar_t* caption, bool titleBar, int x, int y, int width, int height) {
    RegisterGuiControlClasses();
    const DWORD style = WS_CHILD | WS_VISIBLE | (titleBar ? NVBS_TITLEBAR : 0);
    return CreateWindowExW(0, kBevelClass, caption ? caption : L"", style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

HWND CreateEtchedLine(HWND parent, int id, bool vertical, int x, int y, int length) {
    RegisterGuiControlClasses();
    const DWORD style = WS_CHILD | WS_VISIBLE | (vertical ? NVES_VERTICAL : 0);
    const int width = vertical ? kEtchThickness : length;
    const int height = vertical ? length : kEtchThickness;
    return CreateWindowExW(0, kEtchedLineClass, L"", style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void SetBevelColour(HWND bevel, BevelColour which, DWORD colour) {
    SendMessageW(bevel, NVBM_SETCOLOUR, static_cast<WPARAM>(which), static_cast<LPARAM>(colour));
}
void SetBevelTitleBar(HWND bevel, bool shown) {
    SendMessageW(bevel, NVBM_SETTITLEBAR, shown ? TRUE : FALSE, 0);
}
void SetBevelTitleBarSize(HWND bevel, int twips) {
    SendMessageW(bevel, NVBM_SETTITLEBARSIZE, static_cast<WPARAM>(twips), 0);
}
void SetBevelAlignment(HWND bevel, int alignment) {
    SendMessageW(bevel, NVBM_SETALIGNMENT, static_cast<WPARAM>(alignment), 0);
}
void SetBevelActive(HWND bevel, bool active) {
    SendMessageW(bevel, NVBM_SETACTIVE, active ? TRUE : FALSE, 0);
}
RECT BevelInnerRect(HWND bevel) {
    RECT inner{};
    SendMessageW(bevel, NVBM_GETINNERRECT, 0, reinterpret_cast<LPARAM>(&inner));
    return inner;
}
void SetEtchedLineColour(HWND line, EtchColour which, DWORD colour) {
    SendMessageW(line, NVEM_SETCOLOUR, static_cast<WPARAM>(which), static_cast<LPARAM>(colour));
}
void SetEtchedLineStyle(HWND line, int etchStyle) {
    SendMessageW(line, NVEM_SETSTYLE, static_cast<WPARAM>(etchStyle), 0);
}
void SetEtchedLineOrientation(HWND line, int orientation) {
    SendMessageW(line, NVEM_SETORIENTATION, static_cast<WPARAM>(orientation), 0);
}

} // namespace nivex
