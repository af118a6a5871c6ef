// nivex.exe: start-up facts, the command line, the single-instance check, the main window and its message loop.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "app/startup.h"
#include "common/desktop.h"
#include "common/win32_desktop.h"

namespace {
// A text of the program's string table.
std::wstring ResourceText(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace nivex;
    static Win32Desktop desktop;
    SetDesktop(&desktop);
    InitStartupFacts();

    const StartRequest request = ParseStartRequest(ArgumentsOf(GetCommandLineW()));
    if (request.mode != RunMode::Interactive) {
        // The one-shot register and unregister runs come with the registration work.
        TheDesktop().Message(nullptr, ResourceText(IDS_NOT_AVAILABLE), ResourceText(IDS_APP_TITLE), MsgButtons::Ok,
                             MsgIcon::Information);
        return 2;
    }
    if (SingleInstanceCheck()) return 0;

    // The shell's properties sheet and folder browsing want COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = 0;
    {
        MainWindow window;
        window.SetEndProcess([] { PostQuitMessage(0); });
        if (!window.Load()) {
            TheDesktop().Message(nullptr, L"The main window could not be created.", L"Velmora Control Manager",
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
