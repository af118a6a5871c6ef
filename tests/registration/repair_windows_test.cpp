// frmFindFile and frmEditData under a real window system, driven by the messages their controls send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <set>

#include "common/text.h"
#include "registration/reg_backup.h"
#include "registration/registration_resource.h"
#include "registration/repair_operations.h"
#include "registration/repair_windows.h"
#include "registry/settings.h"
#include "common/handles.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using testing::WindowText;

const std::wstring kClass = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B002}";

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Posts a message from a thread timer, so that it arrives only once the search lets messages run.
MSG later{};
void CALLBACK PostLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(later.hwnd, later.message, later.wParam, 0);
}
void Later(HWND hwnd, UINT message, WPARAM wParam) {
    later = {hwnd, message, wParam, 0, 0, {}};
    SetTimer(nullptr, 0, 1, &PostLater);
}

class FindFileWindow : public ::testing::Test {
protected:
    testing::RegistrationScene scene; // puts the system and program folders back
    testing::ScriptedDesktop& desktop = scene.desktop;
    const testing::TempFolder &system = scene.system, &tree = scene.work;
    std::unique_ptr<frmFindFile> window;
    HWND hwnd = nullptr;

    void SetUp() override {
        SetProgramFolder(L"D:\\Programs\\Nivex");
        window = std::make_unique<frmFindFile>(desktop);
        window->SetupFind(L"C:\\gone\\DIAL.OCX", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B001}");
        hwnd = window->CreateModeless(IDD_FINDFILE, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    std::vector<std::wstring> LookIn() const {
        std::vector<std::wstring> texts(static_cast<size_t>(SendMessageW(Item(IDC_CBOLOOKIN), CB_GETCOUNT, 0, 0)));
        for (size_t i = 0; i < texts.size(); ++i) {
            wchar_t buffer[MAX_PATH] = {};
            COMBOBOXEXITEMW item{};
            item.mask = CBEIF_TEXT;
            item.iItem = static_cast<INT_PTR>(i);
            item.pszText = buffer;
            item.cchTextMax = MAX_PATH;
            SendMessageW(Item(IDC_CBOLOOKIN), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            texts[i] = buffer;
        }
        return texts;
    }
    // The results as location and name, in list order.
    std::vector<std::wstring> Found() const {
        std::vector<std::wstring> paths(static_cast<size_t>(ListView_GetItemCount(Item(IDC_LVFOUND))));
        for (int i = 0; i < static_cast<int>(paths.size()); ++i) {
            wchar_t location[MAX_PATH] = {}, name[MAX_PATH] = {};
            ListView_GetItemText(Item(IDC_LVFOUND), i, 1, location, MAX_PATH);
            ListView_GetItemText(Item(IDC_LVFOUND), i, 0, name, MAX_PATH);
            paths[static_cast<size_t>(i)] = std::wstring(location) + name;
        }
        return paths;
    }
};

TEST_F(FindFileWindow, OpensOnTheSystemFolderAndFindsOrdinaryFilesInAnyLetterCaseOnlyWhereAskedTo) {
    EXPECT_EQ(WindowText(hwnd), L"Find Missing File");
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHFILE)), L"Searching for DIAL.OCX...");
    EXPECT_EQ(LookIn(), (std::vector<std::wstring>{system.Text() + L"\\", L"D:\\"})) << "and the program's drive root";
    EXPECT_EQ(window->SearchFolder(), system.Text() + L"\\");
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_CHKRECURSIVE), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_CMDCHOOSEFILE)));

    // Every real folder is searched, a read-only system one too (customised folders are); a hidden file and a
    // folder of the wanted name are not listed.
    for (const wchar_t* folder : {L"sub", L"readonly", L"other\\dial.ocx"})
        std::filesystem::create_directories(tree.Path() / folder);
    for (const wchar_t* file : {L"sub\\dial.ocx", L"readonly\\Dial.ocx", L"other\\dial.ocx\\DIAL.ocx", L"dial.OCX"})
        tree.WriteFile(file, "x");
    SetFileAttributesW(tree.File(L"dial.OCX").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(tree.File(L"readonly").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
    desktop.folderAnswers = {tree.Text()};
    Click(hwnd, IDC_CMDBROWSE);
    EXPECT_EQ(window->SearchFolder(), tree.Text() + L"\\");
    Click(hwnd, IDC_CMDSEARCH);
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHSTATUS)), L"0 File(s) found.");
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHFILE)), L"Finished Searching for DIAL.OCX.");
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_CMDCHOOSEFILE)));

    CheckDlgButton(hwnd, IDC_CHKRECURSIVE, BST_CHECKED);
    Click(hwnd, IDC_CMDSEARCH);
    SetFileAttributesW(tree.File(L"readonly").c_str(), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHSTATUS)), L"3 File(s) found.");
    const std::wstring base = tree.Text() + L"\\";
    const std::vector<std::wstring> found = Found();
    EXPECT_EQ(std::set(found.begin(), found.end()),
              (std::set<std::wstring>{base + L"other\\dial.ocx\\DIAL.ocx", base + L"readonly\\Dial.ocx",
                                      base + L"sub\\dial.ocx"}));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_CMDCHOOSEFILE)));
    EXPECT_EQ(WindowText(Item(IDC_CMDCANCEL)), L"&Close");

    // Select File asks first; Yes hands the selected (first) file's full path over and closes.
    desktop.answers = {MsgAnswer::Yes};
    Click(hwnd, IDC_CMDCHOOSEFILE);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, L"Confirm Re-Registration");
    EXPECT_EQ(window->Chosen(), found[0]);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(FindFileWindow, BrowsingRemembersFiveFoldersNewestFirstWithoutDoubles) {
    for (int i = 1; i <= 6; ++i) {
        desktop.folderAnswers = {L"C:\\Folder" + std::to_wstring(i)};
        Click(hwnd, IDC_CMDBROWSE);
    }
    EXPECT_EQ(ReadSetting(kSectionData, L"RecentFindFolders1"), L"C:\\Folder6\\");
    EXPECT_EQ(ReadSetting(kSectionData, L"RecentFindFolders5"), L"C:\\Folder2\\");
    const size_t entries = LookIn().size();

    // Already listed, in other letters: selected, nothing moves.
    desktop.folderAnswers = {L"c:\\FOLDER4\\"};
    Click(hwnd, IDC_CMDBROWSE);
    EXPECT_EQ(LookIn().size(), entries);
    EXPECT_EQ(ReadSetting(kSectionData, L"RecentFindFolders1"), L"C:\\Folder6\\");
    EXPECT_TRUE(EqualsNoCase(window->SearchFolder(), L"C:\\Folder4\\"));
    // Cancelled: nothing changes.
    desktop.folderAnswers = {L""};
    Click(hwnd, IDC_CMDBROWSE);
    EXPECT_TRUE(EqualsNoCase(window->SearchFolder(), L"C:\\Folder4\\"));

    // A new window lists SYSTEM, the drive and the five remembered folders; choosing one makes it the search folder.
    frmFindFile second(desktop);
    second.SetupFind(L"x.ocx", L"");
    HWND other = second.CreateModeless(IDD_FINDFILE, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(other, IDC_CBOLOOKIN), CB_GETCOUNT, 0, 0), 7);
    SendMessageW(GetDlgItem(other, IDC_CBOLOOKIN), CB_SETCURSEL, 2, 0);
    SendMessageW(other, WM_COMMAND, MAKEWPARAM(IDC_CBOLOOKIN, CBN_SELCHANGE), 0);
    EXPECT_EQ(second.SearchFolder(), L"C:\\Folder6\\");
}

