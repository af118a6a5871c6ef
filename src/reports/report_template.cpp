#include "reports/report_template.h"

#include "common/text.h"

namespace nivex {

namespace {

const wchar_t* const kHead = L"[HEAD]";
const wchar_t* const kTypeLib = L"[TYPELIB]";
const wchar_t* const kControl = L"[CONTROL]";
const wchar_t* const kFoot = L"[FOOT]";

std::vector<std::wstring_view> SplitLines(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == L'\r' && start < text.size() && text[start] == L'\n') ++start;
    }
    return lines;
}

} // namespace

bool IsValidTemplateText(std::wstring_view text) { return TemplateTextProblem(text).empty(); }

std::wstring TemplateTextProblem(std::wstring_view text) {
    const wchar_t* const markers[] = {kHead, kTypeLib, kControl, kFoot};
    size_t at[4];
    for (size_t i = 0; i < 4; ++i) {
        at[i] = text.find(markers[i]);
        if (at[i] == std::wstring_view::npos) return std::wstring(L"The section marker ") + markers[i] + L" is missing.";
    }
    for (size_t i = 1; i < 4; ++i)
        if (at[i] < at[i - 1])
            return std::wstring(L"The section marker ") + markers[i] + L" comes before " + markers[i - 1] +
                   L": the markers must stand in the order [HEAD], [TYPELIB], [CONTROL], [FOOT].";
    return {};
}

std::wstring CodePageWebName(unsigned codePage) {
    switch (codePage) {
    case 932: return L"shift_jis";
    case 936: return L"gbk";
    case 949: return L"euc-kr";
    case 950: return L"big5";
    case 65001: return L"utf-8";
    default: return L"windows-" + std::to_wstring(codePage);
    }
}

TemplateSections ParseTemplate(std::wstring_view text) {
    const std::vector<std::wstring_view> lines = SplitLines(text);
    auto firstLine = [&](std::wstring_view marker, size_t from) {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == marker) return i;
        return lines.size();
    };
    // Lines [from, to) without the given marker lines, each followed by CR LF.
    auto collect = [&](size_t from, size_t to, std::wstring_view skip) {
        std::wstring out;
        for (size_t i = from; i < to && i < lines.size(); ++i) {
            if (lines[i] == skip) continue;
            out.append(lines[i]);
            out.append(L"\r\n");
        }
        return out;
    };
    TemplateSections sections;
    const size_t lib = firstLine(kTypeLib, 0);
    sections.head = collect(0, lib, kHead);
    if (lib < lines.size()) sections.library = collect(lib + 1, firstLine(kControl, lib + 1), kTypeLib);
    const size_t control = firstLine(kControl, 0);
    if (control < lines.size()) sections.control = collect(control + 1, firstLine(kFoot, control + 1), kControl);
    const size_t foot = firstLine(kFoot, 0);
    if (foot < lines.size()) sections.foot = collect(foot + 1, lines.size(), kFoot);
    return sections;
}

std::wstring EscapeHtml(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        switch (ch) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::wstring ApplyTokens(std::wstring_view section, const TokenValues& tokens, bool escapeHtml) {
    std::wstring result(section);
    for (const auto& [token, value] : tokens) {
        if (result.find(token) == std::wstring::npos) continue;
        result = ReplaceAll(result, token, escapeHtml ? EscapeHtml(value) : value);
    }
    return result;
}

TokenValues HeadTokens(const HeadValues& v) {
    return {{L"%DATE", v.date},
            {L"%CONTROL_COUNT", std::to_wstring(v.controls)},
            {L"%LIB_COUNT", std::to_wstring(v.libraries)},
            {L"%MISSING_COUNT", std::to_wstring(v.missing)},
            {L"%APP_VERSION", v.appVersion},
            {L"%CHARSET", v.charset}};
}

TokenValues LibraryTokens(const LibraryValues& v) {
    auto fact = [&](const std::wstring& value) { return v.fileMissing ? std::wstring(L"N/A") : value; };
    return {{L"%TYPELIB_NAME", v.name},
            {L"%FILENAME", v.fileName},
            {L"%STATUS", v.fileMissing ? L"Missing File!" : L"Registered."},
            {L"%FILE_SIZE", fact(v.size)},
            {L"%CREATION_DATE", fact(v.created)},
            {L"%ACCESSED_DATE", fact(v.accessed)},
            {L"%MODIFIED_DATE", fact(v.modified)},
            {L"%FILE_DESCRIPTION", fact(v.description)},
            {L"%FILE_VERSION", fact(v.version)},
            {L"%FILE_COPYRIGHT", fact(v.copyright)},
            {L"%REGISTRY_VIEW", v.view}};
}

TokenValues ControlTokens(const ControlValues& v) {
    return {{L"%CONTROL_NAME", v.name}, {L"%CONTROL_VERSION", v.version}, {L"%CLSID", v.clsid},
            {L"%PROGID", v.progId},     {L"%TYPELIB", v.typeLib},         {L"%TOOLBOX_BITMAP", v.toolboxBitmap},
            {L"%REGISTRY_VIEW", v.view}};
}

} // namespace nivex
