#pragma once
// The main window's command table is filled here: each subsystem's commands in a function of its own,
// one entry a command (identifier, what it needs, what it runs).
namespace nivex {

class MainWindow;

// Every subsystem's commands.
void AddMainWindowCommands(MainWindow& window);

// The window's own commands: view, tree, details, tray, exit, options.
void AddWindowCommands(MainWindow& window);
// Registering and unregistering.
void AddRegistrationCommands(MainWindow& window);
// Help Contents, Help With This, the web page, About (menu and tray).
void AddHelpCommands(MainWindow& window);
// The help identifiers of the window's parts, for What's-This (once its children exist).
void AssignMainWindowHelpIds(MainWindow& window);
// Comparing files and the dependency viewer.
void AddInspectCommands(MainWindow& window);
// Removing keys, editing data, finding a missing file, restoring a backup.
void AddRepairCommands(MainWindow& window);
// Starting the bug-report wizard.
void AddBugReportCommands(MainWindow& window);
// Reports and the browser test page.
void AddReportCommands(MainWindow& window);

} // namespace nivex
