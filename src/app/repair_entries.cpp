// Repairing registrations from the File and Edit menus and the toolbar: removing a library's keys,
// editing a control's data, finding a missing server file, restoring a backup.
#include <windows.h>
#include <commctrl.h>

#include "app/main_commands.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "common/desktop.h"
#include "registration/reg_status_window.h"
#include "registration/repair_commands.h"
#include "registration/repair_operations.h"
#include "registration/repair_windows.h"

namespace nivex {

namespace {

StatusWindowDisplay statusWindow;

// Trees and counters after an operation: redrawn when it updated them, rescanned when only a scan can
// tell (a partial removal, a rollback, an import). A node is selected again either way, so the status bar
// shows that selection's state.
void Apply(MainWindow& w, CatalogueChange change) {
    switch (change) {
    case CatalogueChange::Updated:
        w.ShowCatalogueChanges();
        break;
    case CatalogueChange::NeedsRescan:
        w.PopulateList(false);
        break;
    case CatalogueChange::None:
        break;
    }
}

std::wstring ListText(HWND list, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

void EditSelectedRow(MainWindow& w) {
    HWND list = w.List(0);
    const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    EditDataRequest request;
    request.element = ListText(list, row, 0);
    request.value = ListText(list, row, 1);
    request.classId = w.Selection().classId;
    request.controlName = w.DetailData(0, kElementControlName);
    EditDataCommand(w.Handle(), TheDesktop(), request, [list, row](const std::wstring&, const std::wstring& value) {
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = const_cast<wchar_t*>(value.c_str());
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    });
}

} // namespace

void AddRepairCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    t.Add(mnuRemoveRegistryKeys, kNeedsIdle | kNeedsMissingFile, [&w] {
        const SelectedControl selected = w.Selection();
        CatalogueChange change = CatalogueChange::None;
        w.RunBusy([&] { change = RemoveKeysCommand(w.Model(), selected.libraryKey, w.Handle(), TheDesktop()); });
        Apply(w, change);
    });
    t.Add(mnuSearchForFile, kNeedsIdle | kNeedsMissingFile, [&w] {
        const SelectedControl selected = w.Selection();
        CatalogueChange change = CatalogueChange::None;
        w.RunBusy([&] {
            change =
                FindMissingFileCommand(w.Model(), selected.resolvedPath, selected.libraryKey, w.Handle(), TheDesktop(),
                                       statusWindow, [&w](const std::wstring& text) { w.SetStatusText(text); });
        });
        Apply(w, change);
        if (change == CatalogueChange::None) w.SetStatusText(w.Selection().resolvedPath);
    });
    t.Add(
        mnuEditInformation, kNeedsIdle | kNeedsSelection, [&w] { EditSelectedRow(w); },
        [&w] { return w.ActiveList() == 0; });
    t.Add(mnuRestoreRegistryKeys, kNeedsIdle, [&w] {
        if (RestoreRegistryKeysCommand(w.Handle(), TheDesktop())) w.PopulateList(false);
    });
}

} // namespace nivex
