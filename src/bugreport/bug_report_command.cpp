#include "bugreport/bug_report_command.h"

#include <windows.h>

#include "bugreport/faultnote_launch.h"
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

} // namespace

bool StartBugReportWizard(WindowRef owner) {
    const std::wstring setting = FaultnoteInstallPath();
    const std::wstring folder = ProgramFolder().empty() ? ExecutableFolder() : ProgramFolder();
    const std::wstring program = ChooseFaultnotePath(setting, folder, {IsFile, IsFolder});
    if (program.empty()) {
        std::wstring text = L"The Bug Report Wizard (" + std::wstring(kFaultnoteExe) + L") was not found.";
        if (!setting.empty()) text += L"\r\nInstall Path: " + setting;
        text += L"\r\nProgram folder: " + folder;
        TheDesktop().Message(owner, text, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    const std::wstring arguments =
        FaultnoteArguments(kAppTitle, NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION);
    const long long result = TheDesktop().Execute(owner, L"open", program, arguments);
    if (result <= 32) {
        TheDesktop().Message(owner,
                             L"The Bug Report Wizard could not be started:\r\n" + program + L"\r\n" +
                                 SystemErrorText(static_cast<DWORD>(result)),
                             kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace nivex
