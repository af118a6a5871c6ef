// The Reports dialog with the system's own save dialog and message boxes, closed by a timer from inside their
// modal loops: whatever Generate shows belongs to the Reports dialog, so the main window stays disabled, and a
// report path longer than 256 characters is written, not taken for a cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <functional>

#include "catalogue/catalogue_scan.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "common/win32_desktop.h"
#include "registry/settings.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

// What the timer saw of the system dialog it found, before it acted on it.
struct SeenDialog {
    std::wstring title;
    HWND owner = nullptr;
    bool mainEnabled = true;
};

HWND reportsDialog = nullptr;
HWND mainWindow = nullptr;
std::vector<SeenDialog> seen;
std::function<void(HWND)> act; // what to do with the dialog found

BOOL CALLBACK FindSystemDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (window == reportsDialog || !IsWindowVisible(window) || wcscmp(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Runs in the modal loop of the save dialog or message box once it is up.
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindSystemDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, id);
    seen.push_back({ui::WindowText(dialog), GetWindow(dialog, GW_OWNER), IsWindowEnabled(mainWindow) != FALSE});
    act(dialog);
}

class RealDialogsTest : public ::testing::Test {
protected:
    RealDialogsTest() {
        SetProgramFolder(folder.Text());
        mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
        const std::wstring clsid = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000C001}";
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid, L"", L"Dial");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\Control", L"", L"");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32", L"",
                              folder.File(L"dial.ocx"));
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\TypeLib", L"", L"{LIB}");
        PopulateList(catalogue);
        SaveSetting(kSectionOptions, kKeyTEXTTemplate,
                    folder.WriteFile(L"t.tpl", "[HEAD]\r\n[TYPELIB]\r\nL %TYPELIB_NAME\r\n[CONTROL]\r\n[FOOT]\r\n"));
        frmReports* reports = frmReports::Show(mainWindow, desktop, catalogue, {});
        reportsDialog = reports ? reports->Handle() : nullptr;
        CheckRadioButton(reportsDialog, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, IDC_REP_DOCTYPE_1);
        seen.clear();
    }
    ~RealDialogsTest() override {
        if (frmReports::Current()) DestroyWindow(frmReports::Current()->Handle());
        DestroyWindow(mainWindow);
        SetProgramFolder(L"");
    }
    // Generate, with a timer that finds the system dialog Generate shows and hands it to act.
    void Generate(std::function<void(HWND)> action) {
        act = std::move(action);
        SetTimer(nullptr, 0, 50, &OnTimer);
        SendMessageW(reportsDialog, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(reportsDialog, IDC_REP_CMDGENERAL)));
    }
    static void Press(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    Win32Desktop desktop;
    Catalogue catalogue;
};

TEST_F(RealDialogsTest, TheSaveDialogAndTheMessagesBelongToTheReportsDialogSoTheMainWindowStaysDisabled) {
    ASSERT_NE(reportsDialog, nullptr);
    ASSERT_FALSE(IsWindowEnabled(mainWindow));
    Generate([](HWND dialog) { Press(dialog, IDCANCEL); }); // the save dialog, cancelled
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.File(L"gone.tpl"));
    Generate([](HWND dialog) { Press(dialog, IDOK); }); // "Invalid Template File"
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title, L"Save File As");
    EXPECT_EQ(seen[1].title, L"Error");
    for (const SeenDialog& s : seen) {
        EXPECT_EQ(s.owner, reportsDialog) << WideToUtf8(s.title);
        EXPECT_FALSE(s.mainEnabled) << WideToUtf8(s.title);
    }
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "every main-window command would work beside the open dialog";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(reportsDialog, IDC_REP_CMDGENERAL)));
    SendMessageW(reportsDialog, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
}

TEST_F(RealDialogsTest, AReportPathOfMoreThan256CharactersIsWrittenNotTakenForACancel) {
    // Two nested folders make the report's path 258 characters long: more than the 256 the dialogs once took,
    // within what the platform's own dialog handles.
    std::wstring deep = folder.Text();
    deep += L"\\" + std::wstring(120, L'a');
    deep += L"\\" + std::wstring(258 - 22 - deep.size(), L'b');
    std::filesystem::create_directories(deep);
    const std::wstring out = deep + L"\\long report name.txt";
    ASSERT_EQ(out.size(), 258u);
    Generate([&out](HWND dialog) {
        SetDlgItemTextW(dialog, 0x47C, out.c_str()); // the file name box (edt1, or the combo box cmb13)
        SetDlgItemTextW(dialog, 0x480, out.c_str());
        Press(dialog, IDOK);
    });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(testing::ReadFileBytes(out), "\r\nL Dial\r\n\r\n\r\n\r\n");
}

} // namespace
} // namespace nivex
