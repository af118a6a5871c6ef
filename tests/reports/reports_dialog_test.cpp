// frmReports under a real window system, driven by the messages its controls send.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include "catalogue/catalogue_scan.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "registry/settings.h"
#include "reports/report_generator.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

const char* const kTemplate = "<h>%CONTROL_COUNT\r\n[HEAD]\r\n[TYPELIB]\r\nL|%TYPELIB_NAME|%STATUS\r\n"
                              "[CONTROL]\r\nC|%CONTROL_NAME|%CLSID\r\n[FOOT]\r\n</end>\r\n";

class ReportsDialogTest : public ::testing::Test {
protected:
    ReportsDialogTest() {
        SetProgramFolder(folder.Text());
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        server = folder.WriteFile(L"grid.ocx", std::string(2048, 'g'));
        for (int lib = 0; lib < 3; ++lib)
            for (int c = 0; c < 2; ++c)
                Register(L"{C" + std::to_wstring(lib) + std::to_wstring(c) + L"}", L"Control <" + std::to_wstring(c) + L">",
                         lib == 2 ? folder.File(L"lost.ocx") : server, L"{LIB-" + std::to_wstring(lib) + L"}");
        PopulateList(catalogue);
        htmlTemplate = folder.WriteFile(L"mine_HTML.tpl", kTemplate);
        textTemplate = folder.WriteFile(L"mine_TEXT.tpl", kTemplate);
    }
    ~ReportsDialogTest() override {
        if (frmReports::Current()) DestroyWindow(frmReports::Current()->Handle());
        DestroyWindow(owner);
        SetProgramFolder(L"");
    }
    static void Register(const std::wstring& clsid, const std::wstring& name, const std::wstring& path,
                         const std::wstring& lib) {
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid, L"", name);
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\Control", L"", L"");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32", L"", path);
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\TypeLib", L"", lib);
    }
    ReportsHost Host() {
        ReportsHost host;
        host.statusText = [this] { return statusText; };
        host.setStatusText = [this](const std::wstring& text) {
            statusText = text;
            statusHistory.push_back(text);
        };
        host.showProgress = [this](int maximum) { progressMaximum = maximum, progressVisible = true; };
        host.setProgress = [this](int value) {
            progressValues.push_back(value);
            if (onProgress) onProgress();
        };
        host.hideProgress = [this] { progressVisible = false; };
        host.runBusy = [this](const std::function<void()>& operation) {
            busyHistory.push_back(true);
            operation();
            busyHistory.push_back(false);
        };
        return host;
    }
    void Open() {
        dialog = frmReports::Show(owner, desktop, catalogue, Host());
        ASSERT_NE(dialog, nullptr);
        hwnd = dialog->Handle();
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    void Click(int id) const {
        if (id == IDC_REP_DOCTYPE_0 || id == IDC_REP_DOCTYPE_1) CheckRadioButton(hwnd, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, id);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    bool CloseItemEnabled() const {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        const UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
        return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
    }

    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    HWND owner = nullptr;
    std::wstring server, htmlTemplate, textTemplate;
    Catalogue catalogue;
    frmReports* dialog = nullptr;
    HWND hwnd = nullptr;

    std::wstring statusText = L"C:\\Windows\\System32\\grid.ocx";
    std::vector<std::wstring> statusHistory;
    int progressMaximum = -1;
    bool progressVisible = false;
    std::vector<int> progressValues;
    std::vector<bool> busyHistory;
    std::function<void()> onProgress;
};

TEST_F(ReportsDialogTest, OpensOverADisabledOwnerShowsEachKindsTemplateAndClosingGivesTheOwnerBack) {
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, textTemplate);
    Open();
    EXPECT_EQ(ui::WindowText(hwnd), L"Nivex - Reports");
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_REP_DOCTYPE_0), static_cast<UINT>(BST_CHECKED));
    for (int box : {IDC_REP_CHKCONTROLS_0, IDC_REP_CHKCONTROLS_1, IDC_REP_CHKCONTROLS_2})
        EXPECT_EQ(IsDlgButtonChecked(hwnd, box), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: default_HTML.tpl");
    Click(IDC_REP_DOCTYPE_1);
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: mine_TEXT.tpl");
    Click(IDC_REP_DOCTYPE_0);
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: default_HTML.tpl");
    EXPECT_EQ(frmReports::Show(owner, desktop, catalogue, Host()), dialog) << "one dialog at a time";

    // Esc (the dialog's cancel command) closes it when idle.
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(frmReports::Current(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(IsWindowEnabled(owner));
    // The close box closes it too.
    Open();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(frmReports::Current(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ReportsDialogTest, BrowsingChangesOnlyTheChosenKindsTemplate) {
    Open();
    Click(IDC_REP_DOCTYPE_1);
    Click(IDC_REP_CMDBROWSE); // cancelled
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    const FileDialogRequest& request = desktop.fileDialogs[0];
    EXPECT_EQ(request.title, L"Select Template File");
    EXPECT_EQ(request.filter, L"ActiveX Controls (*.tpl)|*.tpl|Template Files (*.tpl)|*.tpl");
    EXPECT_EQ(request.initialFolder, folder.Text() + L"\\templates");
    EXPECT_EQ(request.owner, hwnd);
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyTEXTTemplate, L"<absent>"), L"<absent>");

    desktop.fileAnswers.push_back(textTemplate);
    Click(IDC_REP_CMDBROWSE);
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: mine_TEXT.tpl");
    EXPECT_EQ(dialog->TemplateTip(), textTemplate) << "the label shows the name, its tip the whole path";
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyTEXTTemplate, L"<absent>"), textTemplate);
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyHTMLTemplate, L"<absent>"), L"<absent>");
    Click(IDC_REP_DOCTYPE_0);
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: default_HTML.tpl");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ReportsDialogTest, AFailedSettingsWriteIsReportedAndTheLabelKeepsTheTemplateInForce) {
    SaveSetting(kSectionOptions, kKeyHTMLTemplate, htmlTemplate);
    // The store's section can be read but not written.
    HKEY options = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Options", 0, WRITE_DAC | KEY_READ,
                            &options), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
    ASSERT_EQ(RegSetKeySecurity(options, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    RegCloseKey(options);

    Open();
    desktop.answers.push_back(MsgAnswer::Ok);
    desktop.fileAnswers.push_back(folder.File(L"other.tpl"));
    Click(IDC_REP_CMDBROWSE);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.rfind(L"Error in cmdBrowse_Click()\r\nError ", 0), 0u) << desktop.messages[0].text;
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(ui::WindowText(Item(IDC_REP_LBLFILE)), L"Template: mine_HTML.tpl");
    EXPECT_EQ(GetSetting(kSectionOptions, kKeyHTMLTemplate, L""), htmlTemplate);
}

