#pragma once
// Raw value reads shared by cRegistry, the settings store and the catalogue scan.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nivex {

// Reads the type and all bytes of a value. A value that grows between the size query and the read
// is read again with the new size rather than cut short. typeFound is set once the value was seen.
LONG ReadRawValue(HKEY key, const std::wstring& name, std::optional<DWORD>& typeFound, std::vector<std::uint8_t>& data);

// Environment references expanded; the text as given when the platform cannot expand it.
std::wstring ExpandEnvironmentText(const std::wstring& text);

} // namespace nivex
