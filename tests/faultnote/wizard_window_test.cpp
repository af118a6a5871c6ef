// The wizard driven in-process: pages and buttons, Exit, and Finish by clipboard and by file.
#include "faultnote/wizard_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/ui/toolkit.h"
#include "faultnote/faultnote_resource.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace faultnote {
namespace {

using nivex::testing::ReadFileBytes;
using nivex::testing::ScriptedDesktop;
using nivex::testing::TempFolder;
using velmora::MsgAnswer;
using velmora::MsgButtons;
using velmora::MsgIcon;

const std::wstring kSeparator = std::wstring(49, L'-') + L"\r\n";

using velmora::ui::WindowText;

class WizardTest : public ::testing::Test {
protected:
    void Open(ProductInfo product = {L"Velmora Control Manager", L"1.0", L"0001"}) {
        WizardSetup setup;
        setup.product = std::move(product);
        setup.osText = L"Microsoft Windows 10 (Version: 10.0.19045)";
        setup.programFolder = program.Text();
        setup.documentsFolder = documents.Text();
        setup.codePage = 1252;
        setup.today = [] { return std::wstring(L"12/7/2026"); };
        setup.endProgram = [this] { ++ended; };
        wizard = std::make_unique<WizardWindow>(std::move(setup));
        ASSERT_TRUE(wizard->Show());
    }
    HWND Wizard() const { return wizard->Handle(); }
    HWND Item(int id) const { return GetDlgItem(Wizard(), id); }
    HWND Field(int page, int id) const { return GetDlgItem(wizard->Page(page), id); }
    void Click(int id) { SendMessageW(Wizard(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id))); }
    void Set(int page, int id, const std::wstring& text) { SetWindowTextW(Field(page, id), text.c_str()); }
    void ChooseFile(bool view) {
        SendMessageW(Field(3, optEmail0), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageW(Field(3, optEmail1), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(Field(3, Check1_1), BM_SETCHECK, view ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void ToLastPage() {
        for (int i = 0; i < 3; ++i) Click(cmdNavigate0);
        ASSERT_EQ(wizard->CurrentPage(), 3);
    }
    COLORREF StepColour(int index) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(Wizard(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Item(lblNumber0 + index)));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }
    // Page, markers, step colours and buttons agree with the current page.
    void ExpectShowing(int page) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(IsWindowVisible(wizard->Page(i)) != FALSE, i == page) << "page " << i;
            EXPECT_EQ(IsWindowVisible(Item(imgBug0 + i)) != FALSE, i == page) << "marker " << i;
            EXPECT_EQ(StepColour(i), i == page ? RGB(0, 0, 0) : RGB(192, 192, 192)) << "step " << i;
        }
        EXPECT_EQ(IsWindowEnabled(Item(cmdNavigate1)) != FALSE, page > 0);
        EXPECT_EQ(WindowText(Item(cmdNavigate0)), page == 3 ? L"Finish" : L"Next >>");
    }
    std::wstring Report(const std::wstring& app, const std::wstring& version, const std::wstring& user,
                        const std::wstring& errors) {
        return L"Velmora Bug Report Wizard - 12/7/2026\r\n" + kSeparator + L"Application: " + app + L"\r\nVersion: " +
               version + L"\r\nOS: Microsoft Windows 10 (Version: 10.0.19045)\r\n" + kSeparator + L"Username: " + user +
               L"\r\nEmail: \r\n" + kSeparator + L"Reported Error Mesages:\r\n" + errors +
               L"\r\nCause of Error:\r\n\r\nDescription of Error:\r\n\r\n";
    }

    ScriptedDesktop desktop;
    TempFolder program;
    TempFolder documents;
    std::unique_ptr<WizardWindow> wizard;
    int ended = 0;
};

TEST_F(WizardTest, OpensOnTheFirstPageWithTheFieldsFilled) {
    Open();
    EXPECT_EQ(WindowText(Wizard()), L"Velmora Bug Report Wizard");
    ExpectShowing(0);
    EXPECT_EQ(WindowText(Field(0, txtAppInfo0)), L"Velmora Control Manager");
    EXPECT_EQ(WindowText(Field(0, txtAppInfo1)), L"1.0");
    EXPECT_EQ(WindowText(Field(0, txtAppInfo2)), L"0001");
    EXPECT_EQ(WindowText(Field(1, lblWinVer)), L"Microsoft Windows 10 (Version: 10.0.19045)");
    EXPECT_EQ(WindowText(Field(3, lblMailbox)), kBugMailbox);
    EXPECT_EQ(SendMessageW(Field(3, optEmail0), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(Field(3, optEmail1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(Field(3, Check1_0), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(Field(3, Check1_1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetWindow(Wizard(), GW_OWNER), nullptr);
}

TEST_F(WizardTest, NextAndBackWalkThePages) {
    Open();
    Click(cmdNavigate1); // disabled in the window; pressed anyway it stays on page 0
    ExpectShowing(0);
    for (int page = 1; page <= 3; ++page) {
        Click(cmdNavigate0);
        ExpectShowing(page);
    }
    Click(cmdNavigate1);
    ExpectShowing(2);
    Click(cmdNavigate1);
    Click(cmdNavigate1);
    ExpectShowing(0);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(ended, 0);
}

TEST_F(WizardTest, ExitAsksAndEndsOnlyOnYes) {
    Open();
    desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    Click(cmdNavigate2);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Are you sure you want to exit Velmora Bug Report Wizard?");
    EXPECT_EQ(desktop.messages[0].title, L"Exit?");
    EXPECT_EQ(desktop.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(IsWindow(Wizard()));
    EXPECT_EQ(ended, 0);
    Click(cmdNavigate2);
    EXPECT_EQ(wizard->Handle(), nullptr);
    EXPECT_EQ(ended, 1);
}

TEST_F(WizardTest, ClosingTheWindowEndsWithoutAQuestion) {
    Open();
    SendMessageW(Wizard(), WM_CLOSE, 0, 0);
    EXPECT_EQ(wizard->Handle(), nullptr);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(desktop.messages.empty());
    // Escape is not a way out.
    Open();
    SendMessageW(Wizard(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_NE(wizard->Handle(), nullptr);
}

TEST_F(WizardTest, FinishCopiesTheEditedReportViewsItAndOpensMail) {
    Open();
    Set(0, txtAppInfo0, L"Edited Product");
    Set(0, txtAppInfo2, L"0042");
    Set(1, txtUserInfo0, L"Ada");
    Set(2, txtErrors0, L"Line one\r\nLine two");
    ToLastPage();
    SendMessageW(Field(3, Check1_1), BM_SETCHECK, BST_CHECKED, 0);
    Click(cmdNavigate0);
    const std::wstring expected = Report(L"Edited Product", L"1.0.0042", L"Ada", L"Line one\r\nLine two");
    EXPECT_EQ(desktop.clipboard, expected);
    EXPECT_EQ(wizard->LastReport(), expected);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Copied Report to Windows Clipboard");
    EXPECT_EQ(desktop.messages[0].title, L"Saved Report");
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Information);
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(desktop.executions[0].verb, L"open");
    EXPECT_EQ(desktop.executions[0].file, std::wstring(L"mailto:") + kBugMailbox);
    EXPECT_EQ(desktop.executions[0].parameters, L"");
    // The viewer: owned by the wizard, path label and the report in Courier New.
    const HWND viewer = wizard->ViewerHandle();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), Wizard());
    EXPECT_EQ(WindowText(viewer), L"View Report");
    EXPECT_EQ(WindowText(GetDlgItem(viewer, lblPath)), L"Clipboard Data:");
    EXPECT_EQ(WindowText(GetDlgItem(viewer, txtView)), expected);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(viewer, txtView, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"Courier New");
    EXPECT_EQ(wizard->CurrentPage(), 3);
    ExpectShowing(3);
    // No files anywhere for the clipboard choice.
    EXPECT_TRUE(std::filesystem::is_empty(program.Path()));
}

TEST_F(WizardTest, BusyClipboardIsReportedNotCalledCopiedAndOnlyTheMessageShows) {
    Open();
    ToLastPage();
    SendMessageW(Field(3, Check1_1), BM_SETCHECK, BST_CHECKED, 0); // view, and mail as at start
    desktop.clipboardBusy = true;
    Click(cmdNavigate0);
    Click(cmdNavigate0); // a retry opens no mail message either
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_NE(desktop.messages[0].text, L"Copied Report to Windows Clipboard");
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(desktop.executions.empty());
    EXPECT_EQ(wizard->ViewerHandle(), nullptr) << "no \"Clipboard Data:\" without the data";
    desktop.messages.pop_back();
    // Finish again once the clipboard is free.
    desktop.clipboardBusy = false;
    Click(cmdNavigate0);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text, L"Copied Report to Windows Clipboard");
    EXPECT_EQ(desktop.clipboard, wizard->LastReport());
}

TEST_F(WizardTest, FinishTwiceWithTheFileRewritesIt) {
    Open({});
    ToLastPage();
    ChooseFile(true);
    SendMessageW(Field(3, Check1_0), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(cmdNavigate0);
    const std::wstring path = program.File(L"Bug_Report.txt");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Saved report to " + path);
    EXPECT_EQ(desktop.messages[0].title, L"Saved Report");
    const std::string first = ReadFileBytes(path);
    // Started without arguments: the labels alone, and the lone point of the version line.
    EXPECT_NE(first.find("\r\nApplication: \r\nVersion: .\r\n"), std::string::npos);
    EXPECT_EQ(first.substr(first.size() - 4), "\r\n\r\n");
    EXPECT_EQ(WindowText(GetDlgItem(wizard->ViewerHandle(), lblPath)), path);

    Set(1, txtUserInfo0, L"Jos\u00E9");
    Set(2, txtErrors0, L"Second");
    Click(cmdNavigate0);
    const std::string second = ReadFileBytes(path);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, "Velmora Bug Report Wizard - 12/7/2026\r\n" + std::string(49, '-') +
                          "\r\nApplication: \r\nVersion: .\r\nOS: Microsoft Windows 10 (Version: 10.0.19045)\r\n" +
                          std::string(49, '-') + "\r\nUsername: Jos\xE9\r\nEmail: \r\n" + std::string(49, '-') +
                          "\r\nReported Error Mesages:\r\nSecond\r\nCause of Error:\r\n\r\nDescription of Error:\r\n\r\n"
                          "\r\n");
    EXPECT_TRUE(desktop.executions.empty());
}

TEST_F(WizardTest, ReportFileFallsBackToDocumentsThenReportsFailure) {
    Open();
    // A folder in the way of the file makes the program folder unwritable for it, as for a normal user.
    std::filesystem::create_directory(program.Path() / L"Bug_Report.txt");
    Set(1, txtUserInfo0, L"\u0418\u0432\u0430\u043D"); // not in code page 1252
    ToLastPage();
    ChooseFile(false);
    SendMessageW(Field(3, Check1_0), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(cmdNavigate0);
    const std::wstring fallback = documents.File(L"Bug_Report.txt");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Saved report to " + fallback);
    const std::string bytes = ReadFileBytes(fallback);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("Username: \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\r\n"), std::string::npos);

    std::filesystem::remove(fallback);
    std::filesystem::remove(documents.Path()); // nowhere left to write
    SendMessageW(Field(3, Check1_1), BM_SETCHECK, BST_CHECKED, 0);
    Click(cmdNavigate0);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text.find(L"Saved report to"), std::wstring::npos);
    EXPECT_NE(desktop.messages[1].text.find(fallback), std::wstring::npos) << desktop.messages[1].text;
    EXPECT_EQ(desktop.messages[1].icon, MsgIcon::Critical);
    // The report stays at hand in the viewer.
    EXPECT_EQ(WindowText(GetDlgItem(wizard->ViewerHandle(), txtView)), wizard->LastReport());
}

TEST_F(WizardTest, MailProgramThatCannotStartIsReported) {
    Open();
    ToLastPage();
    desktop.executeResult = 31; // no association for mailto:
    Click(cmdNavigate0);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_NE(desktop.messages[1].text.find(kBugMailbox), std::wstring::npos);
}

} // namespace
} // namespace faultnote
