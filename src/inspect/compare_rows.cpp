#include "inspect/compare_rows.h"

#include "common/format.h"

namespace nivex {

std::vector<CompareRow> CompareRows(const CompareFacts& first, const CompareFacts& second) {
    const std::pair<const wchar_t*, std::wstring CompareFacts::*> kRows[] = {
        {L"Filename", &CompareFacts::fileName},       {L"File Size", &CompareFacts::size},
        {L"Creation Date", &CompareFacts::created},   {L"Accessed Date", &CompareFacts::accessed},
        {L"Modified Date", &CompareFacts::modified},  {L"Description", &CompareFacts::description},
        {L"Version", &CompareFacts::version},         {L"Copyright", &CompareFacts::copyright},
    };
    std::vector<CompareRow> rows;
    rows.reserve(std::size(kRows));
    for (const auto& [element, field] : kRows) {
        CompareRow row{element, first.*field, second.*field, false};
        row.same = row.first == row.second;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::wstring CompactSizeText(std::optional<std::uint64_t> bytes) {
    if (!bytes) return L"N/A";
    return std::to_wstring(DivideRoundHalfEven(*bytes, 1024)) + L"KB";
}

} // namespace nivex
