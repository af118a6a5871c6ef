// ControlBase: connection points (IConnectionPointContainer), events and property-change notices.
#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"

namespace nivex::vgui {

void ControlBase::FireEvent(DISPID id, VARIANTARG* reversedArgs, UINT count) {
    if (freezeCount_ > 0) return;
    DISPPARAMS params{reversedArgs, nullptr, count, 0};
    for (const ComPtr<IUnknown>& sink : events_.Sinks()) {
        ComPtr<IDispatch> dispatch;
        if (SUCCEEDED(dispatch.QueryFrom(sink.Get(), IID_IDispatch)))
            dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
}

void ControlBase::NotifyChanged(DISPID id) {
    for (const ComPtr<IUnknown>& sink : notify_.Sinks()) {
        ComPtr<IPropertyNotifySink> notify;
        if (SUCCEEDED(notify.QueryFrom(sink.Get(), IID_IPropertyNotifySink))) notify->OnChanged(id);
    }
}

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

} // namespace nivex::vgui
