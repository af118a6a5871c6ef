#pragma once
// What both VelmoraGUI controls share: the OLE control interfaces containers expect, a property
// store driven by the property table, persistence, connection points and the in-place window.
// The implementation is split by interface group: control_base.cpp (interface table, property store),
// control_dispatch.cpp, control_ole_object.cpp, control_in_place.cpp, control_view.cpp,
// control_persistence.cpp, control_events.cpp.
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "guicontrols/control_properties.h"
#include "guicontrols/paint_plan.h"
#include "guicontrols/ocx/connection_point.h"

namespace nivex::vgui {

// One property's value; which member counts depends on the property's kind.
struct PropertyValue {
    std::int32_t number = 0;
    std::wstring text;
    ComPtr<IFont> font;
};

// Where a control paints: its size in pixels of the device drawn on and their vertical resolution, and
// the rectangle of dc's logical units those pixels fill (the pixels themselves, or a metafile's units).
struct PaintTarget {
    HDC dc = nullptr;
    int width = 0;
    int height = 0;
    int pixelsPerInchY = 96;
    RECT logical{};
    // A rectangle of pixels (right and bottom exclusive) in dc's units.
    RECT ToLogical(const PixelRect& pixels) const;
    // A height in pixels in dc's units.
    int HeightToLogical(int pixels) const;
    // Fills each step's area with its colour, in order.
    void Fill(const std::vector<PaintStep>& steps) const;
};

// Error numbers the controls raise through IDispatch, as facility-control HRESULTs.
inline constexpr HRESULT kInvalidPropertyValue = CTL_E_INVALIDPROPERTYVALUE;   // 380
inline constexpr HRESULT kSetNotSupportedAtRunTime = CTL_E_SETNOTSUPPORTEDATRUNTIME; // 382

class ControlBase : public IDispatch,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObject2,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IPersistStorage,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2,
                    public IObjectSafety {
public:
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT posRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* userType) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT posRect, LPCRECT clipRect) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; } // the controls have no keys of their own
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice,
                      HDC dc, LPCRECTL bounds, LPCRECTL windowBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
    STDMETHODIMP HandsOffStorage() override { return S_OK; } // no storage is held

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

    // The caption font object changed by itself (a script set TitleBarFont.Bold, say).
    void FontChanged();

protected:
    ControlBase(const CLSID& clsid, const IID& dispatchIid, const IID& eventsIid,
                std::span<const PropertyInfo> properties, const wchar_t* windowClass);
    virtual ~ControlBase();

    // Hooks of the two controls.
    // Refuses a written value (an HRESULT of the control facility) or adjusts it; S_OK keeps it.
    virtual HRESULT CheckWrite(const PropertyInfo& info, PropertyValue& value);
    // After a stored property changed (not while loading).
    virtual void OnPropertyChanged(const PropertyInfo& info) = 0;
    // Paints the control onto target.
    virtual void Paint(const PaintTarget& target) = 0;
    // The rectangle the control occupies when given posRect (the etched line keeps its thickness).
    virtual RECT FitRect(const RECT& posRect) const { return posRect; }
    virtual DWORD MiscStatusBits() const = 0;
    virtual UINT WindowClassStyle() const { return CS_HREDRAW | CS_VREDRAW; }
    // Messages of the in-place window before the common handling; true when handled.
    virtual bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Dispatch methods other than the property accessors.
    virtual HRESULT InvokeMethod(DISPID id, DISPPARAMS* params, VARIANT* result);
    virtual void AfterSave() {}

    const PropertyValue& Value(int dispId) const;
    std::int32_t Number(int dispId) const { return Value(dispId).number; }
    // A colour property resolved to RGB; a value that names no colour draws as its default.
    COLORREF Colour(int dispId) const;
    HWND ControlWindow() const { return hwnd_; }
    bool UserMode() const { return userMode_; }
    IOleControlSite* ControlSite() const { return controlSite_.Get(); }
    ISimpleFrameSite* FrameSite() const { return frameSite_.Get(); }
    IOleInPlaceSite* InPlaceSite() const { return inPlaceSite_.Get(); }
    const RECT& PosRect() const { return posRect_; }
    // Moves the in-place window to FitRect(rect) and tells the site when that differs from rect.
    void Place(RECT rect);
    // Repaints the window and tells view sinks that the picture changed.
    void Redraw();
    void FireEvent(DISPID id, VARIANTARG* reversedArgs, UINT count);
    bool EventsFrozen() const { return freezeCount_ > 0; }
    // The resolution the in-place window is painted at.
    static int ScreenPixelsPerInchY();

