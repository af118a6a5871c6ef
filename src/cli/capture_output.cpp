#include "cli/capture_output.h"

#include "cli/catalogue_output.h"
#include "inspect/pe_imports.h"

namespace nivex {

namespace {

std::wstring Counts(const CaptureCounts& c) {
    return std::to_wstring(c.keys) + L" keys: " + std::to_wstring(c.added) + L" new, " + std::to_wstring(c.changed) +
           L" changed, " + std::to_wstring(c.same) + L" same";
}

} // namespace

std::wstring CaptureText(const HostReport& report, const std::wstring& file) {
    std::wstring out = L"Dry run of " + file + L" in " + RegistryViewText(report.machine) + L": " +
                       Counts(CountMarks(report.keys)) + L"\r\n";
    for (const CapturedKey& key : report.keys) {
        out += L"[" + std::wstring(MarkText(KeyMark(key))) + L"] " + key.written.path + L"\r\n";
        for (const RegFileValue& v : key.written.values)
            out += L"    [" + std::wstring(MarkText(ValueMark(v, key))) + L"] " + ValueNameText(v) + L" " +
                   ValueTypeName(v.type) + L" " + ValueDataText(v) + L"\r\n";
    }
    return out;
}

std::wstring CaptureJson(const HostReport& report, const std::wstring& file) {
    const CaptureCounts c = CountMarks(report.keys);
    const int bits = MachineBits(report.machine);
    std::wstring out = L"{\"file\": " + JsonString(file) + L", \"view\": " +
                       (bits == 0 ? std::wstring(L"null") : L"\"" + std::to_wstring(bits) + L"-bit\"") +
                       L", \"counts\": {\"keys\": " + std::to_wstring(c.keys) + L", \"new\": " +
                       std::to_wstring(c.added) + L", \"changed\": " + std::to_wstring(c.changed) + L", \"same\": " +
                       std::to_wstring(c.same) + L"}, \"keys\": [";
    bool firstKey = true;
    for (const CapturedKey& key : report.keys) {
        out += std::wstring(firstKey ? L"" : L", ") + L"{\"path\": " + JsonString(key.written.path) + L", \"mark\": \"" +
               MarkText(KeyMark(key)) + L"\", \"values\": [";
        firstKey = false;
        bool firstValue = true;
        for (const RegFileValue& v : key.written.values) {
            out += std::wstring(firstValue ? L"" : L", ") + L"{\"name\": " + JsonString(v.name) + L", \"type\": " +
                   JsonString(ValueTypeName(v.type)) + L", \"data\": " + JsonString(ValueDataText(v)) +
                   L", \"mark\": \"" + MarkText(ValueMark(v, key)) + L"\"}";
            firstValue = false;
        }
        out += L"]}";
    }
    return out + L"]}\r\n";
}

std::wstring CaptureRegFileText(const HostReport& report) {
    std::vector<RegFileKey> keys;
    for (const CapturedKey& key : report.keys) keys.push_back(key.written);
    return FormatRegFile(keys);
}

} // namespace nivex
