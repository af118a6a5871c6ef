#include "guicontrols/ocx/control_base.h"

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "guicontrols/ocx/module.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {
namespace {

// No exception leaves a COM method or a window procedure.
template <typename Body>
HRESULT Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

std::wstring FromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

VARTYPE StoredType(PropertyKind kind) {
    switch (kind) {
    case PropertyKind::Boolean:
        return VT_BOOL;
    case PropertyKind::Text:
        return VT_BSTR;
    case PropertyKind::Font:
        return VT_DISPATCH;
    default:
        return VT_I4;
    }
}

const wchar_t* ErrorText(HRESULT hr) {
    if (hr == kSetNotSupportedAtRunTime) return L"'Set' not supported at run time";
    if (hr == kInvalidPropertyValue) return L"Invalid property value";
    return L"Unexpected error";
}

HRESULT RaiseError(EXCEPINFO* exception, HRESULT hr) {
    if (!exception) return hr;
    std::memset(exception, 0, sizeof(*exception));
    exception->scode = hr;
    exception->bstrSource = SysAllocString(kLibraryName);
    exception->bstrDescription = SysAllocString(ErrorText(hr));
    return DISP_E_EXCEPTION;
}

// Live windows per window class: a class goes with its last window, so the module can be
// unloaded and loaded again without leaving a class that points into freed code.
struct ClassCount {
    wchar_t name[64];
    int windows;
};
ClassCount classCounts[8] = {};

int& WindowsOf(const wchar_t* name) {
    ClassCount* free = nullptr;
    for (ClassCount& c : classCounts) {
        if (c.name[0] && std::wcscmp(c.name, name) == 0) return c.windows;
        if (!c.name[0] && !free) free = &c;
    }
    static int overflow = 1; // more classes than slots: never unregistered
    if (!free || std::wcslen(name) >= 64) return overflow;
    std::wcscpy(free->name, name);
    free->windows = 0;
    return free->windows;
}

} // namespace

// ---------------------------------------------------------------- construction

ControlBase::ControlBase(const CLSID& clsid, const IID& dispatchIid, const IID& eventsIid,
                         std::span<const PropertyInfo> properties, const wchar_t* windowClass)
    : clsid_(clsid),
      dispatchIid_(dispatchIid),
      eventsIid_(eventsIid),
      properties_(properties),
      values_(properties.size()),
      windowClass_(windowClass),
      events_(static_cast<IConnectionPointContainer*>(this), eventsIid),
      notify_(static_cast<IConnectionPointContainer*>(this), IID_IPropertyNotifySink) {
    ObjectCreated();
    LoadTypeInfo();
    SetDefaults();
}

ControlBase::~ControlBase() {
    DestroyControlWindow();
    events_.Clear();
    notify_.Clear();
    values_.clear();
    typeInfo_.Reset();
    classInfo_.Reset();
    ObjectDestroyed(); // last: it may let the type library go
}

HRESULT ControlBase::LoadTypeInfo() {
    ComPtr<ITypeLib> library;
    HRESULT hr = GetTypeLibrary(library.Put());
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(dispatchIid_, typeInfo_.Put());
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(clsid_, classInfo_.Put());
    return hr;
}

// ---------------------------------------------------------------- IUnknown

HRESULT ControlBase::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
        *out = static_cast<IOleObject*>(this);
    else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, dispatchIid_))
        *out = static_cast<IDispatch*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject))
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (IsEqualIID(iid, IID_IOleControl))
        *out = static_cast<IOleControl*>(this);
    else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2))
        *out = static_cast<IViewObject2*>(this);
    // IPersistStreamInit has IPersistStream's layout with InitNew added, so it serves both.
    else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit) ||
             IsEqualIID(iid, IID_IPersistStream))
        *out = static_cast<IPersistStreamInit*>(this);
    else if (IsEqualIID(iid, IID_IPersistPropertyBag))
        *out = static_cast<IPersistPropertyBag*>(this);
    else if (IsEqualIID(iid, IID_IConnectionPointContainer))
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
        *out = static_cast<IProvideClassInfo2*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ControlBase::AddRef() {
    return ++refs_;
}

ULONG ControlBase::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

// ---------------------------------------------------------------- IDispatch

HRESULT ControlBase::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = typeInfo_ ? 1 : 0;
    return S_OK;
}

