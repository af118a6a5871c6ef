// Help > "Report a Bug": starts the separate bug-report wizard; nothing comes back.
#include "app/bug_report_command.h"
#include "app/main_commands.h"
#include "app/resource.h"

namespace nivex {

void AddBugReportCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuBugReport, kNeedsNothing, [&c] { StartBugReportWizard(c.owner, c.desktop); });
}

} // namespace nivex
