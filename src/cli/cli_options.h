#pragma once
// The console companion's command line.
#include <string>
#include <vector>

namespace nivex {

enum class CliCommand { None, Help, Version, List, Report };
enum class ListFormat { Text, Json, Csv };

struct CliOptions {
    CliCommand command = CliCommand::None;
    // list
    bool missingOnly = false;
    ListFormat format = ListFormat::Text;
    // report
    bool html = false;
    bool text = false;
    std::wstring out;
    std::wstring templatePath;
    bool onlyMissing = false;
    bool onlyLibraries = false;
};

struct CliParseResult {
    CliOptions options;
    std::wstring error; // empty when the command line is usable
};

// Exit codes of nivexcmd.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

CliParseResult ParseCliArguments(const std::vector<std::wstring>& args);

std::wstring CliUsageText();

} // namespace nivex
