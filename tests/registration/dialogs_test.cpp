// frmRegStatus and frmOptions under a real window system, driven by the messages their controls send.
#include <gtest/gtest.h>

#include "common/text.h"
#include "registration/reg_status_window.h"
#include "registration/registration_resource.h"
#include "app/options_dialog.h"
#include "app/options_resource.h"
#include "registry/settings.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using testing::WindowText;

RECT Rect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}
int Height(HWND hwnd) { return Rect(hwnd).bottom - Rect(hwnd).top; }

TEST(StatusWindow, ShowsTheOutcomeReusesOneWindowGrowsForLongTextsAndOkPutsItAway) {
    testing::ScriptedDesktop desktop;
    StatusWindowDisplay display(desktop);
    const OutcomeText success = DescribeOutcome(RegOutcome::Completed, kModeRegister, L"C:\\Win\\System32\\a.ocx", L"");
    display.Show(success, nullptr);
    ASSERT_NE(frmRegStatus::Existing(), nullptr);
    HWND hwnd = frmRegStatus::Existing()->Handle();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(WindowText(hwnd) + L"|" + WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_TITLE)) + L"|" +
                  WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)),
              L"Nivex - Success|Registration Successful!|a.ocx was successfully registered in the "
              L"\"C:\\Win\\System32\\\" directory.");
    const int shortHeight = Height(hwnd);

    // A later outcome overwrites the same window; a long message of two lines makes it taller.
    display.Show(DescribeOutcome(RegOutcome::EntryPointFailed, kModeUnregister, L"C:\\" + std::wstring(220, L'n') + L".dll",
                                 L"The first reason line.\nThe second one."), nullptr);
    EXPECT_EQ(frmRegStatus::Existing()->Handle(), hwnd);
    EXPECT_EQ(WindowText(hwnd) + L"|" + WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_TITLE)),
              L"Nivex - Failed|Unregistration Failed!");
    EXPECT_NE(WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)).find(L"failed.\r\nThe first reason line.\r\nThe second"),
              std::wstring::npos);
    EXPECT_GT(Height(hwnd), shortHeight);
    EXPECT_GE(Rect(GetDlgItem(hwnd, IDOK)).top, Rect(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)).bottom)
        << "the button sits below the message";

    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    display.WaitUntilDismissed(); // nothing shown: returns at once
    // The one-shot runs wait until the user has pressed O&K.
    display.Show(success, nullptr);
    EXPECT_EQ(Height(hwnd), shortHeight);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    display.WaitUntilDismissed();
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

class OptionsDialogTest : public ::testing::Test, public OptionsHost {
protected:
    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder programs; // stands for "C:\Program Files\"
    std::vector<std::wstring> exitCaptions;
    frmOptions* dialog = nullptr;
    HWND hwnd = nullptr;

    void OptionsApplied(const std::wstring& exitCaption) override { exitCaptions.push_back(exitCaption); }
    void TearDown() override {
        if (frmOptions::Current()) DestroyWindow(frmOptions::Current()->Handle());
    }
    void Open() {
        frmOptions::SetBrowserSearchRoot(programs.Text());
        dialog = frmOptions::Show(nullptr, desktop, this);
        ASSERT_NE(dialog, nullptr);
        hwnd = dialog->Handle();
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    LRESULT Send(int id, UINT message, WPARAM w = 0, LPARAM l = 0) const { return SendMessageW(Item(id), message, w, l); }
    // A selection and the notification the control sends for it.
    void Pick(int id, UINT select, WPARAM index, WORD notification) const {
        Send(id, select, index);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Click(int id) const { Pick(id, WM_NULL, 0, BN_CLICKED); }
    void ChooseTab(int index) const {
        Send(IDC_OPT_TABS, TCM_SETCURSEL, static_cast<WPARAM>(index));
        NMHDR header{Item(IDC_OPT_TABS), IDC_OPT_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(hwnd, WM_NOTIFY, IDC_OPT_TABS, reinterpret_cast<LPARAM>(&header));
    }
    static std::wstring Setting(const wchar_t* section, const wchar_t* key) { return GetSetting(section, key, L"<absent>"); }
};

TEST_F(OptionsDialogTest, TheStoreIsShownAndAnActionIsSavedAtOnceAndSurvivesCancel) {
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    SaveSetting(kSectionOptions, kKeyShowSplash, L"0");
    Open();
    // Splash off as stored, the tray icon off by default, the rest on by default.
    for (int box : {0, 1, 3, 4, 5, 6}) EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_CHKGENERAL + box), box % 4 ? 1u : 0u) << box;
    EXPECT_EQ(WindowText(Item(IDC_LBLMESSAGE)).substr(0, 61), L"You have chosen to register a control that does not reside\r\ni");
    EXPECT_EQ(frmOptions::Show(nullptr, desktop, this), dialog) << "opening again brings the same dialog forward";
    ChooseTab(frmOptions::kTabDialogs);
    EXPECT_TRUE(IsWindowVisible(Item(IDC_CBOACTIONS)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_CHKGENERAL_0)));
    Pick(IDC_LSTDIALOGS, LB_SETCURSEL, 1, LBN_SELCHANGE);
    EXPECT_EQ(Send(IDC_CBOACTIONS, CB_GETCURSEL), 2);
    Pick(IDC_LSTDIALOGS, LB_SETCURSEL, 2, LBN_SELCHANGE);
    EXPECT_EQ(Send(IDC_CBOACTIONS, CB_GETCOUNT), 2);
    Pick(IDC_CBOACTIONS, CB_SETCURSEL, 1, CBN_SELCHANGE);
    EXPECT_EQ(Setting(kSectionDialogs, kKeyEditRegistryData), L"1");

