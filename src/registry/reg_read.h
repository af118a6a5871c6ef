#pragma once
// Reading registry values: the platform half of the one decoder (registry/reg_value.h). Every reader of
// value text (the scan, the control's registration, Edit Data, the settings store, cRegistry) reads here.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry/reg_value.h"

namespace nivex {

// Reads the type and all bytes of a value. A value that grows between the size query and the read
// is read again with the new size rather than cut short. typeFound is set once the value was seen.
LONG ReadRawValue(HKEY key, const std::wstring& name, std::optional<DWORD>& typeFound, std::vector<std::uint8_t>& data);

// Environment references expanded; the text as given when the platform cannot expand it.
std::wstring ExpandEnvironmentText(const std::wstring& text);

// The value (null or empty name: the default value) decoded by DecodeRegValue, with the platform's expansion;
// nullopt when it is absent, cannot be read, or decodes to no value. A small value costs one round trip.
std::optional<std::wstring> ReadValueText(HKEY key, const wchar_t* name, const RegTextOptions& options = {});

// The default value of parent\path as ReadValueText gives it, empty when the key has none; nullopt when the
// key does not exist. viewAccess: the registry view's flag (registry/registry_views.h), 0 for this program's own.
std::optional<std::wstring> ReadKeyDefaultText(HKEY parent, const wchar_t* path, const RegTextOptions& options = {},
                                               REGSAM viewAccess = 0);

} // namespace nivex