HRESULT ControlBase::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!typeInfo_) return TYPE_E_CANTLOADLIBRARY;
    *info = typeInfo_.CopyOut();
    return S_OK;
}

HRESULT ControlBase::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (typeInfo_) return typeInfo_->GetIDsOfNames(names, count, ids);
    // Without the type library only the property names are known.
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0)
            for (const PropertyInfo& info : properties_)
                if (CompareStringOrdinal(names[0], -1, info.name, -1, TRUE) == CSTR_EQUAL) ids[0] = info.dispId;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT ControlBase::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* exception, UINT* argError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none{};
    if (!params) params = &none;
    return Guarded([&]() -> HRESULT {
        const PropertyInfo* info = FindProperty(properties_, id);
        if (!info) return InvokeMethod(id, params, result);
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            if (params->cNamedArgs > 1 ||
                (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
                return DISP_E_NONAMEDARGS;
            const HRESULT hr = PutProperty(*info, params->rgvarg[0], exception);
            if (hr == DISP_E_TYPEMISMATCH && argError) *argError = 0;
            return hr;
        }
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        VariantInit(result);
        return GetProperty(*info, result);
    });
}

HRESULT ControlBase::InvokeMethod(DISPID, DISPPARAMS*, VARIANT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT ControlBase::GetProperty(const PropertyInfo& info, VARIANT* result) const {
    const PropertyValue& value = values_[static_cast<size_t>(&info - properties_.data())];
    switch (info.kind) {
    case PropertyKind::Boolean:
        result->vt = VT_BOOL;
        result->boolVal = value.number ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case PropertyKind::Text:
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    case PropertyKind::Font:
        result->vt = VT_DISPATCH;
        result->pdispVal = nullptr;
        if (value.font) value.font->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(&result->pdispVal));
        return S_OK;
    default:
        result->vt = VT_I4;
        result->lVal = value.number;
        return S_OK;
    }
}

HRESULT ControlBase::Coerce(const PropertyInfo& info, const VARIANT& source, PropertyValue& out) const {
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, const_cast<VARIANT*>(&source)); // only read
    if (FAILED(hr)) return hr;
    VARIANT converted;
    VariantInit(&converted);
    switch (info.kind) {
    case PropertyKind::Colour:
        // Colours are signed 32-bit patterns; an unsigned form of the same bits is accepted too.
        hr = VariantChangeType(&converted, &value, 0, VT_I4);
        if (SUCCEEDED(hr)) {
            out.number = converted.lVal;
        } else if (SUCCEEDED(hr = VariantChangeType(&converted, &value, 0, VT_UI4))) {
            out.number = static_cast<std::int32_t>(converted.ulVal);
        }
        break;
    case PropertyKind::Boolean:
        hr = VariantChangeType(&converted, &value, 0, VT_BOOL);
        if (SUCCEEDED(hr)) out.number = converted.boolVal != VARIANT_FALSE ? 1 : 0;
        break;
    case PropertyKind::Integer: {
        // Kept wide here, so a value past the 32-bit range is refused or clamped rather than wrapped.
        hr = VariantChangeType(&converted, &value, 0, VT_R8);
        if (SUCCEEDED(hr)) {
            const double d = converted.dblVal;
            if (d != d) {
                hr = DISP_E_TYPEMISMATCH;
            } else {
                const double clamped = std::clamp(d, -9.0e15, 9.0e15);
                const auto wide = static_cast<std::int64_t>(clamped < 0 ? clamped - 0.5 : clamped + 0.5);
                out.number = InRange(info, wide) ? static_cast<std::int32_t>(wide) : ClampToRange(info, wide);
                if (!InRange(info, wide)) hr = kInvalidPropertyValue;
            }
        }
        break;
    }
    case PropertyKind::Text:
        hr = VariantChangeType(&converted, &value, 0, VT_BSTR);
        if (SUCCEEDED(hr)) out.text = FromBstr(converted.bstrVal);
        break;
    case PropertyKind::Font: {
        IUnknown* object = (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) ? value.punkVal : nullptr;
        ComPtr<IFont> font;
        hr = object ? font.QueryFrom(object, IID_IFont) : DISP_E_TYPEMISMATCH;
        // A font of its own, so the caller's later changes do not reach the control unseen.
        if (SUCCEEDED(hr)) hr = font->Clone(out.font.Put());
        break;
    }
    }
    VariantClear(&converted);
    VariantClear(&value);
    return hr;
}