private:
    // A source or sink of persisted values by name, as IPropertyBag's Read and Write.
    using PropertyReader = std::function<HRESULT(const wchar_t* name, VARIANT* value)>;
    using PropertyWriter = std::function<HRESULT(const wchar_t* name, const VARIANT& value)>;

    // Every property from read (absent or unreadable: its default; out of range: clamped), then clean.
    void LoadProperties(const PropertyReader& read);
    // The properties that differ from their defaults (all with saveAll), in table order.
    HRESULT SaveProperties(bool saveAll, const PropertyWriter& write);
    // Tells the property-notify sinks that a property changed.
    void NotifyChanged(DISPID id);
    // Listens to the caption font object now held (once it was replaced).
    void WatchFont();
    void ApplyClip();
    HRESULT GetProperty(const PropertyInfo& info, VARIANT* result) const;
    HRESULT PutProperty(const PropertyInfo& info, const VARIANT& value, EXCEPINFO* exception);
    // The value as the property's kind, or an error when it cannot be one.
    HRESULT Coerce(const PropertyInfo& info, const VARIANT& value, PropertyValue& out) const;
    void SetDefaults();
    void ApplyAmbientFont();
    ComPtr<IFont> CreateDefaultFont() const;
    bool ReadAmbient(DISPID id, VARIANT& out) const;
    void ReadUserMode();
    bool IsDefault(const PropertyInfo& info, const PropertyValue& value) const;
    HRESULT ActivateInPlace(bool uiActivate);
    HRESULT CreateControlWindow(HWND parent, const RECT& rect);
    void DestroyControlWindow();
    HRESULT LoadTypeInfo();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintWindow();
    void PaintClient(HDC dc, int pixelsPerInchY);

    ULONG refs_ = 1;
    CLSID clsid_;
    IID dispatchIid_;
    IID eventsIid_;
    std::span<const PropertyInfo> properties_;
    std::vector<PropertyValue> values_;
    bool fontFromAmbient_ = true;
    bool dirty_ = false;
    bool loaded_ = false; // by a Load of any persistence interface: InitNew may no longer come
    bool storageInitialised_ = false;
    DWORD safety_ = 0;    // the IObjectSafety options the host enabled
    bool userMode_ = true;
    int freezeCount_ = 0;
    const wchar_t* windowClass_;

    ComPtr<ITypeInfo> typeInfo_;
    ComPtr<ITypeInfo> classInfo_;

    ComPtr<IOleClientSite> clientSite_;
    ComPtr<IOleControlSite> controlSite_;
    ComPtr<ISimpleFrameSite> frameSite_;
    ComPtr<IDispatch> ambient_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAdviseFlags_ = 0;
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool placing_ = false;
    HWND hwnd_ = nullptr;
    RECT posRect_{};
    RECT clipRect_{};
    SIZEL extent_{2540, 2540};

    ConnectionPoint events_;
    ConnectionPoint notify_;
    ComPtr<IPropertyNotifySink> fontSink_;
    ComPtr<IConnectionPoint> fontPoint_; // of the font listened to
    ComPtr<IFont> watchedFont_;          // held, so a new font never takes its address
    DWORD fontCookie_ = 0;
};

} // namespace nivex::vgui
