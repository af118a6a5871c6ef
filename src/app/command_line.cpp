#include "app/command_line.h"

namespace nivex {

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

StartRequest ParseStartRequest(std::wstring_view arguments) {
    StartRequest request;
    if (arguments.size() < 2 || arguments[0] != L'/') return request;
    const wchar_t letter = arguments[1];
    if (letter == L'R' || letter == L'r') request.mode = RunMode::Register;
    else if (letter == L'U' || letter == L'u') request.mode = RunMode::Unregister;
    else return request;
    if (arguments.size() > 3) request.path = std::wstring(arguments.substr(3));
    return request;
}


} // namespace nivex
