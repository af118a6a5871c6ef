#pragma once
// Rights on demand for the operations that change registry keys directly (key removal, Edit Data,
// restoring a backup): after a failure for lack of rights, and only when this program runs without
// administrator rights, the same work is offered again in a helper (nivexcmd) started with them.
#include <optional>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "registry/registry_view.h"

namespace nivex {

struct ElevatedRetry {
    bool ran = false;       // the user agreed (or was not asked) and the helper was started
    bool succeeded = false; // it ended with exit code 0
    std::wstring problem;   // why it did not start, or how it ended otherwise
};

// failure: the message that says what failed; title: its title. ask false runs without the question
// (nivexcmd --elevate). arguments: nivexcmd's command line after its name, quoted.
ElevatedRetry RetryAsAdministrator(Desktop& desktop, WindowRef owner, const std::wstring& failure,
                                   const std::wstring& title, const std::wstring& arguments, bool ask = true);

// "host OPERATION --redirect ... [--view 32|64] -- OPERAND..." for the helper's registry operations
// (delete-keys, edit, restore), quoted, with this process's redirected keys so that the helper changes the
// registry it sees, and the view the keys live in (a restore takes its view from the backup's header).
std::wstring HostOperationArguments(const std::wstring& operation, const std::vector<std::wstring>& operands,
                                    std::optional<RegistryView> view = std::nullopt);

// The system's "access denied" among error numbers.
constexpr long kAccessDeniedError = 5;

} // namespace nivex