HRESULT ControlBase::PutProperty(const PropertyInfo& info, const VARIANT& source, EXCEPINFO* exception) {
    PropertyValue value;
    HRESULT hr = Coerce(info, source, value);
    if (hr == kInvalidPropertyValue) return RaiseError(exception, hr);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    hr = CheckWrite(info, value);
    if (FAILED(hr)) return RaiseError(exception, hr);
    values_[static_cast<size_t>(&info - properties_.data())] = std::move(value);
    if (info.kind == PropertyKind::Font) fontFromAmbient_ = false;
    dirty_ = true;
    for (const ComPtr<IUnknown>& sink : notify_.Sinks()) {
        ComPtr<IPropertyNotifySink> notify;
        if (SUCCEEDED(notify.QueryFrom(sink.Get(), IID_IPropertyNotifySink))) notify->OnChanged(info.dispId);
    }
    OnPropertyChanged(info);
    return S_OK;
}

HRESULT ControlBase::CheckWrite(const PropertyInfo&, PropertyValue&) {
    return S_OK;
}

const PropertyValue& ControlBase::Value(int dispId) const {
    const int index = PropertyIndex(properties_, dispId);
    static const PropertyValue none;
    return index < 0 ? none : values_[static_cast<size_t>(index)];
}

COLORREF ControlBase::Colour(int dispId) const {
    const PropertyInfo* info = FindProperty(properties_, dispId);
    COLORREF rgb = 0;
    if (SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(Number(dispId)), nullptr, &rgb))) return rgb;
    // A value that names no colour (a system colour index past the last one, say) draws as the default.
    if (info && SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(info->defaultValue), nullptr, &rgb))) return rgb;
    return GetSysColor(COLOR_BTNFACE);
}

// ---------------------------------------------------------------- defaults and ambients

void ControlBase::SetDefaults() {
    for (size_t i = 0; i < properties_.size(); ++i) {
        const PropertyInfo& info = properties_[i];
        PropertyValue& value = values_[i];
        value.number = info.defaultValue;
        value.text = info.defaultText ? info.defaultText : L"";
        value.font.Reset();
    }
    fontFromAmbient_ = true;
    ApplyAmbientFont();
}

bool ControlBase::ReadAmbient(DISPID id, VARIANT& out) const {
    VariantInit(&out);
    if (!ambient_) return false;
    DISPPARAMS none{};
    return SUCCEEDED(ambient_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &out, nullptr,
                                      nullptr));
}

void ControlBase::ReadUserMode() {
    VARIANT value;
    userMode_ = true; // a host that does not say runs the control
    if (ReadAmbient(DISPID_AMBIENT_USERMODE, value) && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL)))
        userMode_ = value.boolVal != VARIANT_FALSE;
    VariantClear(&value);
}

