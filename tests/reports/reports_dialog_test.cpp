// frmReports under a real window system, driven by the messages its controls send; then with the system's own
// save dialog and message boxes, acted on by a timer from inside their modal loops.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cwchar>
#include <filesystem>
#include <functional>

#include "catalogue/catalogue_scan.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/win32_desktop.h"
#include "registry/settings.h"
#include "reports/report_generator.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using Texts = std::vector<std::wstring>;
const char* const kTemplate = "<h>%CONTROL_COUNT\r\n[HEAD]\r\n[TYPELIB]\r\nL|%TYPELIB_NAME|%STATUS\r\n"
                              "[CONTROL]\r\nC|%CONTROL_NAME|%CLSID\r\n[FOOT]\r\n</end>\r\n";
const wchar_t* const kStatus = L"C:\\Windows\\System32\\grid.ocx";

// An owner window and the program folder in a temporary folder, on a sandboxed store.
class ReportsWindowTest : public ::testing::Test {
protected:
    ReportsWindowTest() { SetProgramFolder(folder.Text()); }
    ~ReportsWindowTest() override {
        if (frmReports::Current()) DestroyWindow(frmReports::Current()->Handle());
        DestroyWindow(owner);
        SetProgramFolder(L"");
    }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    Catalogue catalogue;
};

// Three libraries of two controls; the third library's file is missing.
class ReportsDialogTest : public ReportsWindowTest {
protected:
    ReportsDialogTest() {
        const std::wstring server = folder.WriteFile(L"grid.ocx", std::string(2048, 'g'));
        for (int id = 0; id < 6; ++id) {
            const std::wstring key = L"CLSID\\{C" + std::to_wstring(id / 2) + std::to_wstring(id % 2) + L"}";
            for (const auto& [sub, value] : {std::pair<const wchar_t*, std::wstring>{L"", L"Control <" + std::to_wstring(id % 2) + L">"},
                                             {L"\\Control", L""}, {L"\\InprocServer32", id / 2 == 2 ? folder.File(L"lost.ocx") : server},
                                             {L"\\TypeLib", L"{LIB-" + std::to_wstring(id / 2) + L"}"}})
                testing::SetRegString(HKEY_CLASSES_ROOT, key + sub, L"", value);
        }
        PopulateList(catalogue);
    }
    // The main window's part: its status text, progress bar and busy state, as a log.
    ReportsHost Host() {
        ReportsHost host;
        host.statusText = [this] { return status; };
        host.setStatusText = [this](const std::wstring& text) { log.push_back(L"status " + (status = text)); };
        host.showProgress = [this](int maximum) { log.push_back(L"show " + std::to_wstring(maximum)); };
        host.setProgress = [this](int value) {
            progress.push_back(value);
            if (onProgress) std::exchange(onProgress, nullptr)();
        };
        host.hideProgress = [this] { log.push_back(L"hide"); };
        host.runBusy = [this](const std::function<void()>& operation) {
            log.push_back(L"busy");
            operation();
            log.push_back(L"idle");
        };
        return host;
    }
    void Open() {
        dialog = frmReports::Show(owner, desktop, catalogue, Host());
        ASSERT_NE(dialog, nullptr);
        hwnd = dialog->Handle();
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    std::wstring Label() const { return ui::WindowText(Item(IDC_REP_LBLFILE)); }
    void Click(int id) const {
        if (id == IDC_REP_DOCTYPE_0 || id == IDC_REP_DOCTYPE_1) CheckRadioButton(hwnd, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, id);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    // Which of the controls that a run turns off, and the system menu's Close item, are enabled.
    std::wstring Enabled() const {
        const UINT close = GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND);
        std::wstring state = close != static_cast<UINT>(-1) && !(close & (MF_GRAYED | MF_DISABLED)) ? L"1" : L"0";
        for (int id : {IDC_REP_CMDGENERAL, IDC_REP_CMDCANCEL, IDC_REP_CMDBROWSE, IDC_REP_FRAME2, IDC_REP_FRAME3})
            state += IsWindowEnabled(Item(id)) ? L'1' : L'0';
        return state;
    }

    testing::ScriptedDesktop desktop;
    frmReports* dialog = nullptr;
    HWND hwnd = nullptr;
    std::wstring status = kStatus;
    Texts log;
    std::vector<int> progress;
    std::function<void()> onProgress;
};

TEST_F(ReportsDialogTest, ShowsEachKindsTemplateBrowsingChangesOnlyItClosingGivesTheOwnerBackAndAFailedSettingsWriteIsReported) {
    const std::wstring text = folder.WriteFile(L"mine_TEXT.tpl", kTemplate), chosen = folder.WriteFile(L"chosen.tpl", kTemplate);
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, text);
    Open();
    EXPECT_EQ(ui::WindowText(hwnd), L"Nivex - Reports");
    EXPECT_FALSE(IsWindowEnabled(owner));
    for (int button : {IDC_REP_DOCTYPE_0, IDC_REP_CHKCONTROLS_0, IDC_REP_CHKCONTROLS_1, IDC_REP_CHKCONTROLS_2})
        EXPECT_EQ(IsDlgButtonChecked(hwnd, button), button == IDC_REP_DOCTYPE_0 ? 1u : 0u) << button;
    EXPECT_EQ(Label(), L"Template: default_HTML.tpl");
    EXPECT_EQ(frmReports::Show(owner, desktop, catalogue, Host()), dialog) << "one dialog at a time";

