#pragma once
// Text and JSON forms of "nivexcmd deps" and "nivexcmd compare".
#include <string>
#include <vector>

#include "inspect/compare_rows.h"
#include "inspect/dependency_report.h"

namespace nivex {

// The viewer's three lists, each under its root's text, one name per line.
std::wstring DependencyReportText(const DependencyReport& report);
// {"file", "machine", "mentioned": {"dll", "ocx"}, "imports": [{"name", "delayed", "apiSet", "resolved"}]}
std::wstring DependencyReportJson(const DependencyReport& report);

// One line per row: element, the two values and YES or NO.
std::wstring CompareRowsText(const std::vector<CompareRow>& rows);
// [{"element", "first", "second", "same"}...]
std::wstring CompareRowsJson(const std::vector<CompareRow>& rows);

} // namespace nivex
