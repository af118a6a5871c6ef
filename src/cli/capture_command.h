#pragma once
#include "cli/cli_options.h"

namespace nivex {

// capture FILE [--reg OUT] [--json]: exit code 0 when the dry run completed, the registration exit codes
// otherwise (nothing is written to --reg then), 1 when --reg could not be written.
int RunCaptureCommand(const CliOptions& options);

} // namespace nivex
