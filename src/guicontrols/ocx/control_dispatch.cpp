// ControlBase: IDispatch over the property table, the class information (IProvideClassInfo2), and the
// safety a script host asks about (IObjectSafety).
#include <olectl.h>

#include <algorithm>
#include <cstring>

#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/control_support.h"
#include "guicontrols/ocx/module.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {
namespace {

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

} // namespace

HRESULT ControlBase::LoadTypeInfo() {
    ComPtr<ITypeLib> library;
    HRESULT hr = GetTypeLibrary(library.Put());
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(dispatchIid_, typeInfo_.Put());
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(clsid_, classInfo_.Put());
    return hr;
}

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
    if (info.kind == PropertyKind::Font) {
        fontFromAmbient_ = false;
        WatchFont();
    }
    dirty_ = true;
    NotifyChanged(info.dispId);
    OnPropertyChanged(info);
    return S_OK;
}

HRESULT ControlBase::CheckWrite(const PropertyInfo&, PropertyValue&) {
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

// The controls run no code of their own and read no files: calls from a script and values from any
// property set or stream are safe.
constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

HRESULT ControlBase::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = *enabled = 0;
    ComPtr<IUnknown> served;
    if (FAILED(QueryInterface(iid, served.PutVoid()))) return E_NOINTERFACE;
    *supported = kSafeOptions;
    *enabled = safety_;
    return S_OK;
}

HRESULT ControlBase::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    ComPtr<IUnknown> served;
    if (FAILED(QueryInterface(iid, served.PutVoid()))) return E_NOINTERFACE;
    if (mask & ~kSafeOptions) return E_FAIL; // a safety the controls do not offer
    safety_ = (safety_ & ~mask) | (enabled & mask);
    return S_OK;
}

} // namespace nivex::vgui
