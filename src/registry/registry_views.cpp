#include "registry/registry_views.h"

#include <atomic>

#include "common/paths.h"
#include "common/winutil.h"
#include "registry/reg_read.h"

namespace nivex {

namespace {
std::atomic<int> ownViewOnly{0};
std::optional<ViewFolders> injectedFolders;

ViewFolders QueryViewFolders() {
    ViewFolders f;
    f.windows64 = IsWindows64();
    if (!f.windows64) return f;
    const std::wstring system = QuerySystemDirectory();
    if (system.empty()) {
        f.windows64 = false; // nothing to translate against
        return f;
    }
    f.system32 = WithTrailingBackslash(system);
    wchar_t buffer[MAX_PATH];
    const UINT length = GetSystemWow64DirectoryW(buffer, MAX_PATH);
    f.wow64 = length > 0 && length < MAX_PATH ? WithTrailingBackslash(std::wstring(buffer, length)) : f.system32;
    if (OwnView() == RegistryView::Bits64) {
        f.native = f.system32;
    } else {
        const UINT windows = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
        f.native =
            windows > 0 && windows < MAX_PATH ? JoinPath(std::wstring(buffer, windows), L"Sysnative\\") : f.system32;
    }
    return f;
}

std::wstring Expand32(const std::wstring& text) {
    return ExpandForView(text, RegistryView::Bits32);
}
std::wstring Expand64(const std::wstring& text) {
    return ExpandForView(text, RegistryView::Bits64);
}
} // namespace

REGSAM ViewAccess(RegistryView view) {
    if (view == OwnView()) return 0;
    return view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

REGSAM ViewAccessBelow(RegistryView view) {
    return view == RegistryView::Bits64 && OwnView() == RegistryView::Bits32 ? KEY_WOW64_64KEY : 0;
}

bool IsWindows64() {
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
}

std::vector<RegistryView> MachineViews() {
    if (ownViewOnly.load() > 0) return {OwnView()};
    if (IsWindows64()) return {RegistryView::Bits64, RegistryView::Bits32};
    return {RegistryView::Bits32};
}

ScopedOwnViewOnly::ScopedOwnViewOnly() {
    ++ownViewOnly;
}
ScopedOwnViewOnly::~ScopedOwnViewOnly() {
    --ownViewOnly;
}

std::optional<RegistryView> ViewOfMachine(unsigned short machine) {
    if (machine == 0) return std::nullopt;
    if (machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_ARM64 ||
        machine == IMAGE_FILE_MACHINE_IA64)
        return RegistryView::Bits64;
    return RegistryView::Bits32;
}

const ViewFolders& MachineViewFolders() {
    if (injectedFolders) return *injectedFolders;
    static const ViewFolders folders = QueryViewFolders();
    return folders;
}

void SetMachineViewFolders(std::optional<ViewFolders> folders) {
    injectedFolders = std::move(folders);
}

std::wstring ServerFileInView(const std::wstring& path, RegistryView view) {
    return PathInView(path, view, OwnView(), MachineViewFolders());
}

std::wstring SystemFolderOfView(RegistryView view) {
    return ViewSystemFolder(view, OwnView(), MachineViewFolders(), SystemFolder());
}

std::wstring ExpandForView(const std::wstring& text, RegistryView view) {
    return ExpandEnvironmentText(RenameViewVariables(text, view, OwnView()));
}

ViewExpanderFn ViewExpander(RegistryView view) {
    return view == RegistryView::Bits32 ? Expand32 : Expand64;
}

} // namespace nivex
