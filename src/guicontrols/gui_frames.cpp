#include "guicontrols/gui_frames.h"

#include <olectl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/com/control_host.h"
#include "common/com/property_bag.h"
#include "common/paths.h"
#include "common/text.h"
#include "guicontrols/bevel_plan.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex {
namespace {

// Class objects are kept for the life of the process: the library stays loaded once used.
IClassFactory* bevelFactory = nullptr;
IClassFactory* lineFactory = nullptr;
bool libraryFailed = false;
std::wstring problem;
std::wstring libraryFolder; // empty: the program's own folder

// The program's folder as start-up set it (a test sets its own), else the executable's.
std::wstring LibraryFolder() {
    if (!libraryFolder.empty()) return WithTrailingBackslash(libraryFolder);
    if (!ProgramFolder().empty()) return WithTrailingBackslash(ProgramFolder());
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

IClassFactory* FactoryFor(GuiControlKind kind) {
    IClassFactory*& slot = kind == GuiControlKind::Bevel ? bevelFactory : lineFactory;
    if (slot || libraryFailed) return slot;
    const CLSID& clsid = kind == GuiControlKind::Bevel ? vgui::kBevelClsid : vgui::kEtchedLineClsid;
    std::wstring why;
    if (FAILED(GetControlClassObject(clsid, LibraryFolder() + vgui::kLibraryFileName, &slot, &why))) {
        // Asked once: every later window opens with plain frames at once.
        libraryFailed = true;
        problem = L"VelmoraGUI controls unavailable: " + why + L"; plain frames are shown.";
        slot = nullptr;
    }
    return slot;
}

DWORD PlainStyle(GuiControlKind kind, std::wstring_view properties) {
    if (kind == GuiControlKind::Bevel) return WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
    // "Orientation" other than 0 is vertical.
    const size_t at = properties.find(L"Orientation=");
    const bool vertical = at != std::wstring_view::npos && properties.substr(at + 12, 1) != L"0";
    return WS_CHILD | WS_VISIBLE | (vertical ? SS_ETCHEDVERT : SS_ETCHEDHORZ);
}

std::wstring CaptionOf(std::wstring_view properties) {
    size_t at = 0;
    while ((at = properties.find(L"Caption=", at)) != std::wstring_view::npos) {
        if (at == 0 || properties[at - 1] == L'\n') {
            const std::wstring_view rest = properties.substr(at + 8);
            return std::wstring(rest.substr(0, rest.find_first_of(L"\r\n")));
        }
        at += 8;
    }
    return L"Bevel";
}

long DispatchLong(IDispatch* dispatch, DISPID id, long fallback) {
    if (!dispatch) return fallback;
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    long result = fallback;
    if (SUCCEEDED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                   nullptr)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4)))
        result = value.lVal;
    VariantClear(&value);
    return result;
}

} // namespace

GuiControl::~GuiControl() {
    host_.reset();
    if (plain_) DestroyWindow(plain_);
}

std::unique_ptr<GuiControl> GuiControl::Place(GuiControlKind kind, HWND parent, int id, const RECT& rect,
                                              std::wstring_view properties) {
    std::unique_ptr<GuiControl> control(new GuiControl());
    control->kind_ = kind;
    control->parent_ = parent;
    control->rect_ = rect;
    if (IClassFactory* factory = FactoryFor(kind)) {
        ComPtr<MemoryPropertyBag> bag;
        bag.Attach(MemoryPropertyBag::FromText(properties));
        if (SUCCEEDED(ControlHost::Create(factory, parent, rect, bag.Get(), control->host_))) {
            if (HWND window = control->host_->ControlWindow())
                SetWindowLongPtrW(window, GWLP_ID, static_cast<LONG_PTR>(id));
            control->rect_ = control->host_->Rect();
            return control;
        }
        control->host_.reset();
    }
    const std::wstring caption = kind == GuiControlKind::Bevel ? CaptionOf(properties) : std::wstring();
    control->plain_ = CreateWindowExW(0, kind == GuiControlKind::Bevel ? L"BUTTON" : L"STATIC", caption.c_str(),
                                      PlainStyle(kind, properties), rect.left, rect.top, rect.right - rect.left,
                                      rect.bottom - rect.top, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                      nullptr);
    if (control->plain_)
        SendMessageW(control->plain_, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
    return control;
}

HWND GuiControl::Window() const {
    return host_ ? host_->ControlWindow() : plain_;
}

HWND GuiControl::ChildParent() const {
    HWND window = host_ ? host_->ControlWindow() : nullptr;
    return window ? window : parent_;
}

RECT GuiControl::Rect() const {
    return host_ ? host_->Rect() : rect_;
}

RECT GuiControl::InnerRect() const {
    const RECT outer = Rect();
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    if (host_ && host_->ControlWindow()) {
        // Inside the frame and below the title bar, as the control draws them.
        const ComPtr<IDispatch> dispatch = host_->Dispatch();
        BevelLook look;
        look.width = w;
        look.height = h;
        look.titleBar = DispatchLong(dispatch.Get(), VGUI_DISPID_TITLEBAR, 0) != 0;
        look.titleBarTwips = static_cast<int>(DispatchLong(dispatch.Get(), VGUI_DISPID_TITLEBARSIZE, 250));
        HDC screen = GetDC(nullptr);
        look.pixelsPerInchY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        const PixelRect inner = PlanBevel(look).inner;
        return RECT{inner.left, inner.top, inner.right, inner.bottom};
    }
    // The group box standing in: inside its line, below its caption.
    const int top = std::min(h, 18);
    return RECT{outer.left + 6, outer.top + top, std::max(outer.left + 6, outer.right - 6),
                std::max(outer.top + top, outer.bottom - 6)};
}

void GuiControl::Move(const RECT& rect) {
    rect_ = rect;
    if (host_)
        host_->Move(rect);
    else if (plain_)
        MoveWindow(plain_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void GuiControl::SetCaption(const std::wstring& caption) {
    if (!host_) {
        if (plain_) SetWindowTextW(plain_, caption.c_str());
        return;
    }
    const ComPtr<IDispatch> dispatch = host_->Dispatch();
    if (!dispatch) return;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(caption.data(), static_cast<UINT>(caption.size()));
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    dispatch->Invoke(DISPID_CAPTION, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                     nullptr);
    VariantClear(&value);
}

std::unique_ptr<GuiControl> PlaceInDialog(GuiControlKind kind, HWND dialog, int placeholderId, int propertySetId) {
    HWND place = GetDlgItem(dialog, placeholderId);
    RECT r{};
    if (place) {
        GetWindowRect(place, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        DestroyWindow(place);
    }
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    std::wstring properties = PropertySetResource(module, propertySetId);
    if (properties.empty()) properties = PropertySetResource(GetModuleHandleW(nullptr), propertySetId);
    return GuiControl::Place(kind, dialog, placeholderId, r, properties);
}

void UseGuiControlsFrom(const std::wstring& folder) {
    for (IClassFactory** slot : {&bevelFactory, &lineFactory}) {
        if (*slot) (*slot)->Release();
        *slot = nullptr;
    }
    libraryFailed = false;
    problem.clear();
    libraryFolder = folder;
}

std::wstring TakeGuiControlsProblem() {
    return std::exchange(problem, std::wstring());
}

std::wstring PropertySetResource(HINSTANCE module, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"VGUIPROPS");
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!data || size == 0) return {};
    std::string_view text(data, size);
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const size_t nul = text.find('\0');
    return Utf8ToWide(text.substr(0, nul));
}

} // namespace nivex
