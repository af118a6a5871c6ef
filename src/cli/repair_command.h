#pragma once
// nivexcmd's repair commands: remove-keys, edit, restore, find-file, relink. Never asks.
#include "cli/cli_options.h"
#include "common/desktop.h"

namespace nivex {

// Runs the command in options.command with options.rest; returns the exit code. desktop takes what an
// operation would say to a person.
int RunRepairCommand(const CliOptions& options, Desktop& desktop);

} // namespace nivex
