#pragma once
// Whether this process holds administrator rights, and starting one program with them.
#include <string>

#include "common/desktop.h"

namespace velmora {

bool ProcessIsElevated();

// Starts file with parameters through the shell's "runas" verb, waits at most timeoutMs for it (answering
// messages that other threads send to this thread's windows), and ends it when it runs longer.
ElevatedRun RunProgramElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                               unsigned long timeoutMs);

} // namespace velmora