TEST_F(FindFileWindow, StopAndTheCloseBoxEndASearchButNotTheWindowAndASecondSearchRunsNormally) {
    for (int i = 0; i < 120; ++i) {
        std::filesystem::create_directories(tree.Path() / (L"d" + std::to_wstring(i)) / L"e");
        tree.WriteFile(L"d" + std::to_wstring(i) + L"\\e\\dial.ocx", "x");
    }
    desktop.folderAnswers = {tree.Text()};
    Click(hwnd, IDC_CMDBROWSE);
    CheckDlgButton(hwnd, IDC_CHKRECURSIVE, BST_CHECKED);

    // The stop arrives as a click while the search pumps messages.
    Later(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CMDCANCEL, BN_CLICKED));
    Click(hwnd, IDC_CMDSEARCH);
    ASSERT_TRUE(IsWindow(hwnd));
    const size_t partial = Found().size();
    EXPECT_LT(partial, 120u);
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHSTATUS)), std::to_wstring(partial) + L" File(s) found.");

    Later(hwnd, WM_CLOSE, 0);
    Click(hwnd, IDC_CMDSEARCH);
    ASSERT_TRUE(IsWindow(hwnd)) << "the close box stops the search instead of destroying the window";
    EXPECT_LT(Found().size(), 120u);

    Click(hwnd, IDC_CMDSEARCH);
    EXPECT_EQ(WindowText(Item(IDC_LBLSEARCHSTATUS)), L"120 File(s) found.");

    // Not searching: declining the re-registration closes the window.
    desktop.answers = {MsgAnswer::No};
    Click(hwnd, IDC_CMDCHOOSEFILE);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window->Chosen(), L"");
}