    desktop.fileAnswers = {L"0", chosen};
    Click(IDC_REP_DOCTYPE_1);
    EXPECT_EQ(Label(), L"Template: mine_TEXT.tpl");
    Click(IDC_REP_CMDBROWSE); // cancelled
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyTEXTTemplate, L""), text);
    Click(IDC_REP_CMDBROWSE);
    ASSERT_EQ(desktop.fileDialogs.size(), 2u);
    const FileDialogRequest& request = desktop.fileDialogs[0];
    EXPECT_EQ(request.title + L"|" + request.filter + L"|" + request.initialFolder,
              L"Select Template File|ActiveX Controls (*.tpl)|*.tpl|Template Files (*.tpl)|*.tpl|" + folder.Text() + L"\\templates");
    EXPECT_EQ(request.owner, hwnd);
    EXPECT_EQ(Label(), L"Template: chosen.tpl");
    EXPECT_EQ(dialog->TemplateTip(), chosen) << "the label shows the name, its tip the whole path";
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyTEXTTemplate, L"") + L"|" + GetSetting(kSectionOptions, kKeyHTMLTemplate, L"<absent>"),
              chosen + L"|<absent>");
    Click(IDC_REP_DOCTYPE_0);
    EXPECT_EQ(Label(), L"Template: default_HTML.tpl");

    // Esc (the dialog's cancel command) and the close box close it when idle.
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        if (!IsWindow(hwnd)) Open();
        SendMessageW(hwnd, message, message == WM_COMMAND ? MAKEWPARAM(IDCANCEL, BN_CLICKED) : 0, 0);
        EXPECT_TRUE(frmReports::Current() == nullptr && IsWindowEnabled(owner));
    }
    EXPECT_TRUE(desktop.messages.empty());

    // The store's section can be read but not written: browsing says so and the label keeps the template in force.
    SaveSetting(kSectionOptions, kKeyHTMLTemplate, folder.WriteFile(L"mine_HTML.tpl", kTemplate));
    HKEY options = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Options", 0, WRITE_DAC | KEY_READ, &options),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
    ASSERT_EQ(RegSetKeySecurity(options, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    RegCloseKey(options);
    Open();
    desktop.fileAnswers.push_back(folder.File(L"other.tpl"));
    Click(IDC_REP_CMDBROWSE);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.rfind(L"Error in cmdBrowse_Click()\r\nError ", 0), 0u) << desktop.messages[0].text;
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(Label(), L"Template: mine_HTML.tpl");
}

