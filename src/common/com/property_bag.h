#pragma once
// A property bag held in memory: what a window keeps for each control placed on it. Values keep the
// type they were written with and are converted to the type a reader asks for.
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <string_view>
#include <vector>

namespace nivex {

class MemoryPropertyBag final : public IPropertyBag {
public:
    // A new bag with one reference, owned by the caller.
    static MemoryPropertyBag* Create();
    // "Name=Value" lines (blank lines and lines starting with ';' skipped) as text values; the
    // control converts each to its property's type. Lines without '=' are ignored.
    static MemoryPropertyBag* FromText(std::wstring_view text);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    // The names in the order they were first written.
    std::vector<std::wstring> Names() const;
    // The stored value (not converted), or nullptr.
    const VARIANT* Find(std::wstring_view name) const;
    void Set(std::wstring_view name, const VARIANT& value);
    void SetText(std::wstring_view name, std::wstring_view value);

private:
    MemoryPropertyBag() = default;
    ~MemoryPropertyBag();
    struct Entry {
        std::wstring name;
        VARIANT value;
    };
    ULONG refs_ = 1;
    std::vector<Entry> entries_;
};

} // namespace nivex