TEST_F(FindFileWindow, WithFoundMissingFileSetTheFileIsTakenWithoutTheQuestion) {
    const std::wstring file = system.WriteFile(L"Dial.ocx", "x");
    SaveSetting(kSectionDialogs, kKeyFoundMissingFile, L"1");
    Click(hwnd, IDC_CMDSEARCH);
    Click(hwnd, IDC_CMDCHOOSEFILE);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(window->Chosen(), file);
}

// The edit and restore windows, with a scratch backup folder and one control's class key.
class RepairDialog : public ::testing::Test {
protected:
    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder backups;
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    std::unique_ptr<frmEditData> dialog;
    HWND hwnd = nullptr;

    void SetUp() override {
        SetBackupFolder(backups.Text());
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClass, L"", L"Edit Test Control");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClass + L"\\ToolboxBitmap32", L"",
                              L"%SystemRoot%\\t.ocx, 1", REG_EXPAND_SZ);
    }
    void TearDown() override { SetBackupFolder(L""); }
    void Open(const std::wstring& element) {
        dialog = std::make_unique<frmEditData>(
            desktop, EditDataRequest{kClass, L"Edit Test Control", element},
            [this](const std::wstring& e, const std::wstring& v) { rows.emplace_back(e, v); });
        hwnd = dialog->CreateModeless(IDD_EDITDATA, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
};

TEST_F(RepairDialog, ShowsTheStoredTextAsksOnceWritesItAndKeepsItWhenTheWriteFails) {
    Open(L"Toolbox Bitmap");
    EXPECT_EQ(WindowText(hwnd) + L"|" + WindowText(Item(IDC_LBLELEMENT)) + L"|" + WindowText(Item(IDC_TXTDATA)),
              L"Edit Data - Edit Test Control|Toolbox Bitmap|%SystemRoot%\\t.ocx, 1")
        << "raw, not expanded";
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_TXTDATA)));
    Click(hwnd, IDOK); // unchanged: no question, nothing written
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(IsWindow(hwnd));

    Open(L"Toolbox Bitmap");
    SetWindowTextW(Item(IDC_TXTDATA), L"%SystemRoot%\\u.ocx, 2");
    desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    Click(hwnd, IDOK);
    EXPECT_TRUE(IsWindow(hwnd)) << "No keeps the dialog open";
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, L"Warning");
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    Click(hwnd, IDOK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClass + L"\\ToolboxBitmap32", L""),
              L"%SystemRoot%\\u.ocx, 2");
    EXPECT_EQ(rows,
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"Toolbox Bitmap", L"%SystemRoot%\\u.ocx, 2"}}));

    // With "EditRegistryData" 1 there is no warning.
    SaveSetting(kSectionDialogs, kKeyEditRegistryData, L"1");
    Open(L"Control Name");
    SetWindowTextW(Item(IDC_TXTDATA), L"Renamed");
    Click(hwnd, IDOK);
    EXPECT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClass, L""), L"Renamed");

    EXPECT_FALSE(EditDataCommand(nullptr, desktop, {kClass, L"x", L"Status"}, {})) << "the Status row only beeps";
    Open(L"CLSID");
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_TXTDATA)));
    EXPECT_EQ(WindowText(Item(IDC_TXTDATA)), kClass);
    Open(L"Version");
    EXPECT_EQ(WindowText(Item(IDC_TXTDATA)), L"") << "no Version key: nothing to show";
    SetWindowTextW(Item(IDC_TXTDATA), L"9.9");
    // A file where the backup folder should be: the backup fails, so nothing is written.
    SetBackupFolder(backups.WriteFile(L"blocker", "x") + L"\\sub");
    desktop.answers = {MsgAnswer::Ok};
    Click(hwnd, IDOK);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(WindowText(Item(IDC_TXTDATA)), L"9.9");
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[2].title, L"Edit Data");
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClass + L"\\Version"));
    EXPECT_EQ(rows.size(), 2u) << "the two written rows only";
}

