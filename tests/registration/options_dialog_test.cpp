// frmOptions under a real window system, driven by the messages its controls send.
#include <gtest/gtest.h>

#include <filesystem>

#include "registry/options_dialog.h"
#include "registry/registry_resource.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

std::wstring Text(HWND hwnd) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(hwnd, buffer, 2048);
    return buffer;
}

class RecordingHost final : public OptionsHost {
public:
    void OptionsApplied(const std::wstring& exitCaption) override { captions.push_back(exitCaption); }
    std::vector<std::wstring> captions;
};

class OptionsDialogTest : public ::testing::Test {
protected:
    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder programs; // stands for "C:\Program Files\"
    RecordingHost host;
    frmOptions* dialog = nullptr;
    HWND hwnd = nullptr;

    void SetUp() override { frmOptions::SetBrowserSearchRoot(programs.Text()); }
    void TearDown() override {
        if (frmOptions::Current()) DestroyWindow(frmOptions::Current()->Handle());
        frmOptions::SetBrowserSearchRoot(L"C:\\Program Files\\");
    }
    void Open() {
        dialog = frmOptions::Show(nullptr, &host);
        ASSERT_NE(dialog, nullptr);
        hwnd = dialog->Handle();
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    bool Checked(int index) const { return IsDlgButtonChecked(hwnd, IDC_CHKGENERAL + index) == BST_CHECKED; }
    void Click(int id) const { SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id))); }
    void ChooseTab(int index) const {
        SendMessageW(Item(IDC_OPT_TABS), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        NMHDR header{Item(IDC_OPT_TABS), IDC_OPT_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(hwnd, WM_NOTIFY, IDC_OPT_TABS, reinterpret_cast<LPARAM>(&header));
    }
    void ChooseDialogEntry(int index) const {
        SendMessageW(Item(IDC_LSTDIALOGS), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_LSTDIALOGS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(IDC_LSTDIALOGS)));
    }
    void ChooseAction(int index) const {
        SendMessageW(Item(IDC_CBOACTIONS), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CBOACTIONS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(IDC_CBOACTIONS)));
    }
    std::vector<std::wstring> Actions() const {
        std::vector<std::wstring> actions;
        const int count = static_cast<int>(SendMessageW(Item(IDC_CBOACTIONS), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t buffer[256] = {};
            SendMessageW(Item(IDC_CBOACTIONS), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            actions.push_back(buffer);
        }
        return actions;
    }
    void SelectBrowser(int row) const {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(Item(IDC_LVBROWSERS), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    std::wstring Setting(const wchar_t* section, const wchar_t* key) { return GetSetting(section, key, L"<absent>"); }
};

TEST_F(OptionsDialogTest, AnEmptyStoreShowsTheDefaults) {
    Open();
    EXPECT_EQ(Text(hwnd), L"Options");
    EXPECT_EQ(dialog->CurrentTab(), frmOptions::kTabGeneral);
    EXPECT_TRUE(IsWindowVisible(Item(IDC_CHKGENERAL_0)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_LSTDIALOGS)));
    EXPECT_TRUE(Checked(0) && Checked(1) && Checked(3) && Checked(5) && Checked(6));
    EXPECT_FALSE(Checked(4)) << "Enable Nivex Icon in System Tray";
    EXPECT_EQ(Text(Item(IDC_CHKGENERAL_4)), L"Enable Nivex Icon in System Tray");
    EXPECT_EQ(Text(Item(IDC_LBLBROWSER)), L"");
    EXPECT_EQ(SendMessageW(Item(IDC_LSTDIALOGS), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(Item(IDC_CBOACTIONS), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Actions(), (std::vector<std::wstring>{L"Prompt me for what to do. [default]",
                                                    L"Register control in it's current location.",
                                                    L"Copy control to System folder, then register it."}));
    EXPECT_EQ(Text(Item(IDC_LBLMESSAGE)).substr(0, 61),
              L"You have chosen to register a control that does not reside\r\ni");
    EXPECT_FALSE(dialog->BrowserListFilled());
    // Opening again brings the same dialog forward.
    EXPECT_EQ(frmOptions::Show(nullptr, &host), dialog);
}

TEST_F(OptionsDialogTest, AnActionIsSavedAtOnceAndSurvivesCancel) {
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    SaveSetting(kSectionOptions, kKeyMinimizeToTray, L"1");
    SaveSetting(kSectionOptions, kKeyShowSplash, L"0");
    Open();
    EXPECT_TRUE(Checked(4));
    EXPECT_FALSE(Checked(0));
    ChooseTab(frmOptions::kTabDialogs);
    EXPECT_TRUE(IsWindowVisible(Item(IDC_CBOACTIONS)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_CHKGENERAL_0)));

    ChooseDialogEntry(1);
    EXPECT_EQ(SendMessageW(Item(IDC_CBOACTIONS), CB_GETCURSEL, 0, 0), 2);
    EXPECT_NE(Text(Item(IDC_LBLMESSAGE)).find(L"Do you want to keep the file?"), std::wstring::npos);

    ChooseDialogEntry(2);
    EXPECT_EQ(Actions(), (std::vector<std::wstring>{L"Display a warning dialog. [default]",
                                                    L"Perform operation without warning."}));
    ChooseAction(1);
    EXPECT_EQ(Setting(kSectionDialogs, kKeyEditRegistryData), L"1");

    // Cancel: the general boxes are not saved, the action is.
    CheckDlgButton(hwnd, IDC_CHKGENERAL_0, BST_CHECKED);
    Click(IDCANCEL);
    EXPECT_EQ(frmOptions::Current(), nullptr);
    EXPECT_EQ(Setting(kSectionDialogs, kKeyEditRegistryData), L"1");
    EXPECT_EQ(Setting(kSectionOptions, kKeyShowSplash), L"0");
    EXPECT_TRUE(host.captions.empty());
}

TEST_F(OptionsDialogTest, OkSavesTheBoxesAppliesTheShellIntegrationAndTellsTheMainWindow) {
    Open();
    CheckDlgButton(hwnd, IDC_CHKGENERAL_6, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_CHKGENERAL_4, BST_CHECKED);
    Click(IDOK);
    EXPECT_EQ(frmOptions::Current(), nullptr);
    EXPECT_EQ(Setting(kSectionOptions, kKeyShowSplash), L"1");
    EXPECT_EQ(Setting(kSectionAppearence, kKeyToolbarCaptions), L"1");
    EXPECT_EQ(Setting(kSectionOptions, kKeyIntegrateShell), L"1");
    EXPECT_EQ(Setting(kSectionOptions, kKeyMinimizeToTray), L"1");
    EXPECT_EQ(Setting(kSectionOptions, kKeyTipOfTheDay), L"1");
    EXPECT_EQ(Setting(kSectionOptions, kKeyPlaySounds), L"0");
    EXPECT_EQ(Setting(kSectionOptions, kKeyTestBrowser), L"");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L".ocx", L""), L"Nivex.ActiveX.Control");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L".dll", L""), L"Nivex.Dynamic.Link.Library");
    EXPECT_EQ(host.captions, std::vector<std::wstring>{L"Minimize To Tray"});

    Open();
    CheckDlgButton(hwnd, IDC_CHKGENERAL_3, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_CHKGENERAL_4, BST_UNCHECKED);
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyIntegrateShell), L"0");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L".ocx", L""), L"ActiveX.Control");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L".dll", L""), L"Dynamic.Link.Library");
    EXPECT_EQ(host.captions.back(), L"E&xit");
}

