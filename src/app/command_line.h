#pragma once
// How a run of the main program is decided from its command line.
#include <string>
#include <string_view>

namespace nivex {

enum class RunMode { Interactive, Register, Unregister };

struct StartRequest {
    RunMode mode = RunMode::Interactive;
    std::wstring path; // for the one-shot runs: the text from the fourth character on, unchanged
};

// The arguments: what follows the program's own name and the one blank that separates them.
std::wstring ArgumentsOf(std::wstring_view fullCommandLine);

// "/R" or "/U" (any case) as the first two characters, one separating character, then the path.
StartRequest ParseStartRequest(std::wstring_view arguments);


} // namespace nivex
