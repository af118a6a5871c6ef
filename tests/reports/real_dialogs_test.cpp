// The Reports dialog with the system's own save dialog and message boxes, acted on by a timer from inside their
// modal loops: what Generate shows belongs to the Reports dialog, so the main window stays disabled, and a
// report path of more than 256 characters is written, not taken for a cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <functional>

#include "catalogue/catalogue.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/win32_desktop.h"
#include "registry/settings.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

HWND reports = nullptr, mainWindow = nullptr;
// Each system dialog met: its title, whether the Reports dialog owns it, whether the main window was enabled.
std::vector<std::wstring> seen;
std::function<void(HWND)> act; // what the timer does with it

BOOL CALLBACK FindSystemDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (window == reports || !IsWindowVisible(window) || wcscmp(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindSystemDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return; // not up yet
    KillTimer(nullptr, id);
    seen.push_back(ui::WindowText(dialog) + (GetWindow(dialog, GW_OWNER) == reports ? L" owned" : L" stray") +
                   (IsWindowEnabled(mainWindow) ? L" main enabled" : L""));
    act(dialog);
}

class RealDialogsTest : public ::testing::Test {
protected:
    RealDialogsTest() {
        SetProgramFolder(folder.Text());
        mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
        SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.WriteFile(L"t.tpl", "[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]\r\n"));
        reports = frmReports::Show(mainWindow, desktop, catalogue, {})->Handle();
        CheckRadioButton(reports, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, IDC_REP_DOCTYPE_1);
        seen.clear();
    }
    ~RealDialogsTest() override {
        if (frmReports::Current()) DestroyWindow(frmReports::Current()->Handle());
        DestroyWindow(mainWindow);
        SetProgramFolder(L"");
    }
    void Generate(std::function<void(HWND)> action) {
        act = std::move(action);
        SetTimer(nullptr, 0, 50, &OnTimer);
        SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
    }
    static void Press(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    Win32Desktop desktop;
    Catalogue catalogue;
};

TEST_F(RealDialogsTest, TheSaveDialogAndTheMessagesBelongToTheReportsDialogSoTheMainWindowStaysDisabled) {
    Generate([](HWND dialog) { Press(dialog, IDCANCEL); });
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.File(L"gone.tpl"));
    Generate([](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"Save File As owned", L"Error owned"}));
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "every main-window command would work beside the open dialog";
    SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
}

TEST_F(RealDialogsTest, AReportPathOfMoreThan256CharactersIsWrittenNotTakenForACancel) {
    // 258 characters: more than the dialogs once took, within what the platform's own dialog handles.
    std::wstring deep = folder.Text() + L"\\" + std::wstring(120, L'a');
    deep += L"\\" + std::wstring(258 - 22 - deep.size(), L'b');
    std::filesystem::create_directories(deep);
    const std::wstring out = deep + L"\\long report name.txt";
    Generate([&out](HWND dialog) {
        SetDlgItemTextW(dialog, 0x47C, out.c_str()); // the file name box (cmb13, or edt1)
        SetDlgItemTextW(dialog, 0x480, out.c_str());
        Press(dialog, IDOK);
    });
    EXPECT_EQ(testing::ReadFileBytes(out), "\r\n\r\n") << "the head and the foot of an empty catalogue";
}

} // namespace
} // namespace nivex
