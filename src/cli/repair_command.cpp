#include "cli/console.h"
#include "cli/repair_command.h"

#include <windows.h>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "cli/catalogue_output.h"
#include "cli/repair_options.h"
#include "common/error.h"
#include "common/text.h"
#include "common/path_split.h"
#include "registration/file_search.h"
#include "registration/outcome_display.h"
#include "registration/reg_backup.h"
#include "registration/reg_engine.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_operations.h"

namespace nivex {

namespace {

std::wstring Lines(const std::wstring& text) {
    return ReplaceAll(ReplaceAll(text, L"\r\n", L"\n"), L"\n", L"\r\n");
}


void Scan(Catalogue& catalogue) {
    catalogue.SetErrorSink(
        [](const std::wstring& procedure, const std::wstring& title, long number, const std::wstring& description) {
            Err(title + L": " + ErrorInMessage(procedure, number, description) + L"\r\n");
        });
    PopulateList(catalogue);
}

// The catalogued library or control with this identifier (letter case aside, as the registry compares) in
// the view asked for; 0 (with a message) when there is none, -1 when it is in both views and none was asked.
int FindNode(const Catalogue& catalogue, const RepairOptions& o, bool library) {
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const ViewedNode found = FindInViews(all, o.id, o.view, library);
    if (found.Ambiguous()) {
        Err(L"nivexcmd: " + BothViewsMessage(all, o.id, found));
        return -1;
    }
    if (found.Single() == 0)
        Err(L"nivexcmd: no " + std::wstring(library ? L"library " : L"control ") + o.id + L" in the catalogue.\r\n");
    return found.Single();
}

int NotFound(int node) {
    return node < 0 ? kExitUsage : kExitNotFound;
}

int RemoveKeys(const RepairOptions& o, Desktop& desktop) {
    Catalogue catalogue;
    Scan(catalogue);
    const int node = FindNode(catalogue, o, true);
    if (node <= 0) return NotFound(node);
    const CatalogueNode& library = catalogue.Tree(Catalogue::kAll).Node(node);
    RemovalRequest request;
    request.libraryId = library.key;
    request.view = library.view;
    request.classIds = LibraryControls(catalogue, library.key, library.view);
    if (!o.yes) {
        Out(L"Would remove (run again with --yes to remove them, after a backup):\r\n");
        for (const std::wstring& key : RemovalKeys(request))
            Out(L"  " + key + L"\r\n");
        return kExitOk;
    }
    request.confirm = Confirm::Never;
    request.announceBackup = false;
    request.elevation = o.elevate ? Elevation::Always : Elevation::Never;
    const RemovalResult result = RemoveRegistryKeys(request, desktop);
    if (!result.Changed()) return kExitFailed; // the reason is on standard error
    Out(L"Backup: " + result.backupPath + L"\r\n");
    for (const std::wstring& key : result.keys) {
        bool failed = false;
        for (const KeyFailure& f : result.failures)
            failed = failed || StartsWithNoCase(f.key, key);
        if (!failed) Out(L"Removed " + key + L"\r\n");
    }
    for (const KeyFailure& f : result.failures)
        Err(L"Not removed: " + f.key + L": " + NumberDashDescription(f.number, f.description) + L"\r\n");
    return result.failures.empty() ? kExitOk : kExitFailed;
}

int Edit(const RepairOptions& o, Desktop& desktop) {
    Catalogue catalogue;
    Scan(catalogue);
    const int node = FindNode(catalogue, o, false);
    if (node <= 0) return NotFound(node);
    const CatalogueNode& control = catalogue.Tree(Catalogue::kAll).Node(node);
    bool found = false;
    const std::wstring before = ReadElementValue(control.key, o.element, &found, control.view);
    const EditResult result = WriteElementValue(control.key, o.element, o.value, desktop, nullptr,
                                                o.elevate ? Elevation::Always : Elevation::Never, control.view);
    if (!result.ok) {
        Err(L"nivexcmd: " + Lines(result.error) + L"\r\n");
        return kExitFailed;
    }
    Out(L"Before: " + (found ? before : std::wstring(L"(not set)")) + L"\r\n");
    Out(L"After: " + result.value + L"\r\n");
    Out(L"Backup: " + result.backupPath + L"\r\n");
    return kExitOk;
}

int Restore(const RepairOptions& o, Desktop& desktop) {
    const ImportResult result =
        ImportBackup(AbsolutePath(o.file), desktop, nullptr, o.elevate ? Elevation::Always : Elevation::Never);
    if (!result.ok) {
        Err(L"nivexcmd: " + Lines(result.message) + L"\r\n");
        return kExitFailed;
    }
    Out(L"Restored " + std::to_wstring(result.keys) + L" key(s) from " + o.file + L"\r\n");
    return kExitOk;
}

class PrintFound final : public SearchObserver {
public:
    void Found(const std::wstring& path, const std::wstring&, const std::wstring&) override { Out(path + L"\r\n"); }
};

int FindFile(const RepairOptions& o) {
    Catalogue catalogue;
    Scan(catalogue);
    const int node = FindNode(catalogue, o, false);
    if (node <= 0) return NotFound(node);
    const CatalogueNode& control = catalogue.Tree(Catalogue::kAll).Node(node);
    const std::wstring server = ReadClassValue(control.key, L"InProcServer32", control.view).value_or(L"");
    const std::wstring wanted = GetFileName(server);
    if (wanted.empty()) {
        Err(L"nivexcmd: control " + o.id + L" names no server file.\r\n");
        return kExitNotFound;
    }
    PrintFound print;
    const SearchStats stats = SearchFiles(AbsolutePath(o.folder), wanted, o.recursive, print);
    if (stats.folders == 0) Err(L"nivexcmd: cannot list " + o.folder + L"\r\n");
    return stats.found > 0 ? kExitOk : kExitNotFound;
}

int Relink(const RepairOptions& o, Desktop& desktop) {
    Catalogue catalogue;
    Scan(catalogue);
    const int node = FindNode(catalogue, o, false);
    if (node <= 0) return NotFound(node);
    const CatalogueNode& control = catalogue.Tree(Catalogue::kAll).Node(node);
    RemovalRequest request;
    request.view = control.view;
    request.libraryId = LibraryOfNode(catalogue, control.key, control.view);
    request.classIds = LibraryControls(catalogue, request.libraryId, control.view);
    request.confirm = Confirm::Never;
    FlowOptions flow(desktop);
    switch (o.placement) {
    case CliPlacement::Default:
        flow.copy = CopyChoice::SettingNoAsk;
        break;
    case CliPlacement::CopyToSystem:
        flow.copy = CopyChoice::CopyToSystem;
        break;
    case CliPlacement::InPlace:
        flow.copy = CopyChoice::InPlace;
        break;
    }
    ConsoleOutcomeDisplay display;
    flow.display = &display;
    flow.elevation = o.elevate ? Elevation::Always : Elevation::Never;
    std::wstring path = AbsolutePath(o.file);
    const RelinkResult result = ChangeFileReference(path, request, flow);
    if (!result.fileProblem.empty()) return kExitFailed; // the reason is on standard error
    if (result.removal.state == RemovalState::Refused || result.removal.state == RemovalState::BackupFailed)
        return kExitFailed;
    if (!result.removal.backupPath.empty()) Out(L"Backup: " + result.removal.backupPath + L"\r\n");
    if (result.outcome == RegOutcome::Cancelled) Err(L"nivexcmd: cancelled.\r\n");
    return OutcomeExitCode(result.outcome);
}

} // namespace

int RunRepairCommand(const CliOptions& options, Desktop& desktop) {
    const RepairParse parsed = ParseRepairArguments(options.command, options.rest);
    if (!parsed.error.empty()) {
        Err(L"nivexcmd: " + parsed.error + L"\r\n\r\n" + CliUsageText());
        return kExitUsage;
    }
    if (parsed.options.help) {
        Out(CliUsageText());
        return kExitOk;
    }
    try {
        switch (options.command) {
        case CliCommand::RemoveKeys:
            return RemoveKeys(parsed.options, desktop);
        case CliCommand::Edit:
            return Edit(parsed.options, desktop);
        case CliCommand::Restore:
            return Restore(parsed.options, desktop);
        case CliCommand::FindFile:
            return FindFile(parsed.options);
        case CliCommand::Relink:
            return Relink(parsed.options, desktop);
        default:
            break;
        }
    } catch (const Error& e) {
        Err(L"nivexcmd: " + NumberDashDescription(e.Number(), e.Description()) + L"\r\n");
        return kExitFailed;
    }
    return kExitUsage;
}

} // namespace nivex
