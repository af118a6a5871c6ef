#include "registry/app_services.h"

#include <windows.h>
#include <shellapi.h>

#include "common/desktop.h"
#include "common/paths.h"
#include "registry/settings.h"

namespace nivex {

void PlaySoundRelative(const std::wstring& relativePath) {
    if (relativePath.empty()) return;
    try {
        if (SettingNumber(kSectionOptions, kKeyPlaySounds) != 1) return;
        TheDesktop().PlaySoundFile(JoinPath(ProgramFolder(), relativePath));
    } catch (...) {
        // A sound is never worth a message.
    }
}

void TempFiles::DeleteAll() {
    for (const auto& file : files_) DeleteFileW(file.c_str());
    files_.clear();
}

bool ShowFileProperties(void* owner, const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST; // 12: the verb runs through the item's context menu
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = L"properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

} // namespace nivex
