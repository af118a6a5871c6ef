#pragma once
// The eight rows of a file comparison: what each file shows, and whether the two agree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nivex {

// The facts of one file as the comparison shows them.
struct CompareFacts {
    std::wstring fileName; // already upper-cased
    std::wstring size;     // "NKB", or "N/A" when the length cannot be read
    std::wstring created, accessed, modified;
    std::wstring description, version, copyright;
};

struct CompareRow {
    std::wstring element;
    std::wstring first;
    std::wstring second;
    bool same = false;
};

// "Filename", "File Size", "Creation Date", "Accessed Date", "Modified Date", "Description", "Version",
// "Copyright", in that order; a row is the same when its two texts are exactly equal.
std::vector<CompareRow> CompareRows(const CompareFacts& first, const CompareFacts& second);

// Whole kilobytes, rounded half to even, directly followed by "KB"; "N/A" without a length.
std::wstring CompactSizeText(std::optional<std::uint64_t> bytes);

} // namespace nivex