ComPtr<IFont> ControlBase::CreateDefaultFont() const {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW logFont{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        logFont = metrics.lfMessageFont;
    else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.lpstrName = logFont.lfFaceName;
    const int dpi = ScreenPixelsPerInchY();
    const LONGLONG points = (static_cast<LONGLONG>(logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight) *
                             72 * 10000 + dpi / 2) / dpi;
    desc.cySize.int64 = points > 0 ? points : 80000;
    desc.sWeight = static_cast<SHORT>(logFont.lfWeight ? logFont.lfWeight : FW_NORMAL);
    desc.sCharset = logFont.lfCharSet;
    desc.fItalic = logFont.lfItalic != 0;
    desc.fUnderline = logFont.lfUnderline != 0;
    desc.fStrikethrough = logFont.lfStrikeOut != 0;
    ComPtr<IFont> font;
    OleCreateFontIndirect(&desc, IID_IFont, font.PutVoid());
    return font;
}

void ControlBase::ApplyAmbientFont() {
    const int index = [this] {
        for (size_t i = 0; i < properties_.size(); ++i)
            if (properties_[i].kind == PropertyKind::Font) return static_cast<int>(i);
        return -1;
    }();
    if (index < 0) return;
    ComPtr<IFont> font;
    VARIANT ambient;
    if (ReadAmbient(DISPID_AMBIENT_FONT, ambient) && (ambient.vt == VT_DISPATCH || ambient.vt == VT_UNKNOWN) &&
        ambient.punkVal) {
        ComPtr<IFont> host;
        if (SUCCEEDED(host.QueryFrom(ambient.punkVal, IID_IFont))) host->Clone(font.Put());
    }
    VariantClear(&ambient);
    if (!font) font = CreateDefaultFont();
    values_[static_cast<size_t>(index)].font = font;
}

bool ControlBase::IsDefault(const PropertyInfo& info, const PropertyValue& value) const {
    switch (info.kind) {
    case PropertyKind::Text:
        return value.text == (info.defaultText ? info.defaultText : L"");
    case PropertyKind::Font: {
        if (fontFromAmbient_ || !value.font) return true;
        VARIANT ambient;
        bool same = false;
        if (ReadAmbient(DISPID_AMBIENT_FONT, ambient) && (ambient.vt == VT_DISPATCH || ambient.vt == VT_UNKNOWN) &&
            ambient.punkVal) {
            ComPtr<IFont> host;
            if (SUCCEEDED(host.QueryFrom(ambient.punkVal, IID_IFont))) same = value.font->IsEqual(host.Get()) == S_OK;
        }
        VariantClear(&ambient);
        return same;
    }
    default:
        return value.number == info.defaultValue;
    }
}

// ---------------------------------------------------------------- IOleObject

HRESULT ControlBase::SetClientSite(IOleClientSite* site) {
    return Guarded([&]() -> HRESULT {
        if (!site && inPlaceActive_) InPlaceDeactivate();
        clientSite_.Reset(site);
        controlSite_.Reset();
        frameSite_.Reset();
        ambient_.Reset();
        inPlaceSite_.Reset();
        if (!site) return S_OK;
        controlSite_.QueryFrom(site, IID_IOleControlSite);
        frameSite_.QueryFrom(site, IID_ISimpleFrameSite);
        ambient_.QueryFrom(site, IID_IDispatch);
        ReadUserMode();
        if (fontFromAmbient_) ApplyAmbientFont();
        return S_OK;
    });
}

HRESULT ControlBase::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = clientSite_.CopyOut();
    return S_OK;
}

HRESULT ControlBase::Close(DWORD saveOption) {
    InPlaceDeactivate();
    if (dirty_ && clientSite_ && saveOption == OLECLOSE_SAVEIFDIRTY) clientSite_->SaveObject();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
    return Guarded([&]() -> HRESULT {
        const bool mayUiActivate = (MiscStatusBits() & OLEMISC_NOUIACTIVATE) == 0;
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
            return ActivateInPlace(mayUiActivate);
        case OLEIVERB_INPLACEACTIVATE:
            return ActivateInPlace(false);
        case OLEIVERB_HIDE:
            UIDeactivate();
            if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
            return S_OK;
        default:
            if (verb > 0) { // unknown positive verbs act as the primary one
                const HRESULT hr = ActivateInPlace(mayUiActivate);
                return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
            }
            return E_NOTIMPL;
        }
    });
}

HRESULT ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
    if (!verbs) return E_POINTER;
    return OleRegEnumVerbs(clsid_, verbs);
}

HRESULT ControlBase::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

HRESULT ControlBase::GetUserType(DWORD, LPOLESTR* userType) {
    if (!userType) return E_POINTER;
    *userType = nullptr;
    BSTR name = nullptr;
    if (!classInfo_ || FAILED(classInfo_->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)))
        return OLE_S_USEREG;
    const size_t bytes = (SysStringLen(name) + 1) * sizeof(wchar_t);
    *userType = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (*userType) std::memcpy(*userType, name, bytes);
    SysFreeString(name);
    return *userType ? S_OK : E_OUTOFMEMORY;
}

HRESULT ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!adviseHolder_) {
        const HRESULT hr = CreateOleAdviseHolder(adviseHolder_.Put());
        if (FAILED(hr)) return hr;
    }
    return adviseHolder_->Advise(sink, cookie);
}

HRESULT ControlBase::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT ControlBase::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : S_OK;
}

HRESULT ControlBase::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = MiscStatusBits();
    return S_OK;
}

// ---------------------------------------------------------------- in-place activation

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

