#include "inspect/file_compare.h"

#include <windows.h>

#include <optional>

#include "common/error.h"
#include "common/text.h"
#include "inspect/file_facts.h"

namespace nivex {

std::wstring UpperCaseName(const std::wstring& text) {
    if (text.empty()) return text;
    const int needed = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(),
                                     static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr, 0);
    if (needed <= 0) return ToUpperText(text);
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    const int written = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(),
                                      static_cast<int>(text.size()), out.data(), needed, nullptr, nullptr, 0);
    if (written <= 0) return ToUpperText(text);
    out.resize(static_cast<std::size_t>(written));
    return out;
}

namespace {
std::wstring SizeOf(const std::wstring& path) {
    std::optional<std::uint64_t> length;
    try {
        length = FileLength(path);
    } catch (const Error&) {
        // A file that exists but cannot be examined (denied, locked folder) shows "N/A" here.
    }
    return CompactSizeText(length);
}
} // namespace

std::vector<CompareRow> CompareFiles(const std::wstring& firstName, const std::wstring& firstPath,
                                     const std::wstring& secondName, const std::wstring& secondPath) {
    // Row by row, both files each time: the dates are read before any version resource is, so reading
    // one file's resource cannot change the access date shown for the other (or for itself).
    CompareFacts a, b;
    a.fileName = UpperCaseName(firstName);
    b.fileName = UpperCaseName(secondName);
    a.size = SizeOf(firstPath);
    b.size = SizeOf(secondPath);
    const std::pair<std::wstring CompareFacts::*, const wchar_t*> dates[] = {
        {&CompareFacts::created, L"create"}, {&CompareFacts::accessed, L"access"}, {&CompareFacts::modified, L"modify"}};
    for (const auto& [field, which] : dates) {
        a.*field = GetFileDate(firstPath, which);
        b.*field = GetFileDate(secondPath, which);
    }
    const std::pair<std::wstring CompareFacts::*, const wchar_t*> fields[] = {
        {&CompareFacts::description, L"FileDescription"}, {&CompareFacts::version, L"FileVersion"},
        {&CompareFacts::copyright, L"LegalCopyright"}};
    for (const auto& [field, name] : fields) {
        a.*field = GetFileVersionField(firstPath, name);
        b.*field = GetFileVersionField(secondPath, name);
    }
    return CompareRows(a, b);
}

std::wstring DoesNotExistText(const std::wstring& name) { return name + L" does not exist!"; }

} // namespace nivex