TEST_F(OptionsDialogTest, TheBrowserTabSearchesOnceAndListsTheSavedBrowser) {
    programs.WriteFile(L"Internet Explorer\\iexplore.exe", "MZ");
    programs.WriteFile(L"Netscape\\Communicator\\Program\\netscape.exe", "MZ");
    programs.WriteFile(L"Netscape 6\\NETSCP6.EXE", "MZ");
    programs.WriteFile(L"Tools\\readme.txt", "text");
    // A folder with another attribute bit besides the directory flag (hidden here) is not entered.
    programs.WriteFile(L"Locked\\iexplore.exe", "MZ");
    const std::wstring locked = programs.File(L"Locked");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(GetFileAttributesW(locked.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    const std::wstring saved = L"E:\\Old Browsers\\IEXPLORE.EXE";
    SaveSetting(kSectionOptions, kKeyTestBrowser, saved);

    Open();
    EXPECT_EQ(Text(Item(IDC_LBLBROWSER)), saved);
    ChooseTab(frmOptions::kTabBrowser);
    EXPECT_TRUE(IsWindowVisible(Item(IDC_LVBROWSERS)));
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(dialog->BrowserListFilled());
    std::map<std::wstring, std::wstring> icons;
    for (const auto& entry : dialog->Browsers()) icons[entry.key] = entry.icon;
    const std::wstring root = programs.Text() + L"\\";
    EXPECT_EQ(icons, (std::map<std::wstring, std::wstring>{
                         {root + L"Internet Explorer\\iexplore.exe", L"IE"},
                         {root + L"Netscape\\Communicator\\Program\\netscape.exe", L"N4"},
                         {root + L"Netscape 6\\NETSCP6.EXE", L"N6"},
                         {saved, L"IE"},
                     }));
    EXPECT_EQ(dialog->Browsers().back().key, saved) << "the saved browser comes after the search";
    EXPECT_EQ(SendMessageW(Item(IDC_LVBROWSERS), LVM_GETITEMCOUNT, 0, 0), 4);

    // The search runs once per opening.
    ChooseTab(frmOptions::kTabGeneral);
    ChooseTab(frmOptions::kTabBrowser);
    EXPECT_EQ(dialog->Browsers().size(), 4u);

    // Selecting an entry makes it the browser; OK saves it.
    SelectBrowser(0);
    EXPECT_EQ(Text(Item(IDC_LBLBROWSER)), dialog->Browsers()[0].key);
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyTestBrowser), root + L"Internet Explorer\\iexplore.exe");
}

