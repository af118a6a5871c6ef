#pragma once
// The console companion's command line.
#include <optional>
#include <string>
#include <vector>

#include "registry/registry_view.h"

namespace nivex {

enum class CliCommand { None, Help, Version, List, Report, Register, Unregister, RemoveKeys, Edit, Restore, FindFile, Relink, TestPage, Capture };
enum class ListFormat { Text, Json, Csv };
// register: where the file is registered; Default follows "RegisterNonSysPath" when it is 1 or 2, else in place.
enum class CliPlacement { Default, CopyToSystem, InPlace };
// unregister: what happens to the file; Default follows "UnregisterDelete" when it is 1 or 2, else keep.
enum class CliRemoval { Default, Delete, Keep };

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
    // register / unregister
    std::wstring file;
    CliPlacement placement = CliPlacement::Default;
    CliRemoval removal = CliRemoval::Default;
    // register / unregister: when the server fails for lack of rights, run its helper as an administrator
    bool elevate = false;
    // capture FILE [--reg OUT] [--json]
    std::wstring regOut;
    bool json = false;
    // remove-keys, edit, restore, find-file, relink: the arguments after the command (see repair_options.h)
    std::vector<std::wstring> rest;
    // testpage (writes to out)
    std::wstring classId;
    // list, report, testpage: --view 32|64 (nullopt: both views, "--view both")
    std::optional<RegistryView> view;
};

struct CliParseResult {
    CliOptions options;
    std::wstring error; // empty when the command line is usable
};

// Exit codes of nivexcmd. register and unregister add 3 (cancelled: nothing was changed) and
// 10 + the outcome's code for a failure (see OutcomeExitCode in registration/reg_outcome.h).
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// testpage: the class is not a catalogued control.
constexpr int kExitNotCatalogued = 4;

CliParseResult ParseCliArguments(const std::vector<std::wstring>& args);

// The value of --view: "32", "64" or "both" (nullopt inside); false for anything else.
bool ParseViewOption(const std::wstring& text, std::optional<RegistryView>& view);

std::wstring CliUsageText();

} // namespace nivex
