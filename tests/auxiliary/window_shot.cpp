// Holds one of the auxiliary windows open for a screenshot of the help file's pictures:
//   window_shot.exe tip|about|whatsthis|regstatus|reports SECONDS [PROGRAM-FOLDER]
//   window_shot.exe previewreg SECONDS PROGRAM-FOLDER SERVER   (the dry run's window for SERVER)
//   window_shot.exe restorelist SECONDS PROGRAM-FOLDER BACKUP-FOLDER   (Restore Registry Keys over that folder)
// The windows work on a sandboxed settings store, so the machine's own settings are left alone.
#include <windows.h>

#include <string>

#include "auxiliary/about_window.h"
#include "auxiliary/tip_window.h"
#include "catalogue/catalogue.h"
#include "common/paths.h"
#include "common/win32_desktop.h"
#include "common/winutil.h"
#include "registration/preview_window.h"
#include "registration/reg_engine.h"
#include "registration/reg_status_window.h"
#include "registration/registration_resource.h"
#include "registration/repair_windows.h"
#include "registry/settings.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "support/registry_sandbox.h"

namespace {
// Ends the program when a modal message box holds the loop below.
void CALLBACK EndShot(HWND, UINT, UINT_PTR, DWORD) { ExitProcess(0); }
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring which = argv[1];
    const DWORD seconds = static_cast<DWORD>(_wtoi(argv[2]));
    nivex::SetProgramFolder(argc > 3 ? argv[3] : nivex::ExecutableFolder());
    nivex::testing::RegistrySandbox sandbox;
    nivex::TipWindow tip;
    if (which == L"tip") {
        tip.SetRandomSource([] { return 0.0; });
        if (!tip.Open(nullptr, nivex::TheDesktop())) return 1;
    } else if (which == L"about") {
        if (!nivex::TheAboutWindow().Open(nullptr, nivex::TheDesktop())) return 1;
    } else if (which == L"regstatus") {
        nivex::frmRegStatus* status = nivex::frmRegStatus::Instance(nullptr);
        if (!status) return 1;
        status->ShowOutcome(L"Nivex - Failed", L"Registration Failed!",
                            L"Registration of Gauge.ocx failed.\nDllRegisterServer returned error 0x80070005: Access "
                            L"is denied.\nAdministrator rights are needed: run Nivex as an administrator.",
                            false);
    } else if (which == L"previewreg" && argc > 4) {
        nivex::SetHelperFolder(nivex::ProgramFolder());
        if (!nivex::frmPreviewRegistration::Open(nullptr, nivex::TheDesktop(), argv[4],
                                                 nivex::CaptureServerRegistration(argv[4])))
            return 1;
    } else if (which == L"restorelist" && argc > 4) {
        nivex::SetBackupFolder(argv[4]);
        static nivex::Win32Desktop desktop;
        static nivex::frmRestoreList list(desktop);
        const HWND window = list.CreateModeless(IDD_RESTORELIST, nullptr);
        if (!window) return 1;
        ShowWindow(window, SW_SHOW);
    } else if (which == L"reports") {
        // The Reports dialog over a main window, with the message of a template that lacks a marker.
        static nivex::Catalogue catalogue;
        static nivex::Win32Desktop desktop;
        HWND main = CreateWindowExW(0, L"STATIC", L"Velmora Control Manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                                    700, 500, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring broken = std::wstring(temp) + L"my_report.tpl";
        HANDLE file = CreateFileW(broken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "[HEAD]\r\n[TYPELIB]\r\n[FOOT]\r\n", 26, &written, nullptr);
        CloseHandle(file);
        nivex::SaveSetting(nivex::kSectionOptions, nivex::kKeyHTMLTemplate, broken);
        nivex::frmReports* reports = nivex::frmReports::Show(main, desktop, catalogue, {});
        if (!reports) return 1;
        SetTimer(nullptr, 0, seconds * 1000, &EndShot);
        PostMessageW(reports->Handle(), WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
    } else {
        return 2;
    }
    const DWORD end = GetTickCount() + seconds * 1000;
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
    return 0;
}
