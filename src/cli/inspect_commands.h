#pragma once
// nivexcmd deps and nivexcmd compare: what a server file needs, and two files side by side.
#include <string>
#include <vector>

namespace nivex {

struct CommandResult {
    int exitCode = 0;
    std::wstring out; // for standard output
    std::wstring err; // for standard error
};

// args: what follows "deps" (FILE [--json]).
CommandResult RunDepsCommand(const std::vector<std::wstring>& args);
// args: what follows "compare" (FILE1 FILE2 [--json]).
CommandResult RunCompareCommand(const std::vector<std::wstring>& args);

// Shared by both: exactly fileCount file names and an optional --json (false with the reason otherwise),
// the usage failure, and a path made absolute.
bool ParseFilesAndJson(const std::vector<std::wstring>& args, std::size_t fileCount, const wchar_t* command,
                       std::vector<std::wstring>& files, bool& json, std::wstring& error);
CommandResult Usage(const std::wstring& error);
std::wstring Absolute(const std::wstring& path);
// The failure for a path that names no ordinary file: a folder is called one, anything else does not exist.
CommandResult NoSuchFile(const std::wstring& path);

} // namespace nivex
