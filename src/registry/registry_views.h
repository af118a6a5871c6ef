#pragma once
// The registry views of this machine, the access flag that opens a key in one of them, and paths and
// environment references judged as a server of a view would see them.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "registry/registry_view.h"

namespace nivex {

// KEY_WOW64_64KEY or KEY_WOW64_32KEY: added to the access mask of every open, create and RegDeleteKeyExW.
// The program's own view needs no flag and gets none: that is the same key, and Wine lets a flagged open of
// HKEY_CLASSES_ROOT pass by a RegOverridePredefKey redirection.
REGSAM ViewAccess(RegistryView view);

// The flag for opens relative to a key already opened in view. A 64-bit program's handle into the 32-bit
// view leads only to that view's keys without it (and Wine looks for a Wow6432Node at every level of a
// flagged open, three times the requests); a 32-bit program names the 64-bit view on every open, or the
// redirector takes it back to the 32-bit one.
REGSAM ViewAccessBelow(RegistryView view);

// True on 64-bit Windows, whichever bitness this program is.
bool IsWindows64();

// The views this machine has: both on 64-bit Windows (64-bit first), the 32-bit one on 32-bit Windows.
// Inside a ScopedOwnViewOnly (a test's registry sandbox) only the program's own view.
std::vector<RegistryView> MachineViews();

// While one lives, MachineViews() gives the own view alone: a RegOverridePredefKey sandbox cannot show the
// other view (a flagged open would reach the real registry).
class ScopedOwnViewOnly {
public:
    ScopedOwnViewOnly();
    ~ScopedOwnViewOnly();
    ScopedOwnViewOnly(const ScopedOwnViewOnly&) = delete;
    ScopedOwnViewOnly& operator=(const ScopedOwnViewOnly&) = delete;
};

// The view a server of this machine type registers in (a 64-bit server in the 64-bit view, anything else in
// the 32-bit one); nullopt for 0 (unknown).
std::optional<RegistryView> ViewOfMachine(unsigned short machine);

// This machine's System folders as this program names them (worked out once); a test may replace them.
const ViewFolders& MachineViewFolders();
void SetMachineViewFolders(std::optional<ViewFolders> folders); // nullopt: the machine's own again

// A path as a server of view opens it, named for this program (PathInView with this machine's folders).
std::wstring ServerFileInView(const std::wstring& path, RegistryView view);
// The System folder of view as this program names it; the own view's is SystemFolder().
std::wstring SystemFolderOfView(RegistryView view);

// Expands environment references as a program of view would (RenameViewVariables, then the expansion).
std::wstring ExpandForView(const std::wstring& text, RegistryView view);
// The same as a RegTextOptions expander for a view.
using ViewExpanderFn = std::wstring (*)(const std::wstring& text);
ViewExpanderFn ViewExpander(RegistryView view);

} // namespace nivex
