// ControlBase: the OLE object (IOleObject) and control (IOleControl) interfaces.
#include <olectl.h>

#include <cstring>

#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {

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

// As the registration names the class: "VelmoraGUI Bevel" in full, "Bevel" short.
HRESULT ControlBase::GetUserType(DWORD form, LPOLESTR* userType) {
    if (!userType) return E_POINTER;
    *userType = nullptr;
    BSTR name = nullptr;
    if (!classInfo_ || FAILED(classInfo_->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)))
        return OLE_S_USEREG;
    const std::wstring shortName = FromBstr(name);
    SysFreeString(name);
    const std::wstring text = form == USERCLASSTYPE_SHORT     ? shortName
                              : form == USERCLASSTYPE_APPNAME ? std::wstring(kLibraryName)
                                                              : std::wstring(kLibraryName) + L" " + shortName;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *userType = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (*userType) std::memcpy(*userType, text.c_str(), bytes);
    return *userType ? S_OK : E_OUTOFMEMORY;
}

HRESULT ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT) return DV_E_DVASPECT;
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

} // namespace nivex::vgui
