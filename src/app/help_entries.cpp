// The Help menu, the tray's About, the help identifiers of the main window's parts.
#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "auxiliary/about_window.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/whats_this.h"

namespace nivex {

void AddHelpCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    t.Add(mnuHelpContents, kNeedsNothing, [&w] { ShowHelpContents(w.Handle()); });
    t.Add(mnuHelpWithThis, kNeedsNothing, [&w] { RunWhatsThis(w.Handle()); });
    t.Add(mnuNivexWebsite, kNeedsNothing, [&w] { OpenProductWebPage(w.Handle()); });
    t.Add(mnuAbout, kNeedsNothing, [&w] { TheAboutWindow().Open(w.Handle()); });
    // From the tray the main window is hidden: the box stands on its own.
    t.Add(mnuTrayAbout, kNeedsNothing, [] { TheAboutWindow().Open(nullptr); });
}

void AssignMainWindowHelpIds(MainWindow& w) {
    SetWindowContextHelpId(w.Handle(), IDH_MAIN_WINDOW);
    SetWindowContextHelpId(w.Tree(0), IDH_MAIN_TREE_ALL);
    SetWindowContextHelpId(w.Tree(1), IDH_MAIN_TREE_MISSING);
    SetWindowContextHelpId(w.Frame(0), IDH_MAIN_CONTROL_INFO);
    SetWindowContextHelpId(w.List(0), IDH_MAIN_CONTROL_INFO);
    SetWindowContextHelpId(w.Frame(1), IDH_MAIN_FILE_INFO);
    SetWindowContextHelpId(w.List(1), IDH_MAIN_FILE_INFO);
    SetWindowContextHelpId(w.Toolbar(), IDH_MAIN_TOOLBAR);
    SetWindowContextHelpId(w.ToolbarFrameHandle(), IDH_MAIN_TOOLBAR);
    SetWindowContextHelpId(w.StatusBarHandle(), IDH_MAIN_STATUSBAR);
    SetWindowContextHelpId(w.SplitTop().Handle(), IDH_MAIN_SPLITTER);
    SetWindowContextHelpId(w.SplitterLeft().Handle(), IDH_MAIN_SPLITTER);
}

} // namespace nivex
