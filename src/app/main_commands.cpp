#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "common/desktop.h"
#include "inspect/bitmap_preview.h"
#include "common/path_split.h"
#include "app/options_dialog.h"

namespace nivex {

void AddMainWindowCommands(MainWindow& window) {
    AddWindowCommands(window);
    AddRegistrationCommands(window);
    AddHelpCommands(window);
    AddInspectCommands(window);
    AddRepairCommands(window);
    AddBugReportCommands(window);
    AddReportCommands(window);
}

void AddWindowCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    t.Add(mnuExplore, kNeedsSelection, [&w] {
        TheDesktop().Execute(w.Handle(), L"explore", GetFilePath(w.Selection().resolvedPath), L"");
    });
    t.Add(mnuPropertyPages, kNeedsIdle | kNeedsPresentFile, [&w] {
        if (w.PropertiesOpener()) w.PropertiesOpener()(w.Handle(), w.Selection().resolvedPath);
    });
    t.Add(mnuExit, kNeedsIdle, [&w] { w.CloseRequest(); });
    t.Add(mnuSaveToolboxBitmap, kNeedsPresentFile, [&w] {
        BitmapPreview::Instance().SaveToolboxBitmap(w.Handle(), w.Selection().toolboxBitmap);
    });
    t.Add(mnuCopyData, kNeedsNothing, [&w] {
        const std::wstring data = w.SelectedDetailData(w.ActiveList());
        if (!data.empty()) TheDesktop().SetClipboardText(w.Handle(), data); // a failure is not reported
    });
    t.Add(mnuFindInList, kNeedsIdle, [&w] { w.FindWindow().Open(w.Handle()); });
    t.Add(mnuExpandAll, kNeedsIdle, [&w] { w.ExpandAll(true); });
    t.Add(mnuCollapseAll, kNeedsIdle, [&w] { w.ExpandAll(false); });
    t.Add(mnuToolbar, kNeedsNothing, [&w] { w.ToggleToolbar(); });
    t.Add(mnuShowStatusbar, kNeedsNothing, [&w] { w.ToggleStatusbar(); });
    t.Add(mnuToolboxBitmapPreview, kNeedsNothing, [&w] { w.TogglePreview(); });
    t.Add(mnuControls0, kNeedsIdle, [&w] { w.SwitchDisplayMode(0); });
    t.Add(mnuControls1, kNeedsIdle | kNeedsMissingControls, [&w] { w.SwitchDisplayMode(1); });
    t.Add(mnuRefresh, kNeedsIdle, [&w] { w.PopulateList(false); });
    t.Add(mnuRegEdit, kNeedsNothing, [&w] { TheDesktop().Execute(w.Handle(), L"open", L"regedit", L""); });
    t.Add(mnuOptions, kNeedsNothing, [&w] { frmOptions::Show(w.Handle(), &w); });
    t.Add(mnuTrayOpenNivex, kNeedsNothing, [&w] { w.RestoreFromTray(false); });
    t.Add(mnuTrayExit, kNeedsNothing, [&w] { w.ExitPath(); });
}

} // namespace nivex
