#include "app/command_rules.h"

#include <algorithm>

#include "app/resource.h"

namespace nivex {

namespace {

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

} // namespace

bool NeedsMet(unsigned needs, const CommandConditions& c) {
    if ((needs & kNeedsIdle) && !c.idle) return false;
    if ((needs & (kNeedsSelection | kNeedsPresentFile | kNeedsMissingFile)) && !c.selection) return false;
    if ((needs & kNeedsPresentFile) && c.missing) return false;
    if ((needs & kNeedsMissingFile) && !c.missing) return false;
    if ((needs & kNeedsMissingControls) && c.missingCount == 0) return false;
    if ((needs & kNeedsTwoViews) && !c.twoViews) return false;
    return true;
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

int ToolbarButtonOf(int commandId) {
    for (const auto& button : kButtons)
        if (button.command == commandId) return button.id;
    return 0;
}

} // namespace nivex
