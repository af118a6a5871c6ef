// faultnote.exe: the product fields from the command line, the system's name and version, then the wizard.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "faultnote/bug_report.h"
#include "faultnote/report_store.h"
#include "faultnote/system_info.h"
#include "faultnote/wizard_window.h"
#include "common/command_args.h"
#include "common/desktop.h"
#include "common/win32_desktop.h"
#include "common/winutil.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace faultnote;
    static velmora::Win32Desktop desktop;
    velmora::SetDesktop(&desktop);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The shell's "open" of a mailto: address may want COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    WizardSetup setup;
    setup.product = ParseProductArguments(velmora::ArgumentsOf(GetCommandLineW()));
    setup.osText = OsText(QueryOsVersion());
    setup.programFolder = velmora::ExecutableFolder();
    setup.documentsFolder = DocumentsFolder();
    setup.endProgram = [] { PostQuitMessage(0); };

    int exitCode = 0;
    {
        WizardWindow wizard(std::move(setup));
        if (!wizard.Show()) {
            desktop.Message(nullptr, L"The wizard window could not be created.", kWizardTitle, velmora::MsgButtons::Ok,
                            velmora::MsgIcon::Critical);
            exitCode = 1;
        } else {
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (wizard.PreTranslate(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
