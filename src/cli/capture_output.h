#pragma once
// nivexcmd capture: a dry run's keys as text, as JSON and as a registry file. Portable.
#include <string>

#include "registration/reg_host_report.h"

namespace nivex {

// A heading (file, registry view, counts), then each key with its mark and its values indented under it.
std::wstring CaptureText(const HostReport& report, const std::wstring& file);

// {"file", "view": "64-bit"|"32-bit"|null, "counts": {...}, "keys": [{"path", "mark", "values": [{"name",
// "type", "data", "mark"}...]}...]}; data as the registry editor lists it.
std::wstring CaptureJson(const HostReport& report, const std::wstring& file);

// The keys as written (real root paths) in the registry editor's import format.
std::wstring CaptureRegFileText(const HostReport& report);

} // namespace nivex
