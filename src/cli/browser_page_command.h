#pragma once
// nivexcmd testpage: the browser test page of one catalogued control, written to a file.
#include <string>

#include "catalogue/catalogue.h"
#include "cli/cli_options.h"

namespace nivex {

using CliWriter = void (*)(const std::wstring& text);

// The control node of the all-controls tree keyed classId (exactly, else without regard to case, as the
// registry compares keys); 0 when the class is not a catalogued control.
int FindCataloguedControl(const Catalogue& catalogue, const std::wstring& classId);

// Scans the registry and writes the page. Exit codes: 0 written, 1 not written, 4 not a catalogued control
// (an argument that is no class identifier at all is a usage error, refused before).
int RunTestPage(const CliOptions& options, CliWriter out, CliWriter err);

} // namespace nivex
