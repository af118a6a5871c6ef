#pragma once
// Text helpers that need no platform header.
#include <string>
#include <string_view>

#include "common/base_namespace.h"

namespace velmora {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

// Letter-case folding for comparisons the registry and file system make without regard to case.
std::wstring ToLowerText(std::wstring_view text);
std::wstring ToUpperText(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);

std::wstring Trim(std::wstring_view text);
// The text before the first NUL (the whole text when it holds none).
std::wstring CutAtNul(std::wstring_view text);
// Replace every occurrence of what (literal, case-sensitive) with with.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with);
// Removes one pair of double quotes around a path (the shell verbs quote "%1").
std::wstring UnquotePath(std::wstring_view path);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits of either case.
bool IsBracedGuid(std::wstring_view text);

} // namespace velmora
