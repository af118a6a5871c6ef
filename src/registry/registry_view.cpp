#include "registry/registry_view.h"

namespace nivex {

const wchar_t* ViewNumber(RegistryView view) { return view == RegistryView::Bits32 ? L"32" : L"64"; }

std::optional<RegistryView> ParseViewNumber(std::wstring_view text) {
    if (text == L"64") return RegistryView::Bits64;
    if (text == L"32") return RegistryView::Bits32;
    return std::nullopt;
}

} // namespace nivex