HRESULT ControlBase::SetObjectRects(LPCRECT posRect, LPCRECT) {
    if (!posRect) return E_POINTER;
    return Guarded([&] {
        Place(*posRect);
        return S_OK;
    });
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
    if (!EqualRect(&fitted, &rect) && inPlaceSite_ && !placing_) {
        // The host learns the size the control keeps and places it again.
        placing_ = true;
        RECT asked = fitted;
        inPlaceSite_->OnPosRectChange(&asked);
        placing_ = false;
    }
}

HRESULT ControlBase::CreateControlWindow(HWND parent, const RECT& rect) {
    // The window class belongs to this module and goes with its last window (see WindowProc).
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(ModuleInstance(), windowClass_, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.style = WindowClassStyle();
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = windowClass_;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return HRESULT_FROM_WIN32(GetLastError());
    }
    const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    HWND created = CreateWindowExW(WS_EX_CONTROLPARENT, windowClass_, L"", style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, ModuleInstance(),
                                   this);
    if (!created) return HRESULT_FROM_WIN32(GetLastError());
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
}

LRESULT CALLBACK ControlBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<ControlBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        ++WindowsOf(self->windowClass_);
    } else {
        self = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self && self->hwnd_ == hwnd) self->hwnd_ = nullptr;
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        wchar_t name[64] = {};
        if (GetClassNameW(hwnd, name, 64) && --WindowsOf(name) == 0) UnregisterClassW(name, ModuleInstance());
        return result;
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
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(hwnd, &client);
        Paint(reinterpret_cast<HDC>(wParam), client, ScreenPixelsPerInchY());
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

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

