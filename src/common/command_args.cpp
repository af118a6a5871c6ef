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

} // namespace velmora
