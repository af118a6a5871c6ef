// nivexcmd: the control manager's operations for scripts and headless machines.
// It never shows a window or a message box: messages go to standard error.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_scan.h"
#include "common/startup.h"
#include "cli/console.h"
#include "cli/catalogue_output.h"
#include "cli/cli_options.h"
#include "cli/capture_command.h"
#include "cli/host_command.h"
#include "cli/inspect_commands.h"
#include "cli/repair_command.h"
#include "cli/browser_page_command.h"
#include "common/desktop.h"
#include "common/elevation.h"
#include "common/error.h"
#include "common/text.h"
#include "nivex_version.h"
#include "registration/outcome_display.h"
#include "registration/reg_engine.h"
#include "registration/reg_flows.h"
#include "reports/report_generator.h"
#include "reports/report_template.h"

namespace nivex {
namespace {

// Answers every question with its safest answer on standard error; starts a helper with administrator
// rights when --elevate asks for it.
class ConsoleDesktop final : public SilentDesktop {
public:
    using SilentDesktop::SilentDesktop;
    bool RunsAsAdministrator() override { return ProcessIsElevated(); }
    ElevatedRun RunElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                            unsigned long timeoutMs) override {
        return RunProgramElevated(owner, file, parameters, timeoutMs);
    }
};


// register and unregister: the flows with the options in place of the questions; nothing is ever asked.
int RunRegistration(const CliOptions& options, Desktop& desktop) {
    ConsoleOutcomeDisplay display;
    FlowOptions flow(desktop);
    flow.display = &display;
    switch (options.placement) {
    case CliPlacement::Default: flow.copy = CopyChoice::SettingNoAsk; break;
    case CliPlacement::CopyToSystem: flow.copy = CopyChoice::CopyToSystem; break;
    case CliPlacement::InPlace: flow.copy = CopyChoice::InPlace; break;
    }
    switch (options.removal) {
    case CliRemoval::Default: flow.remove = DeleteChoice::SettingNoAsk; break;
    case CliRemoval::Delete: flow.remove = DeleteChoice::Delete; break;
    case CliRemoval::Keep: flow.remove = DeleteChoice::Keep; break;
    }
    flow.elevation = options.elevate ? Elevation::Always : Elevation::Never;
    std::wstring path = AbsolutePath(options.file);
    const RegOutcome outcome = options.command == CliCommand::Register ? RegisterControl(path, flow)
                                                                       : UnregisterControl(path, flow);
    if (outcome == RegOutcome::Cancelled) Err(L"nivexcmd: cancelled; nothing was changed.\r\n");
    return OutcomeExitCode(outcome);
}

// Scans the registry (the view asked for, or both); every reported failure is printed and kept for the JSON form.
void Scan(Catalogue& catalogue, std::vector<CatalogueError>& errors, std::optional<RegistryView> view) {
    if (view) catalogue.SetViewShown(OtherView(*view), false);
    catalogue.SetErrorSink([&](const std::wstring& procedure, const std::wstring& title, long number,
                               const std::wstring& description) {
        errors.push_back({procedure, title, number, description});
        Err(title + L": " + ErrorInMessage(procedure, number, description) + L"\r\n");
    });
    PopulateList(catalogue);
}

int RunList(const CliOptions& options) {
    Catalogue catalogue;
    std::vector<CatalogueError> errors;
    Scan(catalogue, errors, options.view);
    const int tree = options.missingOnly ? Catalogue::kMissing : Catalogue::kAll;
    switch (options.format) {
    case ListFormat::Json: Out(CatalogueJson(catalogue, errors)); break;
    case ListFormat::Csv: Out(CatalogueCsv(catalogue, tree)); break;
    case ListFormat::Text: Out(CatalogueText(catalogue, tree)); break;
    }
    return kExitOk;
}

int RunReport(const CliOptions& options) {
    const DocType type = options.html ? DocType::Html : DocType::Text;
    const std::wstring templatePath = options.templatePath.empty() ? TemplatePathFor(type) : options.templatePath;
    const std::wstring problem = TemplateFileProblem(templatePath);
    if (!problem.empty()) {
        Err(L"Invalid Template File: " + templatePath + L": " + problem + L"\r\n");
        return kExitFailed;
    }
    Catalogue catalogue;
    std::vector<CatalogueError> errors;
    Scan(catalogue, errors, options.view);
    ReportOptions report;
    report.onlyMissing = options.onlyMissing;
    report.onlyLibraries = options.onlyLibraries;
    bool failed = false;
    const bool written = WriteReport(catalogue, type, templatePath, options.out, report,
                                     [&](long number, const std::wstring& description) {
                                         failed = true;
                                         Err(L"Error Generating Report: " + NumberDashDescription(number, description) + L"\r\n");
                                     });
    if (!written) return kExitFailed;
    Out(L"Report written to " + options.out + L"\r\n");
    return failed ? kExitFailed : kExitOk;
}

int Emit(const CommandResult& result) {
    Out(result.out);
    Err(result.err);
    return result.exitCode;
}

int Main(int argc, wchar_t** argv) {
    // Before anything is loaded: libraries are never looked for in the current folder.
    SetSafeDllSearch();
    // The registration helper: nothing else of the program's start-up is needed, and it asks nothing.
    if (argc > 1 && std::wstring(argv[1]) == L"host") return RunHostCommand({argv + 2, argv + argc});
    // Anything that would ask a person goes to standard error and gets the safest answer.
    ConsoleDesktop console([](const std::wstring& title, const std::wstring& text) {
        Err((title.empty() ? std::wstring() : title + L": ") + text + L"\r\n");
    });
    SetDesktop(&console);
    InitStartupFacts(console);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == L"deps") return Emit(RunDepsCommand({args.begin() + 1, args.end()}));
    if (!args.empty() && args[0] == L"compare") return Emit(RunCompareCommand({args.begin() + 1, args.end()}));
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.error.empty()) {
        Err(L"nivexcmd: " + parsed.error + L"\r\n\r\n" + CliUsageText());
        return kExitUsage;
    }
    switch (parsed.options.command) {
    case CliCommand::Help: Out(CliUsageText()); return kExitOk;
    case CliCommand::Version: Out(L"nivexcmd " NIVEX_VERSION_WTEXT L"\r\n"); return kExitOk;
    case CliCommand::List: return RunList(parsed.options);
    case CliCommand::Report: return RunReport(parsed.options);
    case CliCommand::TestPage: return RunTestPage(parsed.options, Out, Err);
    case CliCommand::Register:
    case CliCommand::Unregister: return RunRegistration(parsed.options, console);
    case CliCommand::Capture: return RunCaptureCommand(parsed.options);
    case CliCommand::RemoveKeys:
    case CliCommand::Edit:
    case CliCommand::Restore:
    case CliCommand::FindFile:
    case CliCommand::Relink: return RunRepairCommand(parsed.options, console);
    case CliCommand::None: break;
    }
    Err(CliUsageText());
    return kExitUsage;
}

} // namespace
} // namespace nivex

int wmain(int argc, wchar_t** argv) {
    try {
        return nivex::Main(argc, argv);
    } catch (const std::exception& e) {
        nivex::Err(L"nivexcmd: " + nivex::Utf8ToWide(e.what()) + L"\r\n");
        return nivex::kExitFailed;
    }
}
