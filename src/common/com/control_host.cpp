#include "common/com/control_host.h"

#include <olectl.h>

#include <new>
#include <utility>

namespace nivex {
namespace {

// The user-interface-active object of this (single) interface thread, set through the frame.
IOleInPlaceActiveObject* activeObject = nullptr;

int ScreenDpi(int which) {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, which) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}

// Messages that windows inside a frame control send to their parent: the hosting window handles
// them as if those windows were its own.
bool IsChildNotice(UINT message) {
    switch (message) {
    case WM_COMMAND:
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
    case WM_HSCROLL:
    case WM_VSCROLL:
        return true;
    default:
        return false;
    }
}

template <typename Interface>
class SimpleUnknown : public Interface {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~SimpleUnknown() = default;
    HRESULT Answer(REFIID iid, REFIID own, void** out) {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, own)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    ULONG refs_ = 1;
};

// Receives a control's events; any dispatch identifier goes to the handler.
class EventSink final : public SimpleUnknown<IDispatch> {
public:
    ControlHost::EventHandler handler;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return Answer(iid, IID_IDispatch, out); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        try {
            static const DISPPARAMS none{};
            if (handler) handler(id, params ? *params : none);
        } catch (...) {
        }
        return S_OK;
    }
};

class NotifySink final : public SimpleUnknown<IPropertyNotifySink> {
public:
    ControlHost::ChangeHandler handler;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return Answer(iid, IID_IPropertyNotifySink, out);
    }
    STDMETHODIMP OnChanged(DISPID id) override {
        try {
            if (handler) handler(id);
        } catch (...) {
        }
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
};

// The frame: remembers the user-interface-active object so the message loop can offer it keys.
class Frame final : public SimpleUnknown<IOleInPlaceFrame> {
public:
    explicit Frame(HWND window) : window_(window) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out && (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceUIWindow))) {
            *out = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
            return S_OK;
        }
        return Answer(iid, IID_IOleInPlaceFrame, out);
    }
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        if (object) object->AddRef();
        if (activeObject) activeObject->Release();
        activeObject = object;
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND window_;
};

} // namespace

// One control's site on its hosting window.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleControlSite,
                          public IDispatch,
                          public ISimpleFrameSite {
public:
    ControlSite(HWND window, const RECT& rect) : window_(window), rect_(rect) {}
    ControlSite(const ControlSite&) = delete;
    ControlSite& operator=(const ControlSite&) = delete;

    HWND window_;
    RECT rect_;
    bool userMode_ = true;
    IOleInPlaceObject* inPlace_ = nullptr; // not owned: the host holds the control

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IOleControlSite))
            *out = static_cast<IOleControlSite*>(this);
        else if (IsEqualIID(iid, IID_IDispatch))
            *out = static_cast<IDispatch*>(this);
        else if (IsEqualIID(iid, IID_ISimpleFrameSite))
            *out = static_cast<ISimpleFrameSite*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !pos || !clip || !info) return E_POINTER;
        HWND root = GetAncestor(window_, GA_ROOT);
        *frame = new (std::nothrow) Frame(root ? root : window_);
        *document = nullptr;
        *pos = rect_;
        *clip = rect_;
        info->fMDIApp = FALSE;
        info->hwndFrame = root ? root : window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return *frame ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    // The control keeps a size of its own (an etched line is two pixels thick): place it so.
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        rect_ = *rect;
        if (inPlace_) inPlace_->SetObjectRects(&rect_, &rect_);
        return S_OK;
    }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** control) override {
        if (control) *control = nullptr;
        return E_NOTIMPL;
    }
    // The hosting window's units are whole pixels.
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (!himetric || !container) return E_POINTER;
        const int dpiX = ScreenDpi(LOGPIXELSX);
        const int dpiY = ScreenDpi(LOGPIXELSY);
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(MulDiv(himetric->x, dpiX, 2540));
            container->y = static_cast<float>(MulDiv(himetric->y, dpiY, 2540));
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = static_cast<LONG>(container->x * 2540.0f / static_cast<float>(dpiX) + 0.5f);
            himetric->y = static_cast<LONG>(container->y * 2540.0f / static_cast<float>(dpiY) + 0.5f);
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        VariantInit(result);
        switch (id) {
        case DISPID_AMBIENT_USERMODE:
            return Bool(result, userMode_);
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_SUPPORTSMNEMONICS:
            return Bool(result, false);
        case DISPID_AMBIENT_AUTOCLIP:
            return Bool(result, true);
        case DISPID_AMBIENT_BACKCOLOR:
            return Long(result, static_cast<LONG>(BackColour()));
        case DISPID_AMBIENT_FORECOLOR:
            return Long(result, static_cast<LONG>(0x80000000u | COLOR_BTNTEXT));
        case DISPID_AMBIENT_LOCALEID:
            return Long(result, static_cast<LONG>(GetUserDefaultLCID()));
        case DISPID_AMBIENT_FONT:
            return Font(result);
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    // ISimpleFrameSite
    STDMETHODIMP PreMessageFilter(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                                  DWORD*) override {
        if (!result || !IsChildNotice(message)) return S_OK;
        *result = SendMessageW(window_, message, wParam, lParam);
        return S_FALSE; // handled here
    }
    STDMETHODIMP PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) override { return S_OK; }

