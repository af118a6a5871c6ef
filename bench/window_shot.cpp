// Holds one of the auxiliary windows open for a screenshot of the help file's pictures:
//   window_shot.exe tip|about|regstatus SECONDS [PROGRAM-FOLDER]
// The windows work on a sandboxed settings store, so the machine's own settings are left alone.
#include <windows.h>

#include <string>

#include "auxiliary/about_window.h"
#include "auxiliary/tip_window.h"
#include "common/paths.h"
#include "common/win32_desktop.h"
#include "common/winutil.h"
#include "registration/reg_status_window.h"
#include "support/registry_sandbox.h"

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
