#include "app/main_commands.h"

#include "app/resource.h"
#include "common/path_split.h"
#include "inspect/bitmap_preview.h"

namespace nivex {

void AddSubsystemCommands(CommandTable& table, const CommandContext& context) {
    AddFileCommands(table, context);
    AddRegistrationCommands(table, context);
    AddHelpCommands(table, context);
    AddInspectCommands(table, context);
    AddRepairCommands(table, context);
    AddBugReportCommands(table, context);
    AddReportCommands(table, context);
}

void AddFileCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuExplore, kNeedsSelection,
          [&c] { c.desktop.Execute(c.owner, L"explore", GetFilePath(c.selection.resolvedPath), L""); });
    t.Add(mnuPropertyPages, kNeedsIdle | kNeedsPresentFile, [&c] {
        if (c.openProperties) c.openProperties(c.owner, c.selection.resolvedPath);
    });
    t.Add(mnuSaveToolboxBitmap, kNeedsPresentFile, [&c] {
        BitmapPreview::Instance().SaveToolboxBitmap(c.owner, c.desktop, c.selection.toolboxBitmap);
    });
    t.Add(mnuRegEdit, kNeedsNothing, [&c] { c.desktop.Execute(c.owner, L"open", L"regedit", L""); });
}

} // namespace nivex
