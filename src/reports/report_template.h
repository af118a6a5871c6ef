#pragma once
// Report templates: four marked sections whose text is copied into a report with %-tokens replaced.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nivex {

struct TemplateSections {
    std::wstring head;    // each line followed by CR LF
    std::wstring library;
    std::wstring control;
    std::wstring foot;
};

// The four markers are present and in the order [HEAD] [TYPELIB] [CONTROL] [FOOT] (first occurrences).
bool IsValidTemplateText(std::wstring_view text);
// Why a template text is not valid, as a sentence naming the marker it lacks or the two that stand out of
// order; empty when it is valid.
std::wstring TemplateTextProblem(std::wstring_view text);

// Splits a template into its sections. Markers count only as whole lines; lines may end in CR LF, LF or CR.
TemplateSections ParseTemplate(std::wstring_view text);

using TokenValues = std::vector<std::pair<std::wstring, std::wstring>>;

// Replaces each token in turn, in the result of the previous replacement.
// For HTML reports the values are escaped first (& < > ") since they come from the registry.
std::wstring ApplyTokens(std::wstring_view section, const TokenValues& tokens, bool escapeHtml);

std::wstring EscapeHtml(std::wstring_view text);

struct HeadValues {
    std::wstring date;
    long long controls = 0;
    long long libraries = 0;
    long long missing = 0;
    std::wstring appVersion;
    std::wstring charset; // the web name of the code page the report is written in
};

// The name a web page declares for a Windows code page ("windows-1251", "shift_jis", "utf-8");
// "windows-" and the number for one without a common name.
std::wstring CodePageWebName(unsigned codePage);

struct LibraryValues {
    std::wstring name;
    std::wstring view; // "32-bit" or "64-bit": the registry view of the library's registration
    std::wstring fileName;
    bool fileMissing = false;
    // The file facts; ignored (reported as "N/A") when the file is missing.
    std::wstring size, created, accessed, modified, description, version, copyright;
};

struct ControlValues {
    std::wstring name, version, clsid, progId, typeLib, toolboxBitmap;
    std::wstring view; // as LibraryValues::view
};

TokenValues HeadTokens(const HeadValues& v);
TokenValues LibraryTokens(const LibraryValues& v);
TokenValues ControlTokens(const ControlValues& v);

} // namespace nivex
