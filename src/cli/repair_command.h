#pragma once
// nivexcmd's repair commands: remove-keys, edit, restore, find-file, relink. Never asks.
#include "cli/cli_options.h"

namespace nivex {

// Runs the command in options.command with options.rest; returns the exit code.
int RunRepairCommand(const CliOptions& options);

} // namespace nivex
