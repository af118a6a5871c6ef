// Tools > Compare Files and Tools > Dependency Viewer: the selected control's server file in the
// compare window and the dependency viewer, which then follows the selection while it is shown.
#include "app/main_commands.h"
#include "app/resource.h"
#include "inspect/compare_window.h"
#include "inspect/dependency_window.h"

namespace nivex {

void AddInspectCommands(CommandTable& t, const CommandContext& c) {
    // The first box takes the selection's file when there is one; the user may browse for both.
    t.Add(mnuCompareFiles, kNeedsIdle, [&c] { frmCompare::Open(c.owner, c.desktop, c.selection.resolvedPath); });
    t.Add(mnuDependency, kNeedsIdle | kNeedsSelection,
          [&c] { frmDependency::Open(c.owner, c.desktop, c.selection.resolvedPath); });
    if (c.addSelectionListener) {
        c.addSelectionListener([](const SelectedControl& selected) {
            if (!selected.IsEmpty()) frmDependency::FollowSelection(selected.resolvedPath);
        });
    }
}

} // namespace nivex