TEST_F(ReportsDialogTest, GeneratingWritesTheSameReportShowsProgressAndPutsTheStatusBack) {
    SaveSetting(kSectionOptions, kKeyHTMLTemplate, htmlTemplate);
    // A removed library leaves its index unused: the progress range still covers every index reported.
    CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    tree.Remove(tree.FindByKey(L"{LIB-0}"));
    Open();
    CheckDlgButton(hwnd, IDC_REP_CHKCONTROLS_2, BST_CHECKED);
    const std::wstring out = folder.File(L"report.htm");
    desktop.fileAnswers.push_back(out);

    // Mid-run: the dialog is busy, and Esc, the close box and Alt+F4 leave it standing.
    bool checkedWhileBusy = false;
    onProgress = [&] {
        if (checkedWhileBusy) return;
        checkedWhileBusy = true;
        EXPECT_TRUE(dialog->Generating());
        EXPECT_EQ(statusText, L"Generating Report...");
        EXPECT_TRUE(progressVisible);
        for (int id : {IDC_REP_CMDGENERAL, IDC_REP_CMDCANCEL, IDC_REP_CMDBROWSE, IDC_REP_FRAME2, IDC_REP_FRAME3})
            EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
        EXPECT_FALSE(CloseItemEnabled());
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        // A click queued on Generate must not start a second run inside this one.
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
        Sleep(60);
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(frmReports::Current(), dialog);
    };
    Click(IDC_REP_CMDGENERAL);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

    ASSERT_TRUE(checkedWhileBusy);
    EXPECT_TRUE(IsWindow(hwnd)) << "the dialog stays open after a run";
    EXPECT_FALSE(dialog->Generating());
    EXPECT_EQ(progressMaximum, tree.Capacity());
    for (int value : progressValues) EXPECT_LE(value, progressMaximum);
    EXPECT_EQ(progressValues.back(), tree.Roots().back());
    EXPECT_FALSE(progressVisible);
    EXPECT_EQ(statusHistory, (std::vector<std::wstring>{L"Generating Report...", L"C:\\Windows\\System32\\grid.ocx"}));
    EXPECT_EQ(busyHistory, (std::vector<bool>{true, false}));
    for (int id : {IDC_REP_CMDGENERAL, IDC_REP_CMDCANCEL, IDC_REP_CMDBROWSE, IDC_REP_FRAME2, IDC_REP_FRAME3})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
    EXPECT_TRUE(CloseItemEnabled());
    EXPECT_FALSE(IsWindowEnabled(owner));

    // Byte for byte what the console companion writes from the same catalogue.
    ASSERT_EQ(desktop.fileDialogs.size(), 1u) << "one run only";
    EXPECT_EQ(desktop.fileDialogs[0].filter, L"HTML Document (*.htm)|*.htm");
    const std::wstring expected = folder.File(L"expected.htm");
    ASSERT_TRUE(WriteReport(catalogue, DocType::Html, htmlTemplate, expected, {}, {}));
    EXPECT_EQ(testing::ReadFileBytes(out), testing::ReadFileBytes(expected));
    EXPECT_NE(testing::ReadFileBytes(out).find("C|Control &lt;1&gt;|{C21}"), std::string::npos);
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(desktop.executions[0].verb + L" " + desktop.executions[0].file, L"open " + out);
}

