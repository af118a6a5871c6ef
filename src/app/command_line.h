#pragma once
// How a run of the main program is decided from its command line.
#include <string>
#include <string_view>

#include "common/command_args.h"

namespace nivex {

enum class RunMode { Interactive, Register, Unregister };

struct StartRequest {
    RunMode mode = RunMode::Interactive;
    std::wstring path; // for the one-shot runs: the text from the fourth character on, unchanged
};

// "/R" or "/U" (any case) as the first two characters, one separating character, then the path.
StartRequest ParseStartRequest(std::wstring_view arguments);

} // namespace nivex
