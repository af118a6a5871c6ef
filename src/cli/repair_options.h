#pragma once
// The command lines of nivexcmd's repair commands: remove-keys, edit, restore, find-file, relink.
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "registry/registry_view.h"

namespace nivex {

// Exit code of the repair commands when the catalogue has no such library or control
// (find-file: when nothing was found).
constexpr int kExitNotFound = 4;

// True (and command set) for the name of a repair command.
bool IsRepairCommand(const std::wstring& name, CliCommand& command);

struct RepairOptions {
    std::wstring id;      // LIBID or CLSID, as given
    std::wstring element; // edit
    std::wstring value;   // edit
    std::wstring file;    // restore, relink
    std::wstring folder;  // find-file --in
    bool yes = false;     // remove-keys --yes
    bool recursive = false;
    CliPlacement placement = CliPlacement::Default; // relink
    bool elevate = false;                            // relink, remove-keys, edit, restore: --elevate
    std::optional<RegistryView> view;               // --view 32|64: the registration's view
    bool help = false;
};

struct RepairParse {
    RepairOptions options;
    std::wstring error; // empty when usable
};

// args: what follows the command's name.
RepairParse ParseRepairArguments(CliCommand command, const std::vector<std::wstring>& args);

} // namespace nivex