    // Cancel: the general boxes are not saved, the action is.
    CheckDlgButton(hwnd, IDC_CHKGENERAL_0, BST_CHECKED);
    Click(IDCANCEL);
    EXPECT_EQ(frmOptions::Current(), nullptr);
    EXPECT_EQ(Setting(kSectionDialogs, kKeyEditRegistryData) + Setting(kSectionOptions, kKeyShowSplash), L"10");
    EXPECT_TRUE(exitCaptions.empty());
}

TEST_F(OptionsDialogTest, OkSavesTheBoxesAppliesTheShellIntegrationAndTellsTheMainWindow) {
    Open();
    CheckDlgButton(hwnd, IDC_CHKGENERAL_6, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_CHKGENERAL_4, BST_CHECKED);
    Click(IDOK);
    EXPECT_EQ(frmOptions::Current(), nullptr);
    std::wstring saved = Setting(kSectionAppearence, kKeyToolbarCaptions);
    for (const wchar_t* key : {kKeyShowSplash, kKeyIntegrateShell, kKeyMinimizeToTray, kKeyTipOfTheDay, kKeyPlaySounds})
        saved += Setting(kSectionOptions, key);
    EXPECT_EQ(saved, L"111110");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L".ocx", L""), L"Nivex.ActiveX.Control");
    EXPECT_EQ(exitCaptions, std::vector<std::wstring>{L"Minimize To Tray"});

    Open();
    CheckDlgButton(hwnd, IDC_CHKGENERAL_3, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_CHKGENERAL_4, BST_UNCHECKED);
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyIntegrateShell) + L"|" + testing::GetRegString(HKEY_CLASSES_ROOT, L".ocx", L"") +
                  L"|" + testing::GetRegString(HKEY_CLASSES_ROOT, L".dll", L"") + L"|" + exitCaptions.back(),
              L"0|ActiveX.Control|Dynamic.Link.Library|E&xit");
}

TEST_F(OptionsDialogTest, TheBrowserTabListsTheSearchedThenTheSavedBrowserAndSavesTheFullPathOfAChosenOne) {
    const std::wstring found = programs.WriteFile(L"Netscape\\Communicator\\Program\\netscape.exe", "MZ");
    // A folder with another attribute bit besides the directory flag (hidden here) is not entered.
    programs.WriteFile(L"Locked\\iexplore.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesW(programs.File(L"Locked").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::wstring saved = L"E:\\Old Browsers\\IEXPLORE.EXE";
    SaveSetting(kSectionOptions, kKeyTestBrowser, saved);
    Open();
    EXPECT_EQ(WindowText(Item(IDC_LBLBROWSER)), saved);
    ChooseTab(frmOptions::kTabBrowser);
    SetFileAttributesW(programs.File(L"Locked").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(dialog->Browsers().size(), 2u);
    EXPECT_EQ(dialog->Browsers()[0].key + L" " + dialog->Browsers()[0].icon, found + L" N4");
    EXPECT_EQ(dialog->Browsers()[1].key + L" " + dialog->Browsers()[1].icon, saved + L" IE") << "after the search";

    // A browsed program is listed, not chosen; selecting it chooses it, shortened on screen only.
    const std::wstring longPath = L"D:\\" + std::wstring(180, L'a') + L"\\very long browser.exe";
    desktop.fileAnswers = {longPath};
    Click(IDC_CMDBROWSER);
    EXPECT_EQ(WindowText(Item(IDC_LBLBROWSER)), saved);
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(IDC_LVBROWSERS, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
    const std::wstring shown = WindowText(Item(IDC_LBLBROWSER));
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(0, 3), L"...");
    EXPECT_LT(shown.size(), longPath.size());
    EXPECT_EQ(longPath.substr(longPath.size() - (shown.size() - 3)), shown.substr(3)) << "the end of the path stays";
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyTestBrowser), longPath);
}

} // namespace
} // namespace nivex
