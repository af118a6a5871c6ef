#pragma once
// A program's own command line, as the programs of the line read it.
#include <string>
#include <string_view>

#include "common/base_namespace.h"
#include "common/text.h" // UnquotePath

namespace velmora {

// The arguments: what follows the program's own name and the one blank that separates them.
std::wstring ArgumentsOf(std::wstring_view fullCommandLine);

} // namespace velmora
