// nivex.exe: start-up facts, the command line (a one-shot register or unregister run, or the main window),
// the single-instance check, the main window and its message loop.
#include <windows.h>
#include <objbase.h>

#include "app/command_line.h"
#include "app/main_window.h"
#include "common/startup.h"
#include "common/desktop.h"
#include "common/win32_desktop.h"
#include "registration/reg_engine.h"
#include "registration/reg_status_window.h"
#include "registration/registration_commands.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace nivex;
    // Before anything loads a library: control servers must never be found in the current folder.
    SetSafeDllSearch();
    static Win32Desktop desktop;
    SetDesktop(&desktop); // for what is not handed a desktop yet
    InitStartupFacts(desktop);

    const StartRequest request = ParseStartRequest(ArgumentsOf(GetCommandLineW()));
    if (request.mode != RunMode::Interactive) {
        StatusWindowDisplay statusWindow(desktop);
        return RunOneShot(request.mode == RunMode::Unregister, request.path, desktop, statusWindow);
    }
    if (SingleInstanceCheck(desktop)) return 0;

    // The shell's properties sheet and folder browsing want COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = 0;
    {
        MainWindow window(desktop);
        window.SetEndProcess([] { PostQuitMessage(0); });
        if (!window.Load()) {
            desktop.Message(nullptr, L"The main window could not be created.", L"Velmora Control Manager",
                            MsgButtons::Ok, MsgIcon::Critical);
            exitCode = 1;
        } else {
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (window.PreTranslate(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
