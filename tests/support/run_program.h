#pragma once
// Runs a program of the build as a separate process and collects what it printed.
#include <windows.h>

#include <string>

namespace nivex::testing {

struct RunResult {
    DWORD exitCode = 999;
    std::string out, err;
};

// In folder when one is given. Reading stops when the process ends, not when the pipes close: a service the
// run happened to start may hold them open for the rest of the Wine session. A run over 60 s is ended.
RunResult RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder = L"");

// nivexcmd.exe of the build folder.
RunResult RunNivexcmd(const std::wstring& arguments);

} // namespace nivex::testing
