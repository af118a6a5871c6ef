// Repairing registrations from the File and Edit menus and the toolbar: removing a library's keys,
// editing a control's data, finding a missing server file, restoring a backup.
#include "app/main_commands.h"
#include "app/resource.h"
#include "catalogue/control_registration.h"
#include "registration/repair_commands.h"
#include "registration/repair_operations.h"
#include "registration/repair_windows.h"

namespace nivex {

namespace {

// Trees and counters after an operation: redrawn when it updated them, rescanned when only a scan can
// tell (a partial removal, a rollback, an import). A node is selected again either way, so the status bar
// shows that selection's state.
void Apply(const CommandContext& c, CatalogueChange change) {
    if (change == CatalogueChange::Updated) CommandContext::Call(c.showChanges);
    else if (change == CatalogueChange::NeedsRescan) CommandContext::Call(c.rescan);
}

std::wstring SelectedElement(const CommandContext& c) { return c.selectedElement ? c.selectedElement() : L""; }

// The row's element is the one the details view filled it with; the value and the caption's name come
// from the registry, never from the screen.
void EditSelectedRow(const CommandContext& c) {
    EditDataRequest request;
    request.element = SelectedElement(c);
    if (request.element.empty()) return;
    request.classId = c.selection.classId;
    request.view = c.selection.view;
    request.controlName = ReadClassValue(request.classId, L"", c.selection.view).value_or(L"N/A");
    EditDataCommand(c.owner, c.desktop, request, [&c](const std::wstring& element, const std::wstring& value) {
        if (c.showElementValue) c.showElementValue(element, value);
    });
}

} // namespace

void AddRepairCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuRemoveRegistryKeys, kNeedsIdle | kNeedsMissingFile, [&c] {
        const SelectedControl selected = c.selection;
        CatalogueChange change = CatalogueChange::None;
        c.RunBusy(
            [&] { change = RemoveKeysCommand(c.catalogue, selected.libraryKey, c.owner, c.desktop, selected.view); });
        Apply(c, change);
    });
    t.Add(mnuSearchForFile, kNeedsIdle | kNeedsMissingFile, [&c] {
        const SelectedControl selected = c.selection;
        CatalogueChange change = CatalogueChange::None;
        c.RunBusy([&] {
            change = FindMissingFileCommand(
                c.catalogue, selected.resolvedPath, selected.libraryKey, c.owner, c.desktop, c.outcomes,
                [&c](const std::wstring& text) { c.SetStatusText(text); }, selected.view);
        });
        Apply(c, change);
        if (change == CatalogueChange::None) c.SetStatusText(c.selection.resolvedPath);
    });
    t.Add(
        mnuEditInformation, kNeedsIdle | kNeedsSelection, [&c] { EditSelectedRow(c); },
        [&c] { return !SelectedElement(c).empty(); });
    t.Add(mnuRestoreRegistryKeys, kNeedsIdle, [&c] {
        if (RestoreListCommand(c.owner, c.desktop)) CommandContext::Call(c.rescan);
    });
}

} // namespace nivex
