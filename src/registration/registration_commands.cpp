#include "registration/registration_commands.h"

#include <algorithm>
#include <vector>

#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "catalogue/server_path.h"
#include "common/desktop.h"
#include "common/paths.h"
#include "common/text.h"
#include "registry/registry_views.h"
#include "registration/outcome_display.h"
#include "registration/reg_engine.h"
#include "registration/reg_flows.h"

namespace nivex {

namespace {

std::wstring AskForControlFile(HWND owner, Desktop& desktop, const wchar_t* title) {
    FileDialogRequest request;
    request.owner = owner;
    request.filter = kControlFileFilter;
    request.title = title;
    request.initialFolder = SystemFolder();
    return desktop.OpenFile(request);
}

bool IsCancelled(const std::wstring& chosen) { return chosen == kDialogCancelled || chosen.empty(); }

std::wstring LongForm(const std::wstring& path) {
    const std::wstring full = AbsolutePath(path);
    if (full.empty()) return path;
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = GetLongPathNameW(full.c_str(), buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return full;
    return std::wstring(buffer, length);
}

} // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (EqualsNoCase(a, b)) return true;
    if (a.empty() || b.empty()) return false;
    return EqualsNoCase(LongForm(a), LongForm(b));
}

std::vector<int> ControlsServedBy(const Catalogue& catalogue, const std::wstring& path) {
    std::vector<int> found;
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    // The server unregisters what it registered: the controls of its own machine type's view.
    const RegistryView view = ViewOfServerFile(path);
    const std::wstring chosen = ServerFileInView(path, view);
    for (int index = 1; index <= all.Capacity(); ++index) {
        if (!all.IsValid(index) || all.Node(index).parent == 0 || all.Node(index).view != view) continue;
        const std::wstring server = ReadClassValue(all.Node(index).key, L"InProcServer32", view).value_or(L"");
        // Which file the loader takes for the registration: a bare name from the System folder on every
        // platform, so a drive-less registration of the chosen file is found wherever Nivex runs.
        if (!server.empty() && SamePath(ResolveServerPath(server, view, DrivelessPath::SystemFolder), chosen))
            found.push_back(index);
    }
    return found;
}

void RemoveLibrariesOf(Catalogue& catalogue, const std::vector<int>& controlNodes) {
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    std::vector<int> libraries;
    for (int node : controlNodes) {
        if (!all.IsValid(node)) continue;
        const int library = all.Node(node).parent == 0 ? node : all.Node(node).parent;
        if (std::find(libraries.begin(), libraries.end(), library) == libraries.end()) libraries.push_back(library);
    }
    for (int library : libraries) {
        catalogue.libraries -= 1;
        catalogue.controls -= all.Node(library).childCount;
        all.Remove(library);
    }
}

RegOutcome RegisterCommand(Catalogue& catalogue, HWND owner, Desktop& desktop, OutcomeDisplay& display) {
    std::wstring path = AskForControlFile(owner, desktop, kRegisterDialogTitle);
    if (IsCancelled(path)) return RegOutcome::Cancelled;
    FlowOptions options(desktop);
    options.owner = owner;
    options.display = &display;
    const RegOutcome outcome = RegisterControl(path, options);
    if (outcome == RegOutcome::Completed) AddControlsForFile(catalogue, path);
    return outcome;
}

RegOutcome UnregisterSelectedCommand(Catalogue& catalogue, const std::wstring& path, HWND owner, Desktop& desktop,
                                     OutcomeDisplay& display) {
    FlowOptions options(desktop);
    options.owner = owner;
    options.display = &display;
    const RegOutcome outcome = UnregisterControl(path, options);
    if (outcome != RegOutcome::Completed) return outcome;

    // The selected control's whole library is treated as gone.
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    if (all.Selected() == 0) return outcome; // nothing selected: no counter to lower
    catalogue.libraries -= 1;
    catalogue.controls -= catalogue.CountSiblings();
    const int selected = all.Selected();
    const int library = all.Node(selected).parent != 0 ? all.Node(selected).parent : selected;
    all.Select(library);
    all.Remove(library);
    return outcome;
}

RegOutcome TrayUnregisterCommand(Catalogue& catalogue, HWND owner, Desktop& desktop, OutcomeDisplay& display) {
    const std::wstring path = AskForControlFile(owner, desktop, kUnregisterDialogTitle);
    if (IsCancelled(path)) return RegOutcome::Cancelled;
    // The registrations are gone once the server has unregistered: find its controls first.
    const std::vector<int> served = ControlsServedBy(catalogue, path);
    FlowOptions options(desktop);
    options.owner = owner;
    options.display = &display;
    const RegOutcome outcome = UnregisterControl(path, options);
    if (outcome == RegOutcome::Completed) RemoveLibrariesOf(catalogue, served);
    return outcome;
}

int RunOneShot(bool unregister, const std::wstring& pathText, Desktop& desktop, OutcomeDisplay& display) {
    std::wstring path = UnquotePath(pathText);
    if (!path.empty()) path = AbsolutePath(path);
    FlowOptions options(desktop);
    options.display = &display;
    const RegOutcome outcome = unregister ? UnregisterControl(path, options) : RegisterControl(path, options);
    // The status window is modeless: keep the run alive until the user has read it.
    display.WaitUntilDismissed();
    return OutcomeExitCode(outcome);
}

} // namespace nivex