TEST_F(ReportsDialogTest, TheTextKindAndItsOptionsReachTheGenerator) {
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, textTemplate);
    Open();
    Click(IDC_REP_DOCTYPE_1);
    CheckDlgButton(hwnd, IDC_REP_CHKCONTROLS_0, BST_CHECKED); // only missing
    CheckDlgButton(hwnd, IDC_REP_CHKCONTROLS_1, BST_CHECKED); // only libraries
    const std::wstring out = folder.File(L"report.txt");
    desktop.fileAnswers.push_back(out);
    Click(IDC_REP_CMDGENERAL);
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].defaultExt, L"txt");
    EXPECT_EQ(testing::ReadFileBytes(out), "<h>6\r\n\r\nL|Control <0>|Missing File!\r\n\r\n</end>\r\n\r\n");
    EXPECT_TRUE(desktop.executions.empty());

    // An invalid template: the generator's message, and the dialog comes back to idle.
    SaveSetting(kSectionOptions, kKeyTEXTTemplate, folder.WriteFile(L"bad.tpl", "[FOOT]\r\n"));
    desktop.answers.push_back(MsgAnswer::Ok);
    Click(IDC_REP_CMDGENERAL);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.rfind(L"Invalid Template File\n" + folder.File(L"bad.tpl") + L"\n", 0), 0u);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_REP_CMDGENERAL)));
    EXPECT_EQ(statusText, L"C:\\Windows\\System32\\grid.ocx");
}

} // namespace
} // namespace nivex
