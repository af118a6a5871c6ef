#pragma once
// The repair commands as the main window runs them on its selection: the operations, then what the
// catalogue needs afterwards. The main window applies the result (prune done here, or rescan).
#include <windows.h>

#include <functional>
#include <string>

#include "catalogue/catalogue.h"
#include "common/desktop.h"
#include "registration/outcome_display.h"

namespace nivex {

enum class CatalogueChange {
    None,        // nothing changed
    Updated,     // the catalogue was brought up to date here (nodes removed or added)
    NeedsRescan, // the registry changed in a way only a scan shows (partial removal, rollback, restore)
};

// Shows a text in the status bar's "STATUS" panel (empty function: nowhere).
using StatusText = std::function<void(const std::wstring& text)>;

// Edit > Remove Registry Keys for the library node keyed libraryKey (taken from the selected control's
// library node, never from the details list).
CatalogueChange RemoveKeysCommand(Catalogue& catalogue, const std::wstring& libraryKey, HWND owner, Desktop& desktop,
                                  RegistryView view = OwnView());

// ChangeFileReference for the library: removes its keys (after a backup, with the question) and registers
// newRef in their place. "Updating List....." shows meanwhile. Whatever the registration did (declined
// removal, rollback, copy to the System folder), only a scan shows the registry as it is: NeedsRescan
// whenever anything may have changed; the caller then selects a node again and shows its state.
CatalogueChange RelinkCommand(Catalogue& catalogue, const std::wstring& newRef, const std::wstring& libraryKey,
                              HWND owner, Desktop& desktop, OutcomeDisplay& display, const StatusText& status,
                              RegistryView view = OwnView());

} // namespace nivex
