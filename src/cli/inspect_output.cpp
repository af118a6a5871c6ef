#include "cli/inspect_output.h"

#include <algorithm>

#include "cli/catalogue_output.h"
#include "common/text.h"
#include "inspect/import_walk.h"

namespace nivex {

namespace {

const wchar_t* const kLineEnd = L"\r\n";

void AppendList(std::wstring& out, const wchar_t* root, const std::vector<MentionedName>& names) {
    out += std::wstring(root) + kLineEnd;
    for (const MentionedName& item : names)
        out += L"  " + item.name + kLineEnd;
}

std::wstring JsonNames(const std::vector<MentionedName>& names) {
    std::wstring out = L"[";
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i ? L", " : L"") + JsonString(names[i].name);
    return out + L"]";
}

const wchar_t* Bool(bool value) { return value ? L"true" : L"false"; }

} // namespace

std::wstring DependencyReportText(const DependencyReport& report) {
    std::wstring out = L"File: " + report.file + kLineEnd;
    out += L"Machine: " + (report.machine ? Utf8ToWide(MachineName(*report.machine)) : L"(not a PE image)") + kLineEnd;
    AppendList(out, L"DLL Dependencies", report.mentioned.dll);
    AppendList(out, L"OCX Dependencies", report.mentioned.ocx);
    out += std::wstring(L"Imported Modules") + kLineEnd;
    for (const ResolvedImport& module : report.imports)
        out += L"  " + ImportNodeText(module) + kLineEnd;
    return out;
}

std::wstring DependencyReportJson(const DependencyReport& report) {
    std::wstring out = L"{\"file\": " + JsonString(report.file) + L", \"machine\": ";
    out += report.machine ? JsonString(Utf8ToWide(MachineName(*report.machine))) : L"null";
    out += L", \"mentioned\": {\"dll\": " + JsonNames(report.mentioned.dll) +
           L", \"ocx\": " + JsonNames(report.mentioned.ocx) + L"}, \"imports\": [";
    for (std::size_t i = 0; i < report.imports.size(); ++i) {
        const ResolvedImport& m = report.imports[i];
        out += (i ? L", " : L"") + std::wstring(L"{\"name\": ") + JsonString(ModuleNameText(m.name)) +
               L", \"delayed\": " + Bool(m.delayed) + L", \"apiSet\": " + Bool(m.apiSet) + L", \"resolved\": " +
               (m.resolved ? JsonString(*m.resolved) : L"null") + L"}";
    }
    return out + L"]}" + kLineEnd;
}

std::wstring CompareRowsText(const std::vector<CompareRow>& rows) {
    std::size_t width = 0;
    for (const CompareRow& row : rows)
        width = std::max(width, row.element.size());
    std::wstring out;
    for (const CompareRow& row : rows) {
        out += row.element + std::wstring(width - row.element.size() + 2, L' ') + (row.same ? L"YES  " : L"NO   ") +
               row.first + L" | " + row.second + kLineEnd;
    }
    return out;
}

std::wstring CompareRowsJson(const std::vector<CompareRow>& rows) {
    std::wstring out = L"[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CompareRow& r = rows[i];
        out += (i ? L", " : L"") + std::wstring(L"{\"element\": ") + JsonString(r.element) + L", \"first\": " +
               JsonString(r.first) + L", \"second\": " + JsonString(r.second) + L", \"same\": " + Bool(r.same) + L"}";
    }
    return out + L"]" + kLineEnd;
}

} // namespace nivex
