#pragma once
// What a registration helper (`nivexcmd host`) reports back: the result of one attempt and, for a dry run,
// every key the server wrote with what the machine's registry holds there now. The helper writes the
// report to a file that Nivex names; Nivex reads it. Portable: the format and its checks live here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/reg_file.h"
#include "registration/reg_outcome.h"

namespace nivex {

// One key a server wrote during a dry run.
struct CapturedKey {
    RegFileKey written;                // under its real root's name ("HKEY_CLASSES_ROOT\CLSID\{...}")
    bool existed = false;              // the key is in the registry already (in the server's view)
    std::vector<RegFileValue> current; // its values there now (existed only)
};

enum class CaptureMark { New, Changed, Same };

// A value against the key's current values: New when no value of that name (letter case aside) is there,
// Changed when its type or bytes differ.
CaptureMark ValueMark(const RegFileValue& written, const CapturedKey& key);
// New when the key is not there; Changed when any written value is new or differs; Same otherwise.
CaptureMark KeyMark(const CapturedKey& key);
// "new", "changed", "same".
const wchar_t* MarkText(CaptureMark mark);

// "REG_SZ", "REG_DWORD", ... ("REG_0x1F" for a type without a name).
std::wstring ValueTypeName(std::uint32_t type);
// A value's data as the registry editor lists it: text as stored, numbers in decimal, bytes as hex pairs.
std::wstring ValueDataText(const RegFileValue& value);
// "(Default)" for the unnamed value, else the name.
std::wstring ValueNameText(const RegFileValue& value);

struct CaptureCounts {
    size_t keys = 0, added = 0, changed = 0, same = 0;
};

struct HostReport {
    RegResult result;
    std::uint16_t machine = 0;      // the helper's machine: whose registry view the keys belong to
    std::vector<CapturedKey> keys;  // dry runs only, parents before children
};

CaptureCounts CountMarks(const std::vector<CapturedKey>& keys);
// "the 64-bit registry view" (or 32-bit) for the helper's machine.
std::wstring RegistryViewText(std::uint16_t machine);

// UTF-8 lines; texts escaped so that a line break or a backslash in a name cannot end a field early.
std::string FormatHostReport(const HostReport& report);

// Nothing when the bytes are not one whole report (cut short, damaged, or written by something else):
// the caller then knows the helper ended without reporting.
std::optional<HostReport> ParseHostReport(std::string_view bytes);

} // namespace nivex