private:
    ~ControlSite() = default;
    static HRESULT Bool(VARIANT* result, bool value) {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    static HRESULT Long(VARIANT* result, LONG value) {
        result->vt = VT_I4;
        result->lVal = value;
        return S_OK;
    }
    // The hosting window's background as a control colour: a system colour stays one (the value a
    // class names its system-colour brush by is the index plus one), else button face.
    OLE_COLOR BackColour() const {
        const auto brush = static_cast<ULONG_PTR>(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND));
        if (brush >= 1 && brush <= COLOR_MENUBAR + 1) return 0x80000000u | static_cast<OLE_COLOR>(brush - 1);
        LOGBRUSH logBrush{};
        if (brush && GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(logBrush), &logBrush) &&
            logBrush.lbStyle == BS_SOLID)
            return logBrush.lbColor;
        return 0x80000000u | COLOR_BTNFACE;
    }

    // The hosting window's font, else the one dialogs use.
    HRESULT Font(VARIANT* result) const {
        LOGFONTW logFont{};
        auto font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (!font || !GetObjectW(font, sizeof(logFont), &logFont)) {
            if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
                logFont = metrics.lfMessageFont;
            else
                GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
        }
        FONTDESC desc{};
        desc.cbSizeofstruct = sizeof(desc);
        desc.lpstrName = logFont.lfFaceName;
        const LONGLONG height = logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight;
        const int dpi = ScreenDpi(LOGPIXELSY);
        desc.cySize.int64 = height > 0 ? (height * 72 * 10000 + dpi / 2) / dpi : 80000;
        desc.sWeight = static_cast<SHORT>(logFont.lfWeight ? logFont.lfWeight : FW_NORMAL);
        desc.sCharset = logFont.lfCharSet;
        desc.fItalic = logFont.lfItalic != 0;
        desc.fUnderline = logFont.lfUnderline != 0;
        desc.fStrikethrough = logFont.lfStrikeOut != 0;
        result->vt = VT_DISPATCH;
        const HRESULT hr = OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&result->pdispVal));
        if (FAILED(hr)) result->vt = VT_EMPTY;
        return hr;
    }

    ULONG refs_ = 1;
};

