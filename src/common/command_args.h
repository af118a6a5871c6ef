#pragma once
// A program's own command line, as the programs of the line read it.
#include <string>
#include <string_view>

#include "common/base_namespace.h"

namespace velmora {

// The arguments: what follows the program's own name and the one blank that separates them.
std::wstring ArgumentsOf(std::wstring_view fullCommandLine);

// Removes one pair of double quotes around a text (the shell verbs quote "%1").
std::wstring UnquotePath(std::wstring_view path);

} // namespace velmora
