#pragma once
// A program's own command line, as the programs of the line read it.
#include <string>
#include <string_view>

#include "common/base_namespace.h"
#include "common/text.h" // UnquotePath

namespace velmora {

// The arguments: what follows the program's own name and the one blank that separates them.
std::wstring ArgumentsOf(std::wstring_view fullCommandLine);

// One argument written so that the system's command-line splitting (CommandLineToArgvW, the C runtime)
// gives it back unchanged: quoted when it holds a blank, a tab or a quote, or is empty; quotes and the
// backslashes in front of them escaped.
std::wstring QuoteArgument(std::wstring_view argument);

} // namespace velmora
