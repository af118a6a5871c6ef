#include "app/bug_report_command.h"

#include <windows.h>
#include <shellapi.h>

#include "app/faultnote_launch.h"
#include "common/paths.h"
#include "common/winutil.h"
#include "nivex_version.h"
#include "registry/settings.h"
#include "registry/settings_table.h"

namespace nivex {

namespace {

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsFile(const std::wstring& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::wstring& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The shell's own codes above the system error range mean something else than the system errors of that number.
std::wstring ShellFailureText(long long code) {
    switch (code) {
    case SE_ERR_SHARE: return L"The file is in use by another program.";
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: return L"No program is associated with this file.";
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return L"The program did not answer the shell.";
    case SE_ERR_DLLNOTFOUND: return L"A library the program needs was not found.";
    case 0: return L"The system is out of memory or resources.";
    }
    return SystemErrorText(static_cast<DWORD>(code));
}

} // namespace

bool StartBugReportWizard(WindowRef owner, Desktop& desktop) {
    const std::wstring setting = FaultnoteInstallPath();
    const std::wstring folder = ProgramFolder().empty() ? ExecutableFolder() : ProgramFolder();
    const std::wstring program = ChooseFaultnotePath(setting, folder, {IsFile, IsFolder});
    if (program.empty()) {
        std::wstring text = L"The Bug Report Wizard (" + std::wstring(kFaultnoteExe) + L") was not found.";
        if (!setting.empty()) text += L"\r\nInstall Path: " + setting;
        text += L"\r\nProgram folder: " + folder;
        desktop.Message(owner, text, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    const std::wstring arguments =
        FaultnoteArguments(kAppTitle, NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION);
    const long long result = desktop.Execute(owner, L"open", program, arguments);
    if (result <= 32) {
        desktop.Message(owner,
                        L"The Bug Report Wizard could not be started:\r\n" + program + L"\r\n" + ShellFailureText(result),
                        kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace nivex
