#pragma once
// The main window's "Report a Bug" command: starts faultnote.exe with the program's name and version.
#include "common/desktop.h"

namespace nivex {

// Reads "Install Path" of "Velmora Software" / "Bug Report Wizard", finds the program (see ChooseFaultnotePath)
// and opens it through the desktop with FaultnoteArguments for this program. When no program can be found, or
// the shell cannot start it, says so to the user. True when the wizard was started.
bool StartBugReportWizard(WindowRef owner, Desktop& desktop);

} // namespace nivex
