// Help > "Report a Bug": starts the separate bug-report wizard; nothing comes back.
#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "app/bug_report_command.h"

namespace nivex {

void AddBugReportCommands(MainWindow& w) {
    w.Commands().Add(mnuBugReport, kNeedsNothing, [&w] { StartBugReportWizard(w.Handle()); });
}

} // namespace nivex