void ControlBase::FireEvent(DISPID id, VARIANTARG* reversedArgs, UINT count) {
    if (freezeCount_ > 0) return;
    DISPPARAMS params{reversedArgs, nullptr, count, 0};
    for (const ComPtr<IUnknown>& sink : events_.Sinks()) {
        ComPtr<IDispatch> dispatch;
        if (SUCCEEDED(dispatch.QueryFrom(sink.Get(), IID_IDispatch)))
            dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
}

// ---------------------------------------------------------------- IOleControl

HRESULT ControlBase::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    if (info->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT ControlBase::OnAmbientPropertyChange(DISPID id) {
    return Guarded([&] {
        if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) ReadUserMode();
        if ((id == DISPID_AMBIENT_FONT || id == DISPID_UNKNOWN) && fontFromAmbient_) ApplyAmbientFont();
        Redraw();
        return S_OK;
    });
}

HRESULT ControlBase::FreezeEvents(BOOL freeze) {
    if (freeze)
        ++freezeCount_;
    else if (freezeCount_ > 0)
        --freezeCount_;
    return S_OK;
}

// ---------------------------------------------------------------- IViewObject2

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

// ---------------------------------------------------------------- persistence

HRESULT ControlBase::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT ControlBase::InitNew() {
    return Guarded([&] {
        SetDefaults();
        dirty_ = false;
        Redraw();
        return S_OK;
    });
}

namespace {

// The stream holds "VGUI", a format number, the entry count, then per entry the persisted name, a
// variant type and the value. Entries are looked up by name, so unknown ones are skipped.
constexpr std::uint32_t kStreamMagic = 0x49554756; // "VGUI"
constexpr std::uint32_t kStreamFormat = 1;
constexpr std::uint32_t kMaxText = 1u << 20;
constexpr VARTYPE kFontEntry = VT_DISPATCH;

class StreamWriter {
public:
    explicit StreamWriter(IStream* stream) : stream_(stream) {}
    void Bytes(const void* data, ULONG size) {
        if (SUCCEEDED(hr_)) {
            ULONG written = 0;
            hr_ = stream_->Write(data, size, &written);
            if (SUCCEEDED(hr_) && written != size) hr_ = STG_E_MEDIUMFULL;
        }
    }
    template <typename T>
    void Plain(T value) {
        Bytes(&value, sizeof(value));
    }
    void Text(const std::wstring& text) {
        Plain(static_cast<std::uint32_t>(text.size()));
        Bytes(text.data(), static_cast<ULONG>(text.size() * sizeof(wchar_t)));
    }
    HRESULT Result() const { return hr_; }

private:
    IStream* stream_;
    HRESULT hr_ = S_OK;
};

class StreamReader {
public:
    explicit StreamReader(IStream* stream) : stream_(stream) {}
    bool Bytes(void* data, ULONG size) {
        if (!ok_) return false;
        ULONG read = 0;
        ok_ = SUCCEEDED(stream_->Read(data, size, &read)) && read == size;
        return ok_;
    }
    template <typename T>
    bool Plain(T& value) {
        return Bytes(&value, sizeof(value));
    }
    bool Text(std::wstring& text) {
        std::uint32_t length = 0;
        if (!Plain(length) || length > kMaxText) return ok_ = false;
        text.assign(length, L'\0');
        return length == 0 || Bytes(text.data(), static_cast<ULONG>(length * sizeof(wchar_t)));
    }
    bool Ok() const { return ok_; }

private:
    IStream* stream_;
    bool ok_ = true;
};

} // namespace

HRESULT ControlBase::Load(IStream* stream) {
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        SetDefaults();
        StreamReader in(stream);
        std::uint32_t magic = 0, format = 0, count = 0;
        if (!in.Plain(magic) || !in.Plain(format) || !in.Plain(count) || magic != kStreamMagic ||
            format != kStreamFormat) {
            Redraw();
            return E_FAIL; // not a stream of ours: the control keeps its defaults
        }
        for (std::uint32_t i = 0; i < count && in.Ok(); ++i) {
            std::wstring name;
            VARTYPE type = VT_EMPTY;
            if (!in.Text(name) || !in.Plain(type)) break;
            VARIANT value;
            VariantInit(&value);
            if (type == VT_I4) {
                std::int32_t number = 0;
                if (!in.Plain(number)) break;
                value.vt = VT_I4;
                value.lVal = number;
            } else if (type == VT_BOOL) {
                std::int16_t flag = 0;
                if (!in.Plain(flag)) break;
                value.vt = VT_BOOL;
                value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
            } else if (type == VT_BSTR) {
                std::wstring text;
                if (!in.Text(text)) break;
                value.vt = VT_BSTR;
                value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            } else if (type == kFontEntry) {
                std::wstring face;
                std::int64_t size = 0;
                std::int16_t weight = 0, charset = 0;
                std::uint8_t flags[3] = {};
                if (!in.Text(face) || !in.Plain(size) || !in.Plain(weight) || !in.Plain(charset) ||
                    !in.Bytes(flags, sizeof(flags)))
                    break;
                FONTDESC desc{};
                desc.cbSizeofstruct = sizeof(desc);
                desc.lpstrName = face.data();
                desc.cySize.int64 = size;
                desc.sWeight = weight;
                desc.sCharset = charset;
                desc.fItalic = flags[0] != 0;
                desc.fUnderline = flags[1] != 0;
                desc.fStrikethrough = flags[2] != 0;
                value.vt = VT_UNKNOWN;
                if (FAILED(OleCreateFontIndirect(&desc, IID_IUnknown, reinterpret_cast<void**>(&value.punkVal))))
                    value.vt = VT_EMPTY;
            } else {
                break; // a type this format never writes: the rest cannot be read
            }
            for (size_t p = 0; p < properties_.size(); ++p) {
                const PropertyInfo& info = properties_[p];
                if (CompareStringOrdinal(name.c_str(), -1, info.persistName, -1, TRUE) != CSTR_EQUAL) continue;
                PropertyValue loaded;
                const HRESULT hr = Coerce(info, value, loaded);
                // Out of range: clamped; unreadable: the default stays.
                if (SUCCEEDED(hr) || hr == kInvalidPropertyValue) {
                    values_[p] = std::move(loaded);
                    if (info.kind == PropertyKind::Font) fontFromAmbient_ = false;
                }
            }
            VariantClear(&value);
        }
        dirty_ = false;
        Redraw();
        return S_OK;
    });
}