TEST_F(ReportsDialogTest, GeneratingIsBusyShowsProgressWritesTheSameReportAndPutsTheStatusBack) {
    const std::wstring html = folder.WriteFile(L"mine_HTML.tpl", kTemplate), out = folder.File(L"report.htm");
    SaveSetting(kSectionOptions, kKeyHTMLTemplate, html);
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.WriteFile(L"mine_TEXT.tpl", kTemplate));
    // A removed library leaves its index unused: the progress range still covers every index reported.
    CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    tree.Remove(tree.FindByKey(L"{LIB-0}"));
    Open();
    CheckDlgButton(hwnd, IDC_REP_CHKCONTROLS_2, BST_CHECKED);
    desktop.fileAnswers.push_back(out);
    // Mid-run: the dialog is busy, and Esc, the close box and Alt+F4 leave it standing.
    bool checkedWhileBusy = false;
    onProgress = [&] {
        checkedWhileBusy = true;
        EXPECT_TRUE(dialog->Generating());
        EXPECT_EQ(Enabled(), L"000000");
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        // A click queued on Generate must not start a second run inside this one.
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
        Sleep(60);
        EXPECT_EQ(frmReports::Current(), dialog);
    };
    Click(IDC_REP_CMDGENERAL);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    ASSERT_TRUE(checkedWhileBusy);
    EXPECT_TRUE(IsWindow(hwnd) && !dialog->Generating()) << "the dialog stays open after a run";
    EXPECT_EQ(log, (Texts{L"show " + std::to_wstring(tree.Capacity()), L"status Generating Report...", L"busy", L"idle", L"hide",
                          std::wstring(L"status ") + kStatus}));
    EXPECT_LE(*std::max_element(progress.begin(), progress.end()), tree.Capacity());
    EXPECT_EQ(progress.back(), tree.Roots().back());
    EXPECT_EQ(Enabled(), L"111111");
    EXPECT_FALSE(IsWindowEnabled(owner));
    // Byte for byte what the console companion writes from the same catalogue.
    ASSERT_EQ(desktop.fileDialogs.size(), 1u) << "one run only";
    EXPECT_EQ(desktop.fileDialogs[0].filter, L"HTML Document (*.htm)|*.htm");
    ASSERT_TRUE(WriteReport(catalogue, DocType::Html, html, folder.File(L"expected.htm"), {}, {}));
    EXPECT_EQ(testing::ReadFileBytes(out), testing::ReadFileBytes(folder.File(L"expected.htm")));
    EXPECT_EQ(desktop.executions.at(0).verb + L" " + desktop.executions.at(0).file, L"open " + out);

    // The text kind with only the missing libraries.
    Click(IDC_REP_DOCTYPE_1);
    for (int box : {IDC_REP_CHKCONTROLS_0, IDC_REP_CHKCONTROLS_1, IDC_REP_CHKCONTROLS_2})
        CheckDlgButton(hwnd, box, box == IDC_REP_CHKCONTROLS_2 ? BST_UNCHECKED : BST_CHECKED);
    desktop.fileAnswers.push_back(folder.File(L"report.txt"));
    Click(IDC_REP_CMDGENERAL);
    EXPECT_EQ(desktop.fileDialogs.at(1).defaultExt, L"txt");
    EXPECT_EQ(testing::ReadFileBytes(folder.File(L"report.txt")), "<h>6\r\n\r\nL|Control <0>|Missing File!\r\n\r\n</end>\r\n\r\n");
    EXPECT_EQ(desktop.executions.size(), 1u);
}

HWND reports = nullptr, mainWindow = nullptr; // the dialog and its owner, for the timer
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

// What Generate shows belongs to the Reports dialog, so the main window stays disabled.
class RealDialogsTest : public ReportsWindowTest {
protected:
    RealDialogsTest() {
        mainWindow = owner;
        SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.WriteFile(L"t.tpl", "[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]\r\n"));
        reports = frmReports::Show(mainWindow, desktop, catalogue, {})->Handle();
        CheckRadioButton(reports, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, IDC_REP_DOCTYPE_1);
        seen.clear();
    }
    void Generate(std::function<void(HWND)> action) {
        act = std::move(action);
        SetTimer(nullptr, 0, 50, &OnTimer);
        SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
    }
    static void Press(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

    Win32Desktop desktop;
};

TEST_F(RealDialogsTest, TheSaveDialogAndTheMessagesBelongToTheReportsDialogAndALongReportPathIsNoCancel) {
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

    Generate([](HWND dialog) { Press(dialog, IDCANCEL); });
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.File(L"gone.tpl"));
    Generate([](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"Save File As owned", L"Save File As owned", L"Error owned"}));
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "every main-window command would work beside the open dialog";
    SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
}

} // namespace
} // namespace nivex
