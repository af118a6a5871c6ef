// Registering and unregistering from the File menu, the toolbar and the tray menu.
#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "common/scope_guard.h"
#include "registration/reg_status_window.h"
#include "registration/registration_commands.h"

namespace nivex {

namespace {

// The status window is where the program shows an outcome.
StatusWindowDisplay statusWindow;

// While a flow's questions are up and its engine runs, the window is busy: no other command starts and
// no search moves the selection that the catalogue update works on.
void Run(MainWindow& w, const std::function<RegOutcome()>& flow, const std::function<void()>& afterFlow = {}) {
    RegOutcome outcome = RegOutcome::Cancelled;
    w.RunBusy([&] { outcome = flow(); });
    if (afterFlow) afterFlow();
    // The trees are redrawn only after a completed change; a failure leaves them alone.
    if (outcome == RegOutcome::Completed) w.ShowCatalogueChanges();
    else w.ShowCounts();
}

void RegisterFromMenu(MainWindow& w) {
    const std::wstring saved = w.PanelText(MainWindow::kPanelStatus);
    w.SetStatusText(kUpdatingListText);
    ScopeGuard restore([&] { w.SetStatusText(saved); });
    Run(w, [&w] { return RegisterCommand(w.Model(), w.Handle(), statusWindow); },
        [&] {
            restore.Dismiss();
            w.SetStatusText(saved);
        });
}

} // namespace

void AddRegistrationCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    t.Add(mnuRegisterControl, kNeedsIdle, [&w] { RegisterFromMenu(w); });
    t.Add(mnuTrayRegisterControl, kNeedsNothing, [&w] { RegisterFromMenu(w); });
    t.Add(mnuUnregisterControl, kNeedsIdle | kNeedsPresentFile, [&w] {
        const SelectedControl selected = w.Selection();
        // The command removes the library of the catalogue's selection: make it the one on screen.
        CatalogueTree& all = w.Model().Tree(Catalogue::kAll);
        all.Select(all.FindByKey(selected.classId));
        Run(w, [&] { return UnregisterSelectedCommand(w.Model(), selected.resolvedPath, w.Handle(), statusWindow); });
    });
    t.Add(mnuTrayUnregister, kNeedsNothing,
          [&w] { Run(w, [&w] { return TrayUnregisterCommand(w.Model(), w.Handle(), statusWindow); }); });
}

} // namespace nivex
