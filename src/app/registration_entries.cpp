// Registering and unregistering from the File menu, the toolbar and the tray menu.
#include "app/main_commands.h"
#include "app/resource.h"
#include "common/scope_guard.h"
#include "registration/preview_window.h"
#include "registration/registration_commands.h"

namespace nivex {

namespace {

// While a flow's questions are up and its engine runs, the window is busy: no other command starts and
// no search moves the selection that the catalogue update works on.
void Run(const CommandContext& c, const std::function<RegOutcome()>& flow, const std::function<void()>& afterFlow = {}) {
    RegOutcome outcome = RegOutcome::Cancelled;
    c.RunBusy([&] { outcome = flow(); });
    CommandContext::Call(afterFlow);
    // The trees are redrawn only after a completed change; a failure leaves them alone.
    CommandContext::Call(outcome == RegOutcome::Completed ? c.showChanges : c.showCounts);
}

void RegisterFromMenu(const CommandContext& c) {
    const std::wstring saved = c.StatusText();
    c.SetStatusText(kUpdatingListText);
    ScopeGuard restore([&] { c.SetStatusText(saved); });
    Run(c, [&c] { return RegisterCommand(c.catalogue, c.owner, c.desktop, c.outcomes); },
        [&] {
            restore.Dismiss();
            c.SetStatusText(saved);
        });
}

} // namespace

void AddRegistrationCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuRegisterControl, kNeedsIdle, [&c] { RegisterFromMenu(c); });
    t.Add(mnuTrayRegisterControl, kNeedsNothing, [&c] { RegisterFromMenu(c); });
    t.Add(mnuUnregisterControl, kNeedsIdle | kNeedsPresentFile, [&c] {
        const SelectedControl selected = c.selection;
        // The command removes the library of the catalogue's selection: make it the selection's.
        CatalogueTree& all = c.catalogue.Tree(Catalogue::kAll);
        all.Select(all.FindByKey(selected.classId, selected.view));
        Run(c, [&] {
            return UnregisterSelectedCommand(c.catalogue, selected.resolvedPath, c.owner, c.desktop, c.outcomes);
        });
    });
    // A dry run changes nothing: it needs no selection and leaves the catalogue as it is.
    t.Add(mnuPreviewRegistration, kNeedsIdle, [&c] { PreviewRegistrationCommand(c.owner, c.desktop); });
    t.Add(mnuTrayUnregister, kNeedsNothing, [&c] {
        Run(c, [&c] { return TrayUnregisterCommand(c.catalogue, c.owner, c.desktop, c.outcomes); });
    });
}

} // namespace nivex