TEST_F(OptionsDialogTest, BrowseListsAChosenProgramOnceAndALongPathIsShortenedOnScreenOnly) {
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"");
    Open();
    ChooseTab(frmOptions::kTabBrowser);
    const std::wstring longPath = L"D:\\" + std::wstring(60, L'a') + L"\\" + std::wstring(60, L'b') + L"\\" +
                                  std::wstring(60, L'c') + L"\\very long browser.exe";
    desktop.fileAnswers = {longPath, longPath, L"0"};
    Click(IDC_CMDBROWSER);
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].title, L"Choose Browser");
    EXPECT_EQ(desktop.fileDialogs[0].filter, L"Program Files (*.exe)|*.exe");
    EXPECT_EQ(desktop.fileDialogs[0].initialFolder, L"C:\\Program Files\\");
    EXPECT_EQ(desktop.fileDialogs[0].owner, hwnd);
    Click(IDC_CMDBROWSER); // the same again: not listed twice
    Click(IDC_CMDBROWSER); // cancelled
    ASSERT_EQ(dialog->Browsers().size(), 1u);
    EXPECT_EQ(dialog->Browsers()[0].icon, L"PROGRAM");
    EXPECT_EQ(dialog->Browsers()[0].text, L"very long browser.exe");
    EXPECT_EQ(Text(Item(IDC_LBLBROWSER)), L"") << "listed, not chosen";

    SelectBrowser(0);
    const std::wstring shown = Text(Item(IDC_LBLBROWSER));
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(0, 3), L"...");
    EXPECT_LT(shown.size(), longPath.size());
    EXPECT_EQ(longPath.substr(longPath.size() - (shown.size() - 3)), shown.substr(3)) << "the end of the path stays";
    RECT label{}, panel{};
    GetWindowRect(Item(IDC_LBLBROWSER), &label);
    GetWindowRect(Item(IDC_OPT_FRABROWSER), &panel);
    EXPECT_LE(label.right - label.left, panel.right - panel.left);
    EXPECT_EQ(dialog->ChosenBrowser(), longPath);
    Click(IDOK);
    EXPECT_EQ(Setting(kSectionOptions, kKeyTestBrowser), longPath);
}

} // namespace
} // namespace nivex
