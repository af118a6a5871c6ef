// Tools > Compare Files and Tools > Dependency Viewer: the selected control's server file in the
// compare window and the dependency viewer, which then follows the selection while it is shown.
#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "common/desktop.h"
#include "inspect/compare_window.h"
#include "inspect/dependency_window.h"

namespace nivex {

void AddInspectCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    // The first box takes the selection's file when there is one; the user may browse for both.
    t.Add(mnuCompareFiles, kNeedsIdle, [&w] { frmCompare::Open(w.Handle(), TheDesktop(), w.Selection().resolvedPath); });
    t.Add(mnuDependency, kNeedsIdle | kNeedsSelection,
          [&w] { frmDependency::Open(w.Handle(), TheDesktop(), w.Selection().resolvedPath); });
    w.AddSelectionListener([](const SelectedControl& selected) {
        if (!selected.IsEmpty()) frmDependency::FollowSelection(selected.resolvedPath);
    });
}

} // namespace nivex
