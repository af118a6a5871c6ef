// frmRegStatus and frmOptions under a real window system, driven by the messages their controls send.
#include <gtest/gtest.h>

#include "app/options_dialog.h"
#include "app/options_resource.h"
#include "common/text.h"
#include "registration/reg_status_window.h"
#include "registration/registration_resource.h"
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

TEST(StatusWindow, ShowsTheOutcomeInOneWindowThatGrowsForLongTextsAndOkPutsAway) {
    testing::ScriptedDesktop desktop;
    StatusWindowDisplay display(desktop);
    const OutcomeText oneLine{RegOutcome::Completed, true, L"Caption", L"Title", L"One line.", L""};
    display.Show(oneLine, nullptr);
    ASSERT_NE(frmRegStatus::Existing(), nullptr);
    HWND hwnd = frmRegStatus::Existing()->Handle();
    const auto shown = [hwnd] {
        return WindowText(hwnd) + L"|" + WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_TITLE)) + L"|" +
               WindowText(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE));
    };
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(shown(), L"Caption|Title|One line.");
    const LONG height = Rect(hwnd).bottom - Rect(hwnd).top;

    // A later outcome overwrites the same window; a message of several long lines makes it taller.
    const std::wstring line(220, L'n');
    display.Show({RegOutcome::TimedOut, false, L"Failed", L"Failed!", line + L"\nSecond.\nThird.", L""}, nullptr);
    EXPECT_EQ(frmRegStatus::Existing()->Handle(), hwnd);
    EXPECT_EQ(shown(), L"Failed|Failed!|" + line + L"\r\nSecond.\r\nThird.");
    EXPECT_GT(Rect(hwnd).bottom - Rect(hwnd).top, height);
    EXPECT_GE(Rect(GetDlgItem(hwnd, IDOK)).top, Rect(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)).bottom);

    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    // The one-shot runs wait until the user has pressed O&K.
    display.Show(oneLine, nullptr);
    EXPECT_EQ(Rect(hwnd).bottom - Rect(hwnd).top, height);
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
    // A selection and the notification the control sends for it.
    void Pick(int id, UINT select, WPARAM index, WORD notification) const {
        SendMessageW(Item(id), select, index, 0);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Click(int id) const { Pick(id, WM_NULL, 0, BN_CLICKED); }
    void ChooseTab(int index) const {
        SendMessageW(Item(IDC_OPT_TABS), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        NMHDR header{Item(IDC_OPT_TABS), IDC_OPT_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(hwnd, WM_NOTIFY, IDC_OPT_TABS, reinterpret_cast<LPARAM>(&header));
    }
    static std::wstring Setting(const wchar_t* section, const wchar_t* key) {
        return GetSetting(section, key, L"<absent>");
    }
};

TEST_F(OptionsDialogTest, TheStoreIsShownActionsAreSavedAtOnceAndOkSavesTheBoxesAndTheShellIntegration) {
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    SaveSetting(kSectionOptions, kKeyShowSplash, L"0");
    Open();
    // Splash off as stored, the tray icon off by default, the rest on by default.
    for (int box : {0, 1, 3, 4, 5, 6})
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_CHKGENERAL + box), box % 4 ? 1u : 0u) << box;
    EXPECT_EQ(WindowText(Item(IDC_LBLMESSAGE)).substr(0, 61),
              L"You have chosen to register a control that does not reside\r\ni");
    EXPECT_EQ(frmOptions::Show(nullptr, desktop, this), dialog) << "opening again brings the same dialog forward";
    ChooseTab(frmOptions::kTabDialogs);
    EXPECT_TRUE(IsWindowVisible(Item(IDC_CBOACTIONS)) && !IsWindowVisible(Item(IDC_CHKGENERAL_0)));
    Pick(IDC_LSTDIALOGS, LB_SETCURSEL, 1, LBN_SELCHANGE);
    EXPECT_EQ(SendMessageW(Item(IDC_CBOACTIONS), CB_GETCURSEL, 0, 0), 2);
    Pick(IDC_LSTDIALOGS, LB_SETCURSEL, 2, LBN_SELCHANGE);
    EXPECT_EQ(SendMessageW(Item(IDC_CBOACTIONS), CB_GETCOUNT, 0, 0), 2);
    Pick(IDC_CBOACTIONS, CB_SETCURSEL, 1, CBN_SELCHANGE);
    // Cancel: the general boxes are not saved, the action is.
    CheckDlgButton(hwnd, IDC_CHKGENERAL_0, BST_CHECKED);
    Click(IDCANCEL);
    EXPECT_EQ(frmOptions::Current(), nullptr);
    EXPECT_EQ(Setting(kSectionDialogs, kKeyEditRegistryData) + Setting(kSectionOptions, kKeyShowSplash), L"10");
    EXPECT_TRUE(exitCaptions.empty());

    for (const UINT on : {BST_CHECKED, BST_UNCHECKED}) { // the shell integration and the tray icon
        Open();
        CheckDlgButton(hwnd, IDC_CHKGENERAL_3, on);
        CheckDlgButton(hwnd, IDC_CHKGENERAL_4, on);
        CheckDlgButton(hwnd, IDC_CHKGENERAL_6, BST_UNCHECKED);
        Click(IDOK);
        std::wstring saved = Setting(kSectionAppearence, kKeyToolbarCaptions);
        for (const wchar_t* key :
             {kKeyShowSplash, kKeyIntegrateShell, kKeyMinimizeToTray, kKeyTipOfTheDay, kKeyPlaySounds})
            saved += Setting(kSectionOptions, key);
        EXPECT_EQ(saved + L"|" + testing::GetRegString(HKEY_CLASSES_ROOT, L".ocx", L"") + L"|" +
                      testing::GetRegString(HKEY_CLASSES_ROOT, L".dll", L"") + L"|" + exitCaptions.back(),
                  on == BST_CHECKED ? L"101110|Nivex.ActiveX.Control|Nivex.Dynamic.Link.Library|Minimize To Tray"
                                    : L"100010|ActiveX.Control|Dynamic.Link.Library|E&xit");
    }
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
    EXPECT_EQ(dialog->Browsers()[0].key + L" " + dialog->Browsers()[0].icon + L"|" + dialog->Browsers()[1].key + L" " +
                  dialog->Browsers()[1].icon,
              found + L" N4|" + saved + L" IE")
        << "the saved one after the search";

    // A browsed program is listed, not chosen; selecting it chooses it, shortened on screen only.
    const std::wstring longPath = L"D:\\" + std::wstring(180, L'a') + L"\\very long browser.exe";
    desktop.fileAnswers = {longPath};
    Click(IDC_CMDBROWSER);
    EXPECT_EQ(WindowText(Item(IDC_LBLBROWSER)), saved);
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Item(IDC_LVBROWSERS), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
    const std::wstring shown = WindowText(Item(IDC_LBLBROWSER));
    ASSERT_GT(shown.size(), 3u);
    EXPECT_LT(shown.size(), longPath.size());
    EXPECT_EQ(L"..." + longPath.substr(longPath.size() - (shown.size() - 3)), shown) << "the end of the path stays";
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyTestBrowser), longPath);
}

} // namespace
} // namespace nivex
