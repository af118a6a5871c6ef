#pragma once
// Process-wide facts worked out before any window exists.
#include <string>

#include "common/desktop.h"

namespace nivex {

// Sets the program folder, the help file, SystemFolder and OsIsMajor5. A system folder the platform
// cannot report is told to the user and leaves SystemFolder as a lone backslash.
void InitStartupFacts(Desktop& desktop);

// The program help file: program folder + "Nivex.chm::/popups.txt".
const std::wstring& ProgramHelpFile();

// True when another interactive copy of this executable runs in this user's logon session.
// The first caller keeps the named mutex for the life of the process.
bool AnotherInstanceRunning();

// The single-instance check of an interactive start: tells the user and returns true when the caller must end.
bool SingleInstanceCheck(Desktop& desktop);

// The mutex name for an executable path and a user SID text (exposed for tests).
std::wstring InstanceMutexName(const std::wstring& executablePath, const std::wstring& userSid);

} // namespace nivex