HRESULT ControlHost::Create(IClassFactory* factory, HWND window, const RECT& rect, IPropertyBag* bag,
                            std::unique_ptr<ControlHost>& out) {
    out.reset();
    if (!factory || !window) return E_INVALIDARG;
    try {
        std::unique_ptr<ControlHost> host(new ControlHost());
        HRESULT hr = factory->CreateInstance(nullptr, IID_IOleObject, host->object_.PutVoid());
        if (FAILED(hr)) return hr;
        host->site_.Attach(new ControlSite(window, rect));
        IOleClientSite* site = static_cast<IOleClientSite*>(host->site_.Get());
        DWORD misc = 0;
        host->object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst) host->object_->SetClientSite(site);
        ComPtr<IPersistPropertyBag> persistBag;
        ComPtr<IPersistStreamInit> persistStream;
        if (bag && SUCCEEDED(persistBag.QueryFrom(host->object_.Get(), IID_IPersistPropertyBag)))
            hr = persistBag->Load(bag, nullptr);
        else if (SUCCEEDED(persistStream.QueryFrom(host->object_.Get(), IID_IPersistStreamInit)))
            hr = persistStream->InitNew();
        else if (persistBag)
            hr = persistBag->InitNew();
        if (FAILED(hr)) {
            host->object_->SetClientSite(nullptr);
            return hr;
        }
        if (!siteFirst) host->object_->SetClientSite(site);

        // Events and property changes: the handlers are set later, the sinks are there from the start.
        ComPtr<IConnectionPointContainer> points;
        if (SUCCEEDED(points.QueryFrom(host->object_.Get(), IID_IConnectionPointContainer))) {
            ComPtr<IProvideClassInfo2> classInfo;
            GUID events{};
            if (SUCCEEDED(classInfo.QueryFrom(host->object_.Get(), IID_IProvideClassInfo2)) &&
                SUCCEEDED(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)) &&
                SUCCEEDED(points->FindConnectionPoint(events, host->eventPoint_.Put()))) {
                host->eventSink_.Attach(new EventSink());
                if (FAILED(host->eventPoint_->Advise(host->eventSink_.Get(), &host->eventCookie_)))
                    host->eventPoint_.Reset();
            }
            if (SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, host->notifyPoint_.Put()))) {
                host->notifySink_.Attach(new NotifySink());
                if (FAILED(host->notifyPoint_->Advise(host->notifySink_.Get(), &host->notifyCookie_)))
                    host->notifyPoint_.Reset();
            }
        }

        RECT at = rect;
        hr = host->object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, window, &at);
        if (FAILED(hr)) return hr; // the destructor closes the control again
        host->inPlace_.QueryFrom(host->object_.Get(), IID_IOleInPlaceObject);
        host->site_->inPlace_ = host->inPlace_.Get();
        out = std::move(host);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

ControlHost::~ControlHost() {
    if (eventPoint_) eventPoint_->Unadvise(eventCookie_);
    if (notifyPoint_) notifyPoint_->Unadvise(notifyCookie_);
    if (site_) site_->inPlace_ = nullptr;
    inPlace_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
}

HWND ControlHost::ControlWindow() const {
    HWND hwnd = nullptr;
    if (inPlace_) inPlace_->GetWindow(&hwnd);
    return hwnd;
}

ComPtr<IDispatch> ControlHost::Dispatch() const {
    ComPtr<IDispatch> dispatch;
    dispatch.QueryFrom(object_.Get(), IID_IDispatch);
    return dispatch;
}

RECT ControlHost::Rect() const {
    return site_ ? site_->rect_ : RECT{};
}

void ControlHost::Move(const RECT& rect) {
    if (!site_) return;
    site_->rect_ = rect;
    if (inPlace_) inPlace_->SetObjectRects(&site_->rect_, &site_->rect_);
}

void ControlHost::SetUserMode(bool userMode) {
    if (!site_ || site_->userMode_ == userMode) return;
    site_->userMode_ = userMode;
    ComPtr<IOleControl> control;
    if (SUCCEEDED(control.QueryFrom(object_.Get(), IID_IOleControl)))
        control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}

void ControlHost::OnEvent(EventHandler handler) {
    if (eventSink_) static_cast<EventSink*>(eventSink_.Get())->handler = std::move(handler);
}

void ControlHost::OnPropertyChanged(ChangeHandler handler) {
    if (notifySink_) static_cast<NotifySink*>(notifySink_.Get())->handler = std::move(handler);
}

HRESULT ControlHost::Save(IPropertyBag* bag) {
    ComPtr<IPersistPropertyBag> persist;
    const HRESULT hr = persist.QueryFrom(object_.Get(), IID_IPersistPropertyBag);
    return FAILED(hr) ? hr : persist->Save(bag, TRUE, FALSE);
}

bool TranslateControlAccelerator(MSG* msg) {
    if (!activeObject || !msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    return activeObject->TranslateAccelerator(msg) == S_OK;
}

HRESULT GetControlClassObject(const CLSID& clsid, const std::wstring& libraryPath, IClassFactory** factory,
                              std::wstring* why) {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(factory));
    if (SUCCEEDED(hr)) return hr;
    // Not registered (or not for this user): ask the library file itself.
    HMODULE library = LoadLibraryExW(libraryPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        const DWORD error = GetLastError();
        if (why) *why = L"cannot load " + libraryPath + L" (error " + std::to_wstring(error) + L")";
        return HRESULT_FROM_WIN32(error);
    }
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
    const auto entry = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "DllGetClassObject")));
    hr = entry ? entry(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory)) : E_NOINTERFACE;
    if (FAILED(hr)) {
        FreeLibrary(library);
        if (why) *why = libraryPath + L" does not provide the control";
        return hr;
    }
    return S_OK; // the library stays loaded: its objects live in it
}

} // namespace nivex
