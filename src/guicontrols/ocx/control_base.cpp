// ControlBase: construction, the interface table and the property store with its defaults and the
// host's ambient values. The interfaces themselves are in control_*.cpp, one group per file.
#include "guicontrols/ocx/control_base.h"

#include <olectl.h>

#include "guicontrols/ocx/control_support.h"
#include "guicontrols/ocx/module.h"

namespace nivex::vgui {

// ---------------------------------------------------------------- construction

namespace {

// Hears the caption font object's own changes (a script setting TitleBarFont.Bold): they are changes of
// the control. Held by the font, so it holds no reference to the control.
class FontSink final : public IPropertyNotifySink {
public:
    explicit FontSink(ControlBase* control) : owner(control) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink) ? this : nullptr;
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
    STDMETHODIMP OnChanged(DISPID) override {
        if (owner) owner->FontChanged();
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
    ControlBase* owner; // cleared when the control goes

private:
    ~FontSink() = default;
    ULONG refs_ = 1;
};

} // namespace

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
    WatchFont(); // stops listening to the font
    if (fontSink_) static_cast<FontSink*>(fontSink_.Get())->owner = nullptr;
    typeInfo_.Reset();
    classInfo_.Reset();
    ObjectDestroyed(); // last: it may let the type library go
}

// ---------------------------------------------------------------- IUnknown

namespace {

template <typename Interface>
void* As(ControlBase* self) {
    return static_cast<Interface*>(self);
}

// Every interface the controls answer to, and the part of the object that serves it. IPersistStreamInit
// has IPersistStream's layout with InitNew added, so it serves both.
struct InterfaceEntry {
    const IID* iid;
    void* (*cast)(ControlBase*);
};
const InterfaceEntry kInterfaces[] = {
    {&IID_IUnknown, As<IOleObject>},
    {&IID_IOleObject, As<IOleObject>},
    {&IID_IDispatch, As<IDispatch>},
    {&IID_IOleWindow, As<IOleInPlaceObject>},
    {&IID_IOleInPlaceObject, As<IOleInPlaceObject>},
    {&IID_IOleInPlaceActiveObject, As<IOleInPlaceActiveObject>},
    {&IID_IOleControl, As<IOleControl>},
    {&IID_IViewObject, As<IViewObject2>},
    {&IID_IViewObject2, As<IViewObject2>},
    {&IID_IPersist, As<IPersistStreamInit>},
    {&IID_IPersistStream, As<IPersistStreamInit>},
    {&IID_IPersistStreamInit, As<IPersistStreamInit>},
    {&IID_IPersistPropertyBag, As<IPersistPropertyBag>},
    {&IID_IPersistStorage, As<IPersistStorage>},
    {&IID_IObjectSafety, As<IObjectSafety>},
    {&IID_IConnectionPointContainer, As<IConnectionPointContainer>},
    {&IID_IProvideClassInfo, As<IProvideClassInfo2>},
    {&IID_IProvideClassInfo2, As<IProvideClassInfo2>},
};

} // namespace

HRESULT ControlBase::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, dispatchIid_)) *out = static_cast<IDispatch*>(this);
    for (const InterfaceEntry& entry : kInterfaces)
        if (!*out && IsEqualIID(iid, *entry.iid)) *out = entry.cast(this);
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
    WatchFont();
}

void ControlBase::WatchFont() {
    IFont* current = nullptr;
    for (size_t i = 0; i < values_.size(); ++i)
        if (properties_[i].kind == PropertyKind::Font) current = values_[i].font.Get();
    if (current == watchedFont_.Get()) return;
    if (fontPoint_) fontPoint_->Unadvise(fontCookie_);
    fontPoint_.Reset();
    watchedFont_.Reset(current);
    if (!current) return;
    if (!fontSink_) fontSink_.Attach(new FontSink(this));
    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(points.QueryFrom(current, IID_IConnectionPointContainer)) &&
        SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, fontPoint_.Put())) &&
        FAILED(fontPoint_->Advise(fontSink_.Get(), &fontCookie_)))
        fontPoint_.Reset();
}

void ControlBase::FontChanged() {
    for (const PropertyInfo& info : properties_) {
        if (info.kind != PropertyKind::Font) continue;
        fontFromAmbient_ = false; // now a font of the control's own
        dirty_ = true;
        NotifyChanged(info.dispId);
        OnPropertyChanged(info);
    }
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

} // namespace nivex::vgui
