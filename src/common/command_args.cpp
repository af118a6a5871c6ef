#include "common/command_args.h"

namespace velmora {

std::wstring ArgumentsOf(std::wstring_view line) {
    size_t pos = 0;
    // The program name: quoted up to the closing quote, else up to the first blank or tab.
    if (!line.empty() && line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        pos = close == std::wstring_view::npos ? line.size() : close + 1;
    }
    while (pos < line.size() && line[pos] != L' ' && line[pos] != L'\t') ++pos;
    // Exactly one separating blank belongs to the program name; further blanks are the arguments' own.
    if (pos < line.size()) ++pos;
    return std::wstring(line.substr(pos));
}

std::wstring QuoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a quote: double them there, and escape the quote.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    // ... and in front of the closing quote.
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

} // namespace velmora
