#pragma once
// Runs a program of the build as a separate process and collects what it printed.
#include <windows.h>

#include <string>

namespace nivex::testing {

struct RunResult {
    DWORD exitCode = 999;
    std::string out;
    std::string err;
};

RunResult RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder = L"");

// The console companion of this build.
std::wstring NivexCmd();

} // namespace nivex::testing
