#pragma once
// nivexcmd testpage: the browser test page of one catalogued control, written to a file.
#include <string>

#include "catalogue/catalogue.h"
#include "cli/cli_options.h"

namespace nivex {

using CliWriter = void (*)(const std::wstring& text);

// Scans the registry and writes the page of the control (in options.view when given). Exit codes: 0 written,
// 1 not written, 2 the class is catalogued in both views and no view was given, 4 not a catalogued control
// (an argument that is no class identifier at all is a usage error, refused before).
int RunTestPage(const CliOptions& options, CliWriter out, CliWriter err);

} // namespace nivex
