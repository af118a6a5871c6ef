#include "app/command_rules.h"

#include <algorithm>

#include "app/resource.h"

namespace nivex {

namespace {

// Commands whose operations come with later work. One place: the menus, the toolbar, the tray menu
// and every enabling rule consult it.
const std::vector<int> kUnavailable = {
    mnuSearchForFile, mnuRemoveRegistryKeys, mnuEditInformation, mnuTestInBrowser, mnuReports,
    mnuCompareFiles,  mnuDependency,         mnuHelpContents,    mnuHelpWithThis,  mnuNivexWebsite,
    mnuBugReport,     mnuAbout,              mnuTrayAbout,       tbSearchForFile,  tbRegistryRemove,
    tbReports,
};

const std::vector<ToolbarButtonInfo> kButtons = {
    {tbRegister, L"REGISTER", L"Register", L"Register Component", mnuRegisterControl},
    {tbUnregister, L"UNREGISTER", L"Unregister", L"Unregister Component", mnuUnregisterControl},
    {tbRefresh, L"REFRESH", L"Refresh", L"Refresh List", mnuRefresh},
    {tbSearchForFile, L"SEARCHFORFILE", L"Find File", L"Search for Missing File", mnuSearchForFile},
    {tbRegistryRemove, L"REGISTRYREMOVE", L"Remove Keys", L"Remove Registry Keys", mnuRemoveRegistryKeys},
    {tbProperties, L"PROPERTIES", L"Properties", L"File Properties", mnuPropertyPages},
    {tbReports, L"REPORTS", L"Reports", L"Generate Reports", mnuReports},
    {tbOptions, L"OPTIONS", L"Options", L"Program Options", mnuOptions},
};

const std::vector<std::wstring> kImageKeys = {L"OPTIONS",  L"COMPARE",        L"PROPERTIES",
                                              L"REFRESH",  L"REGISTER",       L"REGISTRYREMOVE",
                                              L"REPORTS",  L"SEARCHFORFILE",  L"UNREGISTER"};

std::vector<CommandState> Apply(std::vector<CommandState> states) {
    for (auto& state : states) state.enabled = state.enabled && CommandAvailable(state.id);
    return states;
}

} // namespace

bool CommandAvailable(int id) { return std::find(kUnavailable.begin(), kUnavailable.end(), id) == kUnavailable.end(); }

const std::vector<int>& UnavailableCommands() { return kUnavailable; }

std::vector<CommandState> MainControlStates(bool enable, long missingCount) {
    return Apply({
        {mnuUnregisterControl, enable},
        {mnuRegisterControl, enable},
        {tbUnregister, enable},
        {tbRegister, enable},
        {mnuRefresh, enable},
        {tbRefresh, enable},
        {mnuControls0, enable},
        {mnuControls1, enable && missingCount != 0},
        {mnuPropertyPages, enable},
        {mnuReports, enable},
        {tbReports, enable},
        {mnuExpandAll, enable},
        {mnuCollapseAll, enable},
        {mnuExit, enable},
        {mnuCompareFiles, enable},
        {mnuFindInList, enable},
        {mnuDependency, enable},
    });
}

std::vector<CommandState> MissingFileStates(bool missing) {
    return Apply({
        {mnuUnregisterControl, !missing},
        {tbUnregister, !missing},
        {mnuPropertyPages, !missing},
        {tbProperties, !missing},
        {mnuSaveToolboxBitmap, !missing},
        {mnuTestInBrowser, !missing},
        {mnuRemoveRegistryKeys, missing},
        {tbRegistryRemove, missing},
        {mnuSearchForFile, missing},
        {tbSearchForFile, missing},
    });
}

const std::vector<ToolbarButtonInfo>& ToolbarButtons() { return kButtons; }

const std::vector<std::wstring>& ToolbarImageKeys() { return kImageKeys; }

int ToolbarImageIndex(const std::wstring& key) {
    const auto it = std::find(kImageKeys.begin(), kImageKeys.end(), key);
    return it == kImageKeys.end() ? -1 : static_cast<int>(it - kImageKeys.begin());
}

int ToolbarCommand(int buttonId) {
    for (const auto& button : kButtons)
        if (button.id == buttonId) return button.command;
    return 0;
}

} // namespace nivex
