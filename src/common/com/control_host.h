#pragma once
// The container side of an ActiveX control placed on a plain Win32 window: client site, in-place
// site, control site, ambient properties (from the hosting window's font and the system colours),
// simple-frame site (what windows inside a frame control send reaches the hosting window), and the
// property-notify and event sinks.
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <memory>
#include <string>

#include "common/com/com_ptr.h"

namespace nivex {

class ControlSite;

class ControlHost {
public:
    using EventHandler = std::function<void(DISPID id, const DISPPARAMS& params)>;
    using ChangeHandler = std::function<void(DISPID id)>;

    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    // Creates a control from its class object, loads its properties from bag (defaults when bag is
    // nullptr), sites it on window at rect (client pixels) and activates it in place.
    static HRESULT Create(IClassFactory* factory, HWND window, const RECT& rect, IPropertyBag* bag,
                          std::unique_ptr<ControlHost>& out);

    // The control's own window (a frame control's windows go inside it); nullptr when it has none.
    HWND ControlWindow() const;
    IUnknown* Control() const { return object_.Get(); }
    ComPtr<IDispatch> Dispatch() const;
    // Where the control is now: it may have kept a size of its own.
    RECT Rect() const;
    void Move(const RECT& rect);
    // Design mode (false) lets properties be set that a running control refuses.
    void SetUserMode(bool userMode);
    void OnEvent(EventHandler handler);
    void OnPropertyChanged(ChangeHandler handler);
    HRESULT Save(IPropertyBag* bag);

private:
    ControlHost() = default;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<ControlSite> site_;
    ComPtr<IConnectionPoint> eventPoint_;
    ComPtr<IConnectionPoint> notifyPoint_;
    ComPtr<IDispatch> eventSink_;
    ComPtr<IPropertyNotifySink> notifySink_;
    DWORD eventCookie_ = 0;
    DWORD notifyCookie_ = 0;
};

// Gives the user-interface-active control the first look at a key message; true when it used it.
// For the message loop of a window that hosts controls.
bool TranslateControlAccelerator(MSG* msg);

// The class object of a control: from the registration when the class is registered, else from
// the library file itself (a user without administrator rights, a copied folder). The library
// stays loaded for the life of the process. Fills why when it fails.
HRESULT GetControlClassObject(const CLSID& clsid, const std::wstring& libraryPath, IClassFactory** factory,
                              std::wstring* why = nullptr);

} // namespace nivex
