#pragma once
// The comparison of two files as the compare window and "nivexcmd compare" show it.
#include <string>
#include <vector>

#include "inspect/compare_rows.h"

namespace nivex {

// The text the compared files are named by: upper-cased by the system's rules (not only A to Z).
std::wstring UpperCaseName(const std::wstring& text);

// The eight rows for two files, each named by its box text (the file name without folder) and examined
// at its path. A value that cannot be read shows what the file facts show for it ("Unknown" dates, empty
// version fields) or "N/A" for the size.
std::vector<CompareRow> CompareFiles(const std::wstring& firstName, const std::wstring& firstPath,
                                     const std::wstring& secondName, const std::wstring& secondPath);

// name + " does not exist!": the message for a compared file that is not there.
std::wstring DoesNotExistText(const std::wstring& name);

} // namespace nivex