TEST_F(RepairDialog, TheRestoreListShowsBackupsNewestFirstDeletesAfterAskingAndRestoresTheChosenOne) {
    const std::wstring versionKey = L"CLSID\\" + kClass + L"\\Version";
    // Written in this order, dated the other way round: the list goes by date.
    const auto dated = [](const std::wstring& file, int day) {
        FileHandle handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        SYSTEMTIME time{2026, 12, 0, static_cast<WORD>(day), 12, 0, 0, 0};
        FILETIME stamp{};
        SystemTimeToFileTime(&time, &stamp);
        SetFileTime(handle.Get(), nullptr, nullptr, &stamp);
        return file;
    };
    const auto backup = [&](const wchar_t* operation, int day) {
        BackupRequest request;
        request.header.operation = operation;
        request.header.control = L"Edit Test Control";
        request.identifier = kClass;
        request.keys = {versionKey};
        return dated(WriteBackup(request), day);
    };
    const std::wstring older = backup(L"Edit Data", 5);
    testing::SetRegString(HKEY_CLASSES_ROOT, versionKey, L"", L"1.0");
    const std::wstring newer = backup(L"Remove Registry Keys", 6);
    dated(backups.WriteFile(L"exported.reg", "Windows Registry Editor Version 5.00\r\n"), 4);
    EXPECT_NE(older.find(L" Edit Test Control.reg"), std::wstring::npos) << "the name tells backups apart";

    frmRestoreList window(desktop);
    hwnd = window.CreateModeless(IDD_RESTORELIST, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(window.Entries().size(), 3u);
    EXPECT_EQ(window.Entries()[0].path, newer);
    EXPECT_EQ(window.Entries()[1].path, older);
    EXPECT_EQ(window.Entries()[0].control, L"Edit Test Control");
    EXPECT_EQ(window.Entries()[2].operation, L"") << "a file of someone else's";

    desktop.answers = {MsgAnswer::No};
    Click(hwnd, IDC_CMDDELETEBACKUP);
    EXPECT_TRUE(std::filesystem::exists(newer)) << "declined";
    desktop.answers = {MsgAnswer::Yes};
    Click(hwnd, IDC_CMDDELETEBACKUP);
    EXPECT_FALSE(std::filesystem::exists(newer));
    ASSERT_EQ(window.Entries().size(), 2u);

    // The older backup was taken before Version existed: restoring it takes Version away again.
    ListView_SetItemState(GetDlgItem(hwnd, IDC_LVBACKUPS), 0, LVIS_SELECTED, LVIS_SELECTED);
    desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    Click(hwnd, IDC_CMDRESTORE);
    EXPECT_TRUE(window.Restored());
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, versionKey));
}

} // namespace
} // namespace nivex
