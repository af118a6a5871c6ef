#pragma once
// Helpers shared by ControlBase's files; not for the controls themselves.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

namespace nivex::vgui {

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

inline std::wstring FromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// A variant that clears itself.
struct ScopedVariant : VARIANT {
    ScopedVariant() { VariantInit(this); }
    ~ScopedVariant() { VariantClear(this); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

} // namespace nivex::vgui
