#pragma once
// The registry view a registration lives in. On 64-bit Windows the system keeps CLSID (and Interface)
// once for 64-bit and once for 32-bit programs; TypeLib and ProgID keys are shared. On 32-bit Windows
// there is one view, the 32-bit one.
#include <optional>
#include <string_view>

namespace nivex {

enum class RegistryView : unsigned char { Bits64, Bits32 };

// "64" or "32", as nivexcmd and reports write a view.
const wchar_t* ViewNumber(RegistryView view);
// "64" or "32" (nullopt for anything else).
std::optional<RegistryView> ParseViewNumber(std::wstring_view text);

} // namespace nivex
