#include "registration/reg_flows.h"

#include <windows.h>

#include "common/paths.h"
#include "common/text.h"
#include "common/path_split.h"
#include "registration/outcome_display.h"
#include "registration/reg_engine.h"
#include "registration/repair_operations.h"
#include "registry/sounds.h"
#include "registry/settings.h"

namespace nivex {

namespace {

const wchar_t* const kNotInSystemText =
    L"You have chosen to register a control that does not reside\nin the System folder. Do you want to copy the "
    L"file to the\nSystem folder before registering?";
const wchar_t* const kKeepFileText =
    L"You are about to unregister a control. Nivex can also delete\nthe file from your hard drive, but it is not "
    L"recomended.\n\nDo you want to keep the file?\n(Note: You will not be able to recover the file)";

// The folder with "." and ".." resolved, for comparing folders written differently.
std::wstring NormalFolder(const std::wstring& folder) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH * 2, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH * 2) return folder;
    return WithTrailingBackslash(std::wstring(buffer, length));
}

// Copies the file into the System folder; false when that cannot be done.
bool CopyToSystemFolder(const std::wstring& source, std::wstring& copy) {
    // An unknown System folder is a lone backslash: that would be the root of the current drive.
    if (SystemFolder() == L"\\") return false;
    copy = SystemFolder() + GetFileName(source);
    return CopyFileW(source.c_str(), copy.c_str(), FALSE) != FALSE;
}

void ShowOutcome(const RegResult& result, int mode, const std::wstring& path, const FlowOptions& options) {
    if (result.outcome == RegOutcome::Cancelled) return;
    const OutcomeText text = DescribeResult(result, mode, path);
    if (options.display) options.display->Show(text, options.owner);
    PlaySoundRelative(options.desktop, text.sound);
}

// The engine, and once more with administrator rights when it failed for lack of them and the flow's
// choice allows it. Nivex itself never asks for rights: only the helper runs elevated.
RegResult RunWithRights(const std::wstring& path, int mode, const FlowOptions& options) {
    EngineOptions engine;
    engine.desktop = &options.desktop;
    engine.owner = options.owner;
    const RegResult result = RunServerRegistration(path, mode, engine);
    if (!NeedsAdministrator(result) || options.elevation == Elevation::Never || options.desktop.RunsAsAdministrator())
        return result;
    if (options.elevation == Elevation::Ask) {
        const OutcomeText text = DescribeResult(result, mode, path);
        if (options.desktop.Message(options.owner, text.message + L"\n\n" + kTryAsAdministratorText, text.title,
                                    MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
            return result;
    }
    engine.elevated = true;
    return RunServerRegistration(path, mode, engine);
}

} // namespace

bool IsInSystemFolder(const std::wstring& path) {
    const std::wstring folder = GetFilePath(path);
    if (EqualsNoCase(folder, SystemFolder())) return true;
    return SystemFolder() != L"\\" && EqualsNoCase(NormalFolder(folder), NormalFolder(SystemFolder()));
}

RegOutcome RegisterControl(std::wstring& path, const FlowOptions& options) {
    if (!IsInSystemFolder(path)) {
        bool copy = false;
        switch (options.copy) {
        case CopyChoice::InPlace: break;
        case CopyChoice::CopyToSystem: copy = true; break;
        case CopyChoice::Setting:
        case CopyChoice::SettingNoAsk: {
            const long setting = SettingNumber(kSectionDialogs, kKeyRegisterNonSysPath);
            if (setting == 2) copy = true;
            else if (setting == 0 && options.copy == CopyChoice::Setting) {
                const MsgAnswer answer =
                    options.desktop.Message(options.owner, kNotInSystemText, L"File not in " + SystemFolder(),
                                            MsgButtons::YesNoCancel, MsgIcon::Question);
                if (answer == MsgAnswer::Cancel) return RegOutcome::Cancelled;
                copy = answer == MsgAnswer::Yes;
            }
            break;
        }
        }
        if (copy) {
            std::wstring target;
            if (CopyToSystemFolder(path, target)) {
                path = target;
            } else {
                const MsgAnswer answer = options.desktop.Message(
                    options.owner, L"Error copying file. Do you want to continue registering the control where it is?",
                    L"File Copy Error", MsgButtons::YesNo, MsgIcon::None);
                if (answer != MsgAnswer::Yes) return RegOutcome::Cancelled;
            }
        }
    }
    const RegResult result = RunWithRights(path, kModeRegister, options);
    ShowOutcome(result, kModeRegister, path, options);
    return result.outcome;
}

RegOutcome UnregisterControl(const std::wstring& path, const FlowOptions& options) {
    bool remove = false;
    switch (options.remove) {
    case DeleteChoice::Keep: break;
    case DeleteChoice::Delete: remove = true; break;
    case DeleteChoice::Setting:
    case DeleteChoice::SettingNoAsk: {
        const long setting = SettingNumber(kSectionDialogs, kKeyUnregisterDelete);
        if (setting == 2) remove = true;
        else if (setting == 0 && options.remove == DeleteChoice::Setting) {
            const MsgAnswer answer = options.desktop.Message(options.owner, kKeepFileText, L"Keep File?",
                                                             MsgButtons::YesNoCancel, MsgIcon::Question);
            if (answer == MsgAnswer::Cancel) return RegOutcome::Cancelled;
            remove = answer == MsgAnswer::No;
        }
        break;
    }
    }
    const RegResult result = RunWithRights(path, kModeUnregister, options);
    const RegOutcome outcome = result.outcome;
    if (remove && outcome == RegOutcome::Completed && !DeleteFileW(path.c_str())) {
        options.desktop.Message(options.owner, L"Unable to delete " + GetFileName(path), L"File Delete Error",
                                MsgButtons::Ok, MsgIcon::Exclamation);
    }
    ShowOutcome(result, kModeUnregister, path, options);
    return outcome;
}

} // namespace nivex
