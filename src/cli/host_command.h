#pragma once
// nivexcmd host: the registration helper, for Nivex's and nivexcmd's own use.
#include <string>
#include <vector>

namespace nivex {

// args: what follows "host". Returns the process exit code (0 when the report was written).
int RunHostCommand(const std::vector<std::wstring>& args);

} // namespace nivex
