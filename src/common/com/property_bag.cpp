#include "common/com/property_bag.h"

#include <new>

namespace nivex {
namespace {
// The variant functions only read their source, but some headers declare it without const.
VARIANT* Source(const VARIANT* value) {
    return const_cast<VARIANT*>(value);
}
} // namespace

MemoryPropertyBag* MemoryPropertyBag::Create() {
    return new (std::nothrow) MemoryPropertyBag();
}

MemoryPropertyBag* MemoryPropertyBag::FromText(std::wstring_view text) {
    MemoryPropertyBag* bag = Create();
    if (!bag) return nullptr;
    try {
        while (!text.empty()) {
            const size_t end = text.find_first_of(L"\r\n");
            std::wstring_view line = text.substr(0, end);
            text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
            while (!line.empty() && (line.front() == L' ' || line.front() == L'\t'))
                line.remove_prefix(1);
            const size_t equals = line.find(L'=');
            if (line.empty() || line.front() == L';' || equals == std::wstring_view::npos) continue;
            std::wstring_view name = line.substr(0, equals);
            while (!name.empty() && (name.back() == L' ' || name.back() == L'\t'))
                name.remove_suffix(1);
            bag->SetText(name, line.substr(equals + 1));
        }
    } catch (...) {
        bag->Release();
        return nullptr;
    }
    return bag;
}

MemoryPropertyBag::~MemoryPropertyBag() {
    for (Entry& e : entries_)
        VariantClear(&e.value);
}

HRESULT MemoryPropertyBag::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
        *out = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG MemoryPropertyBag::AddRef() {
    return ++refs_;
}

ULONG MemoryPropertyBag::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

const VARIANT* MemoryPropertyBag::Find(std::wstring_view name) const {
    for (const Entry& e : entries_)
        if (CompareStringOrdinal(e.name.data(), static_cast<int>(e.name.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
            return &e.value;
    return nullptr;
}

void MemoryPropertyBag::Set(std::wstring_view name, const VARIANT& value) {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantCopy(&copy, Source(&value)))) throw std::bad_alloc();
    if (auto* existing = const_cast<VARIANT*>(Find(name))) {
        VariantClear(existing);
        *existing = copy;
        return;
    }
    entries_.push_back(Entry{std::wstring(name), copy});
}

void MemoryPropertyBag::SetText(std::wstring_view name, std::wstring_view value) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!text.bstrVal) throw std::bad_alloc();
    Set(name, text);
    VariantClear(&text);
}

std::vector<std::wstring> MemoryPropertyBag::Names() const {
    std::vector<std::wstring> names;
    for (const Entry& e : entries_)
        names.push_back(e.name);
    return names;
}

HRESULT MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    const VARIANT* stored = Find(name);
    if (!stored) return E_INVALIDARG; // absent
    const VARTYPE wanted = value->vt;
    VariantInit(value);
    if (wanted == VT_EMPTY || wanted == stored->vt) return VariantCopy(value, Source(stored));
    // Asked for another type: converted when possible, else handed over as stored, so the reader
    // applies its own rules (a colour written as an unsigned number, say) or its default.
    if (SUCCEEDED(VariantChangeType(value, Source(stored), 0, wanted))) return S_OK;
    VariantInit(value);
    return VariantCopy(value, Source(stored));
}

HRESULT MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    try {
        Set(name, *value);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace nivex
