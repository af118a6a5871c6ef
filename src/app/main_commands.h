#pragma once
// The main window's command table is filled here: each subsystem's commands in a function of its own,
// one entry a command (identifier, what it needs, what it runs), each working on the context only.
#include "app/command_context.h"
#include "app/command_table.h"

namespace nivex {

// Every subsystem's commands.
void AddSubsystemCommands(CommandTable& table, const CommandContext& context);

// Explore, Properties, Save Toolbox Bitmap, Registry Editor: the selected control's file and the shell.
void AddFileCommands(CommandTable& table, const CommandContext& context);
// Registering and unregistering.
void AddRegistrationCommands(CommandTable& table, const CommandContext& context);
// Help Contents, Help With This, the web page, About (menu and tray).
void AddHelpCommands(CommandTable& table, const CommandContext& context);
// Comparing files and the dependency viewer.
void AddInspectCommands(CommandTable& table, const CommandContext& context);
// Removing keys, editing data, finding a missing file, restoring a backup.
void AddRepairCommands(CommandTable& table, const CommandContext& context);
// Starting the bug-report wizard.
void AddBugReportCommands(CommandTable& table, const CommandContext& context);
// Reports and the browser test page.
void AddReportCommands(CommandTable& table, const CommandContext& context);

} // namespace nivex