HRESULT ControlBase::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        std::vector<size_t> written;
        for (size_t p = 0; p < properties_.size(); ++p)
            if (!IsDefault(properties_[p], values_[p])) written.push_back(p);
        StreamWriter out(stream);
        out.Plain(kStreamMagic);
        out.Plain(kStreamFormat);
        out.Plain(static_cast<std::uint32_t>(written.size()));
        for (size_t p : written) {
            const PropertyInfo& info = properties_[p];
            const PropertyValue& value = values_[p];
            out.Text(info.persistName);
            switch (info.kind) {
            case PropertyKind::Boolean:
                out.Plain(static_cast<VARTYPE>(VT_BOOL));
                out.Plain(static_cast<std::int16_t>(value.number ? -1 : 0));
                break;
            case PropertyKind::Text:
                out.Plain(static_cast<VARTYPE>(VT_BSTR));
                out.Text(value.text);
                break;
            case PropertyKind::Font: {
                BSTR face = nullptr;
                CY size{};
                BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
                SHORT weight = FW_NORMAL, charset = DEFAULT_CHARSET;
                value.font->get_Name(&face);
                value.font->get_Size(&size);
                value.font->get_Bold(&bold);
                value.font->get_Weight(&weight);
                value.font->get_Charset(&charset);
                value.font->get_Italic(&italic);
                value.font->get_Underline(&underline);
                value.font->get_Strikethrough(&strike);
                out.Plain(kFontEntry);
                out.Text(FromBstr(face));
                SysFreeString(face);
                out.Plain(static_cast<std::int64_t>(size.int64));
                out.Plain(static_cast<std::int16_t>(weight));
                out.Plain(static_cast<std::int16_t>(charset));
                const std::uint8_t flags[3] = {static_cast<std::uint8_t>(italic ? 1 : 0),
                                               static_cast<std::uint8_t>(underline ? 1 : 0),
                                               static_cast<std::uint8_t>(strike ? 1 : 0)};
                out.Bytes(flags, sizeof(flags));
                break;
            }
            default:
                out.Plain(static_cast<VARTYPE>(VT_I4));
                out.Plain(value.number);
                break;
            }
        }
        if (FAILED(out.Result())) return out.Result();
        if (clearDirty) dirty_ = false;
        AfterSave();
        return S_OK;
    });
}

HRESULT ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    ComPtr<IStream> memory;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.Put());
    const bool wasDirty = dirty_;
    if (SUCCEEDED(hr)) hr = Save(memory.Get(), FALSE);
    dirty_ = wasDirty;
    if (FAILED(hr)) return hr;
    STATSTG stat{};
    hr = memory->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) *size = stat.cbSize;
    return hr;
}

HRESULT ControlBase::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        SetDefaults();
        for (size_t p = 0; p < properties_.size(); ++p) {
            const PropertyInfo& info = properties_[p];
            VARIANT value;
            VariantInit(&value);
            value.vt = StoredType(info.kind);
            // Absent or unreadable: the default stays; out of range: clamped.
            if (SUCCEEDED(bag->Read(info.persistName, &value, log))) {
                PropertyValue loaded;
                const HRESULT hr = Coerce(info, value, loaded);
                if (SUCCEEDED(hr) || hr == kInvalidPropertyValue) {
                    values_[p] = std::move(loaded);
                    if (info.kind == PropertyKind::Font) fontFromAmbient_ = false;
                }
            }
            VariantClear(&value);
        }
        dirty_ = false;
        Redraw();
        return S_OK;
    });
}

HRESULT ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        for (size_t p = 0; p < properties_.size(); ++p) {
            const PropertyInfo& info = properties_[p];
            if (!saveAll && IsDefault(info, values_[p])) continue;
            VARIANT value;
            VariantInit(&value);
            HRESULT hr = GetProperty(info, &value);
            if (SUCCEEDED(hr)) hr = bag->Write(info.persistName, &value);
            VariantClear(&value);
            if (FAILED(hr)) return hr;
        }
        if (clearDirty) dirty_ = false;
        AfterSave();
        return S_OK;
    });
}

// ---------------------------------------------------------------- connection points, class information

HRESULT ControlBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return Guarded([&] {
        std::vector<ComPtr<IConnectionPoint>> list{ComPtr<IConnectionPoint>(&events_),
                                                   ComPtr<IConnectionPoint>(&notify_)};
        return CreateConnectionPointEnumerator(std::move(list), points);
    });
}

HRESULT ControlBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (IsEqualIID(iid, eventsIid_))
        *point = &events_;
    else if (IsEqualIID(iid, IID_IPropertyNotifySink))
        *point = &notify_;
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

HRESULT ControlBase::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = classInfo_.CopyOut();
    return classInfo_ ? S_OK : TYPE_E_CANTLOADLIBRARY;
}

HRESULT ControlBase::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = eventsIid_;
    return S_OK;
}

} // namespace nivex::vgui
