#include "cli/cli_options.h"
#include "cli/inspect_commands.h"
#include "cli/inspect_output.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"
#include "inspect/file_compare.h"
#include "common/file_exists.h"
#include "common/path_split.h"

namespace nivex {

// FILE... and --json; false (with the reason) for anything else.
bool ParseFilesAndJson(const std::vector<std::wstring>& args, std::size_t fileCount, const wchar_t* command,
                       std::vector<std::wstring>& files, bool& json, std::wstring& error) {
    for (const std::wstring& a : args) {
        if (a == L"--json") {
            json = true;
        } else if (a.starts_with(L"--")) {
            error = L"Unknown option '" + a + L"' for " + command + L".";
            return false;
        } else if (a.empty()) {
            error = std::wstring(command) + L" needs a file name.";
            return false;
        } else if (files.size() == fileCount) {
            error = std::wstring(command) + L": '" + a + L"' is one file too many.";
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != fileCount) {
        error = std::wstring(command) + (fileCount == 1 ? L" needs a file name." : L" needs two file names.");
        return false;
    }
    return true;
}

CommandResult Usage(const std::wstring& error) {
    return CommandResult{kExitUsage, {}, L"nivexcmd: " + error + L"\r\n\r\n" + CliUsageText()};
}

// The file as the command works on it: absolute, so that its own folder is searched first.
std::wstring Absolute(const std::wstring& path) {
    const std::wstring full = FullPathName(path);
    return full.empty() ? path : full;
}

CommandResult NoSuchFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return CommandResult{kExitFailed, {},
                         L"nivexcmd: " + (folder ? path + L" is a folder, not a file." : DoesNotExistText(path)) + L"\r\n"};
}

CommandResult RunDepsCommand(const std::vector<std::wstring>& args) {
    std::vector<std::wstring> files;
    bool json = false;
    std::wstring error;
    if (!ParseFilesAndJson(args, 1, L"deps", files, json, error)) return Usage(error);
    const std::wstring path = Absolute(files[0]);
    if (!OrdinaryFileExists(path)) return NoSuchFile(path);
    const DependencyReport report = BuildDependencyReport(path);
    CommandResult result{kExitOk, json ? DependencyReportJson(report) : DependencyReportText(report), {}};
    if (!report.readable) {
        result.exitCode = kExitFailed;
        result.err = L"nivexcmd: " + path + L" cannot be read.\r\n";
    }
    return result;
}

} // namespace nivex
