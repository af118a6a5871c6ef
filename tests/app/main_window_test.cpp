// The main window over a sandboxed registry: trees, details, command states, display modes, Find in List,
// the exit path, the tray, Copy Data and the context menu. Driven with WM_COMMAND and control messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/command_rules.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "common/paths.h"
#include "common/text.h"
#include "inspect/bitmap_preview.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::SetRegString;

const wchar_t* const kLibAlpha = L"{A0000000-0000-0000-0000-000000000001}";
const wchar_t* const kLibGamma = L"{A0000000-0000-0000-0000-000000000002}";
const wchar_t* const kLibDelta = L"{A0000000-0000-0000-0000-000000000003}";

std::wstring ClassId(int n) { return L"{10000000-0000-0000-0000-00000000000" + std::to_wstring(n) + L"}"; }

// Text of a menu item up to its shortcut.
std::wstring MenuText(HMENU menu, UINT item, UINT flags = MF_BYCOMMAND) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, item, text, 128, flags);
    std::wstring s(text);
    return s.substr(0, s.find(L'\t'));
}

bool MenuGrey(HMENU menu, int id) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    EXPECT_NE(state, static_cast<UINT>(-1)) << "no menu item " << id;
    return (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolder(folder.Text());
        SetOsIsMajor5(false);
        alphaPath = folder.WriteFile(L"alpha.ocx", std::string(3000, 'a'));
        deltaPath = folder.WriteFile(L"delta.ocx", std::string(100, 'd'));
        Register(1, L"Alpha Control", kLibAlpha, alphaPath, alphaPath + L", 1");
        Register(2, L"Gamma Control", kLibGamma, folder.File(L"gone.ocx"));
        Register(3, L"Beta Control", kLibAlpha, alphaPath);
        Register(4, L"Delta Widget", kLibDelta, deltaPath);
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(5), L"", L"Not a control");
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(5) + L"\\InProcServer32", L"", alphaPath);
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(kLibAlpha) + L"\\1.0", L"", L"Alpha Library");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(kLibGamma) + L"\\1.0", L"", L"Gamma Library");
        SaveSetting(kSectionOptions, kKeyShowSplash, L"0");
    }

    void TearDown() override { window.reset(); }

    void Register(int n, const std::wstring& name, const std::wstring& lib, const std::wstring& path,
                  const std::wstring& toolbox = L"") {
        const std::wstring key = L"CLSID\\" + ClassId(n);
        SetRegString(HKEY_CLASSES_ROOT, key, L"", name);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\Control", L"", L"");
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"", lib);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\InProcServer32", L"", path);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\Version", L"", L"1.0");
        if (!toolbox.empty()) SetRegString(HKEY_CLASSES_ROOT, key + L"\\ToolboxBitmap32", L"", toolbox);
    }

    void Start() {
        window = std::make_unique<MainWindow>();
        window->SetEndProcess([this] { ++ended; });
        window->SetPropertiesOpener([this](void*, const std::wstring& path) {
            propertiesOpened.push_back(path);
            return true;
        });
        window->SetPopupMenu([this](HMENU menu, POINT) {
            std::vector<std::wstring> items;
            for (int i = 0; i < GetMenuItemCount(menu); ++i) items.push_back(MenuText(menu, static_cast<UINT>(i), MF_BYPOSITION));
            popups.push_back(items);
        });
        ASSERT_TRUE(window->Load());
        hwnd = window->Handle();
    }

    void Command(int id) { SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Notify(HWND from, int id, UINT code) {
        NMHDR header{from, static_cast<UINT_PTR>(id), code};
        SendMessageW(hwnd, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&header));
    }

    // Every item of a tree, depth first, as "text" with two blanks per level.
    std::vector<std::wstring> TreeTexts(int t) {
        ui::TreeView view(window->Tree(t));
        std::vector<std::wstring> out;
        for (HTREEITEM root = view.Root(); root; root = view.Next(root)) {
            out.push_back(view.Text(root));
            for (HTREEITEM child = view.Child(root); child; child = view.Next(child)) out.push_back(L"  " + view.Text(child));
        }
        return out;
    }
    HTREEITEM ItemOf(int t, const std::wstring& text, bool library) {
        ui::TreeView view(window->Tree(t));
        for (HTREEITEM root = view.Root(); root; root = view.Next(root)) {
            if (library && view.Text(root) == text) return root;
            for (HTREEITEM child = view.Child(root); child; child = view.Next(child))
                if (!library && view.Text(child) == text) return child;
        }
        ADD_FAILURE() << "no item " << WideToUtf8(text);
        return nullptr;
    }
    void SelectControl(const std::wstring& text, int t = 0) { ui::TreeView(window->Tree(t)).Select(ItemOf(t, text, false)); }
    std::wstring SelectedText(int t) {
        ui::TreeView view(window->Tree(t));
        return view.Text(view.Selected());
    }
    bool Grey(int id) {
        if (id >= tbRegister && id <= tbOptions) return SendMessageW(window->Toolbar(), TB_ISBUTTONENABLED, id, 0) == 0;
        return MenuGrey(id >= mnuTrayOpenNivex && id <= mnuTrayExit ? window->TrayMenu() : window->MenuBar(), id);
    }
    std::wstring Setting(const wchar_t* section, const wchar_t* key) { return GetSetting(section, key, L"<absent>"); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    testing::ScriptedDesktop desktop;
    std::unique_ptr<MainWindow> window;
    HWND hwnd = nullptr;
    std::wstring alphaPath, deltaPath;
    int ended = 0;
    std::vector<std::vector<std::wstring>> popups;
    std::vector<std::wstring> propertiesOpened;
};

TEST_F(MainWindowTest, StartUpFillsBothTreesInInsertionOrderAndClicksTheFirstNode) {
    Start();
    EXPECT_EQ(ui::WindowText(hwnd), L"Velmora Control Manager");
    EXPECT_EQ(TreeTexts(0), (std::vector<std::wstring>{L"Alpha Library", L"  Alpha Control", L"  Beta Control",
                                                       L"Gamma Library", L"  Gamma Control", L"Delta Widget",
                                                       L"  Delta Widget"}));
    EXPECT_EQ(TreeTexts(1), (std::vector<std::wstring>{L"Gamma Library", L"  Gamma Control"}));
    ui::TreeView all(window->Tree(0));
    EXPECT_TRUE(all.IsBold(ItemOf(0, L"Gamma Library", true)));
    EXPECT_FALSE(all.IsBold(ItemOf(0, L"Alpha Library", true)));
    EXPECT_FALSE(ui::TreeView(window->Tree(1)).IsBold(ItemOf(1, L"Gamma Library", true)));
    EXPECT_EQ(all.Image(ItemOf(0, L"Gamma Library", true)), 0); // ERROR
    EXPECT_EQ(all.Image(ItemOf(0, L"Alpha Library", true)), 2); // DEFAULT
    EXPECT_EQ(all.Image(ItemOf(0, L"Beta Control", false)), 3); // COMPONENT

    EXPECT_EQ(SelectedText(0), L"Alpha Library");
    EXPECT_EQ(window->PanelText(MainWindow::kPanelDisplay), L"All Controls");
    EXPECT_EQ(window->PanelText(MainWindow::kPanelCount), L"4 Controls in 3 Libraries");
    // The library's first control fills the details, and its file goes to "STATUS".
    EXPECT_EQ(window->DetailData(0, L"Control Name"), L"Alpha Control");
    EXPECT_EQ(window->DetailData(1, L"Filename"), alphaPath);
    EXPECT_EQ(window->PanelText(MainWindow::kPanelStatus), alphaPath);
    EXPECT_EQ(ui::ListView(window->List(0)).SelectedRow(), 0);
    EXPECT_EQ(ui::ListView(window->List(1)).SelectedRow(), 0);
    EXPECT_EQ(BitmapPreview::Instance().Reference(), alphaPath + L", 1");

    EXPECT_EQ(desktop.sounds, (std::vector<std::wstring>{JoinPath(folder.Text(), L"Media\\nivex_ref.wav")}));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(IsWindowVisible(window->ProgressBarHandle()));
    // After the scan: the Close item is back, the menus and the tree work.
    EXPECT_FALSE(MenuGrey(GetSystemMenu(hwnd, FALSE), SC_CLOSE));
    EXPECT_TRUE(IsWindowEnabled(window->Tree(0)));
    EXPECT_EQ(GetMenuState(window->MenuBar(), MainWindow::kMenuFile, MF_BYPOSITION) & MF_GRAYED, 0u);
}

TEST_F(MainWindowTest, SelectionFillsTheListsAndTheMissingStateSwapsTheFileCommands) {
    Start();
    SelectControl(L"Gamma Control");
    EXPECT_EQ(window->DetailData(0, L"Control Name"), L"Gamma Control");
    EXPECT_EQ(window->DetailData(0, L"Status"), L"File Not Found!");
    EXPECT_EQ(window->DetailData(1, L"Size"), L"N/A");
    EXPECT_EQ(window->PanelText(MainWindow::kPanelStatus), folder.File(L"gone.ocx"));
    EXPECT_TRUE(Grey(mnuPropertyPages));
    EXPECT_TRUE(Grey(tbProperties));
    EXPECT_TRUE(Grey(mnuSaveToolboxBitmap));
    EXPECT_FALSE(Grey(mnuExplore));

    SelectControl(L"Delta Widget");
    EXPECT_EQ(window->DetailData(0, L"Status"), L"Registered.");
    EXPECT_EQ(window->DetailData(1, L"Size"), L"0 KB");
    EXPECT_EQ(window->PanelText(MainWindow::kPanelStatus), deltaPath);
    EXPECT_FALSE(Grey(mnuPropertyPages));
    EXPECT_FALSE(Grey(tbProperties));
    EXPECT_FALSE(Grey(mnuSaveToolboxBitmap));
    EXPECT_EQ(window->Model().Tree(0).Node(window->Model().Tree(0).Selected()).text, L"Delta Widget");
}

TEST_F(MainWindowTest, CommandsOfLaterWorkStayGreyWhateverIsSelected) {
    Start();
    auto allGrey = [&] {
        for (int id : UnavailableCommands()) EXPECT_TRUE(Grey(id)) << "command " << id;
    };
    allGrey();
    SelectControl(L"Gamma Control");
    allGrey();
    SelectControl(L"Alpha Control");
    allGrey();
    Command(mnuRefresh);
    allGrey();
    // Their accelerators and messages do nothing either.
    Command(mnuRegisterControl);
    Command(tbOptions);
    Command(mnuAbout);
    EXPECT_TRUE(desktop.fileDialogs.empty());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.executions.empty());
}

TEST_F(MainWindowTest, DisplayModeSwitchShowsTheOtherTreeAndItsCounts) {
    Start();
    EXPECT_FALSE(Grey(mnuControls1));
    Command(mnuControls1);
    EXPECT_EQ(window->VisibleTree(), 1);
    EXPECT_TRUE(IsWindowVisible(window->Tree(1)));
    EXPECT_FALSE(IsWindowVisible(window->Tree(0)));
    EXPECT_EQ(window->PanelText(MainWindow::kPanelDisplay), L"Missing Controls");
    EXPECT_EQ(window->PanelText(MainWindow::kPanelCount), L"1 Missing File(s)");
    EXPECT_EQ(SelectedText(1), L"Gamma Library");
    EXPECT_EQ(window->DetailData(0, L"Control Name"), L"Gamma Control");
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuControls1, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuControls0, MF_BYCOMMAND) & MF_CHECKED, 0u);
    // The file list's double-click opens properties only while all controls are shown.
    Notify(window->List(1), IDC_LVINFO1, NM_DBLCLK);
    EXPECT_TRUE(propertiesOpened.empty());

    Command(mnuControls0);
    EXPECT_TRUE(IsWindowVisible(window->Tree(0)));
    EXPECT_EQ(window->PanelText(MainWindow::kPanelCount), L"4 Controls in 3 Libraries");
    Notify(window->List(1), IDC_LVINFO1, NM_DBLCLK);
    EXPECT_EQ(propertiesOpened, (std::vector<std::wstring>{alphaPath}));
}

TEST_F(MainWindowTest, MissingControlsStayGreyWithoutMissingFiles) {
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClassId(2)).c_str()), ERROR_SUCCESS);
    Start();
    EXPECT_TRUE(Grey(mnuControls1));
    EXPECT_FALSE(Grey(mnuControls0));
    Command(mnuControls1);
    EXPECT_EQ(window->VisibleTree(), 0);
    Command(mnuControls0);
    EXPECT_EQ(window->PanelText(MainWindow::kPanelCount), L"3 Controls in 2 Libraries");
}

TEST_F(MainWindowTest, FindNextFollowsInsertionOrderWrapsAndRemembersTexts) {
    SaveSetting(kSectionData, L"RecentFindString1", L"older");
    Start();
    Command(mnuFindInList);
    FindInListDialog& find = window->FindWindow();
    ASSERT_TRUE(find.IsOpen());
    EXPECT_EQ(find.ListEntries(), (std::vector<std::wstring>{L"older"}));
    EXPECT_FALSE(find.FindNextEnabled());

    find.SetSearchText(L"CONTROL"); // controls only, by default
    EXPECT_TRUE(find.FindNextEnabled());
    std::vector<std::wstring> visited;
    for (int i = 0; i < 4; ++i) {
        SendMessageW(find.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FIND_CMDSEARCH, BN_CLICKED), 0);
        visited.push_back(SelectedText(0));
    }
    // Beta was catalogued after Gamma, so it comes after Gamma although it sits under Alpha on screen.
    EXPECT_EQ(visited, (std::vector<std::wstring>{L"Alpha Control", L"Gamma Control", L"Beta Control", L"Alpha Control"}));
    EXPECT_EQ(window->DetailData(0, L"Control Name"), L"Alpha Control");
    EXPECT_EQ(find.ListEntries(), (std::vector<std::wstring>{L"CONTROL", L"older"}));
    EXPECT_EQ(Setting(kSectionData, L"RecentFindString1"), L"CONTROL");
    EXPECT_EQ(Setting(kSectionData, L"RecentFindString2"), L"older");

    // Libraries only: the library named after its control, not the control.
    find.SetSearchText(L"widget");
    find.SetFlags(true, false);
    find.FindNext();
    EXPECT_EQ(ItemOf(0, L"Delta Widget", true), ui::TreeView(window->Tree(0)).Selected());
    // Nothing checked: the selection stays.
    find.SetFlags(false, false);
    find.SetSearchText(L"alpha");
    find.FindNext();
    EXPECT_EQ(ItemOf(0, L"Delta Widget", true), ui::TreeView(window->Tree(0)).Selected());
    EXPECT_EQ(find.ListEntries(), (std::vector<std::wstring>{L"alpha", L"widget", L"CONTROL", L"older"}));

    find.SetSearchText(L"");
    EXPECT_FALSE(find.FindNextEnabled());
    SendMessageW(find.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FIND_COMMAND2, BN_CLICKED), 0);
    EXPECT_FALSE(find.IsOpen());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(MainWindowTest, KeysReachTheFindWindowThroughTheLoopFilterAndEscCloses) {
    Start();
    MSG ctrlF{hwnd, WM_KEYDOWN, 'F', 0, 0, {}};
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    EXPECT_TRUE(window->PreTranslate(ctrlF)); // the accelerator
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    FindInListDialog& find = window->FindWindow();
    ASSERT_TRUE(find.IsOpen());
    HWND combo = GetDlgItem(find.Handle(), IDC_FIND_TXTFIND);
    HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    find.SetSearchText(L"beta");
    MSG enter{edit, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(enter));
    EXPECT_EQ(SelectedText(0), L"Beta Control");
    MSG escape{edit, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(escape));
    EXPECT_FALSE(find.IsOpen());
}

TEST_F(MainWindowTest, ExitPathStoresTheLayoutInTwipsDeletesTempFilesAndEnds) {
    Start();
    SetWindowPos(hwnd, nullptr, 150, 120, 640, 480, SWP_NOZORDER);
    const std::wstring temp = folder.WriteFile(L"page.htm", "x");
    window->Temp().Add(temp);
    window->Temp().Add(folder.File(L"never-made.htm")); // a failure does not stop the rest
    Command(mnuExit);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowState), L"0");
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowLeft), std::to_wstring(PixelsToTwipsX(150)));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowTop), std::to_wstring(PixelsToTwipsY(120)));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowWidth), std::to_wstring(PixelsToTwipsX(640)));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowHeight), std::to_wstring(PixelsToTwipsY(480)));
    EXPECT_EQ(GetFileAttributesW(temp.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(window->Temp().Files().empty());
}

TEST_F(MainWindowTest, ClosingMaximisedKeepsTheStoredPlace) {
    SaveSetting(kSectionAppearence, kKeyWindowLeft, L"777");
    Start();
    ShowWindow(hwnd, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(hwnd));
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowState), L"2");
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowLeft), L"777");
}

TEST_F(MainWindowTest, StoredLayoutIsAppliedAndAMalformedValueIsToldAndReplaced) {
    SaveSetting(kSectionAppearence, kKeyWindowLeft, std::to_wstring(PixelsToTwipsX(60)));
    SaveSetting(kSectionAppearence, kKeyWindowTop, std::to_wstring(PixelsToTwipsY(40)));
    SaveSetting(kSectionAppearence, kKeyWindowWidth, std::to_wstring(PixelsToTwipsX(700)));
    SaveSetting(kSectionAppearence, kKeyWindowHeight, L"tall");
    desktop.answers.push_back(MsgAnswer::Ok);
    Start();
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 60);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right - rect.left, 700);
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixelsY(6000));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.find(L"WindowHeight"), std::wstring::npos);
}

TEST_F(MainWindowTest, MaximisedStateIsRestoredWithoutThePosition) {
    SaveSetting(kSectionAppearence, kKeyWindowState, L"2");
    SaveSetting(kSectionAppearence, kKeyWindowLeft, L"not read while maximised");
    Start();
    EXPECT_TRUE(IsZoomed(hwnd));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(MainWindowTest, MinimizeToTrayHidesAndTheTrayRestoresOrExits) {
    SaveSetting(kSectionOptions, kKeyMinimizeToTray, L"1");
    Start();
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"Minimize To Tray");
    Command(mnuExit);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(window->InTray());
    EXPECT_FALSE(IsWindowVisible(hwnd));

    SendMessageW(hwnd, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(window->InTray());
    EXPECT_TRUE(IsWindowVisible(hwnd));

    SendMessageW(hwnd, WM_CLOSE, 0, 0); // the close box goes to the tray too
    EXPECT_TRUE(window->InTray());
    SendMessageW(hwnd, WM_APP + 1, 1, WM_RBUTTONUP);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].front(), L"&Open Nivex");
    EXPECT_EQ(popups[0].back(), L"&Exit Nivex");
    Command(mnuTrayExit);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowState), L"0");
}

TEST_F(MainWindowTest, CopyDataTakesTheSelectedRowOfTheActiveList) {
    Start();
    Notify(window->List(1), IDC_LVINFO1, NM_CLICK);
    EXPECT_EQ(window->ActiveList(), 1);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, alphaPath);
    ui::ListView(window->List(0)).SelectRow(3); // CLSID
    Notify(window->List(0), IDC_LVINFO0, NM_CLICK);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, ClassId(1));
}

TEST_F(MainWindowTest, RightClickInATreePopsUpTheFileMenuWithoutExit) {
    Start();
    HMENU file = GetSubMenu(window->MenuBar(), MainWindow::kMenuFile);
    const int before = GetMenuItemCount(file);
    // The pointer over "Gamma Control": the right-click selects it first.
    ui::TreeView view(window->Tree(0));
    HTREEITEM gamma = ItemOf(0, L"Gamma Control", false);
    SendMessageW(view.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(gamma));
    RECT rect{};
    ASSERT_TRUE(TreeView_GetItemRect(view.Handle(), gamma, &rect, TRUE));
    POINT pt{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(view.Handle(), &pt);
    SetCursorPos(pt.x, pt.y);
    Notify(view.Handle(), IDC_TVMAIN0, NM_RCLICK);

    EXPECT_EQ(SelectedText(0), L"Gamma Control");
    EXPECT_EQ(window->DetailData(0, L"Status"), L"File Not Found!");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(static_cast<int>(popups[0].size()), before - 2);
    EXPECT_EQ(popups[0].back(), L"&Properties...");
    for (const auto& item : popups[0]) EXPECT_NE(item, L"E&xit");
    EXPECT_EQ(GetMenuItemCount(file), before);
    EXPECT_EQ(MenuText(file, static_cast<UINT>(before - 1), MF_BYPOSITION), L"E&xit");
    EXPECT_EQ(GetMenuState(file, static_cast<UINT>(before - 2), MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    // The item still works from the menu bar.
    Command(mnuExit);
    EXPECT_EQ(ended, 1);
}

TEST_F(MainWindowTest, ShellCommandsUseTheStatusPath) {
    Start();
    SelectControl(L"Delta Widget");
    Command(mnuExplore);
    Command(mnuPropertyPages);
    Command(tbProperties);
    Command(mnuRegEdit);
    ASSERT_EQ(desktop.executions.size(), 2u);
    EXPECT_EQ(desktop.executions[0].verb, L"explore");
    EXPECT_EQ(desktop.executions[0].file, folder.Text() + L"\\");
    EXPECT_EQ(desktop.executions[1].verb, L"open");
    EXPECT_EQ(desktop.executions[1].file, L"regedit");
    EXPECT_EQ(propertiesOpened, (std::vector<std::wstring>{deltaPath, deltaPath}));
}

TEST_F(MainWindowTest, PreviewToggleAndSaveGoToTheSelectedControlsBitmap) {
    SaveSetting(kSectionAppearence, kKeyShowToolboxPreview, L"1");
    Start();
    BitmapPreview& preview = BitmapPreview::Instance();
    EXPECT_TRUE(preview.IsVisible()); // open after start-up as stored, menu item checked
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuToolboxBitmapPreview, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    Command(mnuToolboxBitmapPreview);
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuToolboxBitmapPreview, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowToolboxPreview), L"0");
    Command(mnuToolboxBitmapPreview);
    EXPECT_TRUE(preview.IsVisible());
    preview.CloseByUser(); // its close box unchecks the item
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuToolboxBitmapPreview, MF_BYCOMMAND) & MF_CHECKED, 0u);

    Command(mnuSaveToolboxBitmap); // the dialog is cancelled: nothing written
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].title, L"Save File As");
    SelectControl(L"Gamma Control"); // a missing file: nothing to save
    Command(mnuSaveToolboxBitmap);
    EXPECT_EQ(desktop.fileDialogs.size(), 1u);
}

TEST_F(MainWindowTest, ExpandAndCollapseAllNodes) {
    Start();
    ui::TreeView view(window->Tree(0));
    Command(mnuExpandAll);
    for (HTREEITEM root = view.Root(); root; root = view.Next(root)) EXPECT_TRUE(view.IsExpanded(root));
    Command(mnuCollapseAll);
    for (HTREEITEM root = view.Root(); root; root = view.Next(root)) EXPECT_FALSE(view.IsExpanded(root));
}

TEST_F(MainWindowTest, ToolbarAndStatusBarTogglesStoreTheirSetting) {
    Start();
    RECT withToolbar{};
    GetWindowRect(window->Tree(0), &withToolbar);
    Command(mnuToolbar);
    EXPECT_FALSE(IsWindowVisible(window->ToolbarFrameHandle()));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowToolbar), L"0");
    RECT without{};
    GetWindowRect(window->Tree(0), &without);
    EXPECT_LT(without.top, withToolbar.top);
    EXPECT_EQ(GetMenuState(window->MenuBar(), mnuToolbar, MF_BYCOMMAND) & MF_CHECKED, 0u);
    Command(mnuShowStatusbar);
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowStatusbar), L"0");
    Command(mnuToolbar);
    EXPECT_TRUE(IsWindowVisible(window->ToolbarFrameHandle()));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowToolbar), L"1");
}

TEST_F(MainWindowTest, ToolbarWithoutCaptionsKeepsItsToolTips) {
    SaveSetting(kSectionAppearence, kKeyToolbarCaptions, L"0");
    SaveSetting(kSectionAppearence, kKeyShowStatusbar, L"0");
    Start();
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    HWND toolbar = window->Toolbar();
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 8);
    wchar_t text[64] = {};
    EXPECT_LE(SendMessageW(toolbar, TB_GETBUTTONTEXTW, tbRefresh, reinterpret_cast<LPARAM>(text)), 0);
    NMTTDISPINFOW tip{};
    tip.hdr = {toolbar, static_cast<UINT_PTR>(tbRefresh), TTN_GETDISPINFOW};
    SendMessageW(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_STREQ(tip.lpszText, L"Refresh List");
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, tbRefresh, 0) != 0);
}

TEST_F(MainWindowTest, RefreshScansAgainAndFindsNewControls) {
    Start();
    Register(6, L"Epsilon Control", kLibDelta, deltaPath);
    Command(tbRefresh);
    EXPECT_EQ(window->PanelText(MainWindow::kPanelCount), L"5 Controls in 3 Libraries");
    EXPECT_EQ(TreeTexts(0).back(), L"  Epsilon Control");
    EXPECT_EQ(desktop.sounds.size(), 2u);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(MenuGrey(GetSystemMenu(hwnd, FALSE), SC_CLOSE));
}

TEST_F(MainWindowTest, SplashShowsTheVersionAndIsClosedAfterStartUp) {
    SaveSetting(kSectionOptions, kKeyShowSplash, L"1");
    SaveSetting(kSectionOptions, kKeyPlaySounds, L"0");
    Start();
    const std::wstring version = window->Splash().VersionText();
    EXPECT_EQ(version.rfind(L"Version ", 0), 0u);
    const size_t build = version.find(L" Build ");
    ASSERT_NE(build, std::wstring::npos);
    EXPECT_GE(version.size() - build - 7, 4u);
    EXPECT_EQ(window->Splash().Handle(), nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(desktop.sounds.empty());
}

TEST(SplashWindow, EscapeHidesItAndShowsTheMainWindowEarly) {
    SplashWindow splash;
    int escaped = 0;
    splash.Show([&] { ++escaped; });
    ASSERT_NE(splash.Handle(), nullptr);
    EXPECT_EQ(splash.Status(), L"Loading...");
    splash.SetStatus(L"Loading Toolbar...");
    splash.SetProgressMaximum(11);
    splash.SetProgress(5);
    EXPECT_EQ(SendMessageW(splash.ProgressBarHandle(), PBM_GETPOS, 0, 0), 5);
    SendMessageW(splash.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(escaped, 1);
    EXPECT_FALSE(splash.IsShown());
    splash.Close();
    splash.Close(); // harmless twice
}

TEST(Splitter, DragKeepsBothPanesAndNotifies) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    Splitter splitter;
    splitter.Create(parent, 1, Splitter::Kind::LeftRight, 0.5);
    int notified = 0;
    RECT first{}, second{};
    splitter.SetResizeHandler([&](const RECT& a, const RECT& b) {
        ++notified;
        first = a;
        second = b;
    });
    splitter.SetArea(RECT{10, 20, 310, 220});
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(first.left, 10);
    EXPECT_EQ(second.right, 310);
    EXPECT_EQ(second.left - first.right, Splitter::kBarPixels);
    splitter.DragBarTo(0); // too far left: the first pane keeps its minimum
    EXPECT_EQ(first.right - first.left, Splitter::kMinPanePixels);
    splitter.DragBarTo(1000);
    EXPECT_EQ(second.right - second.left, Splitter::kMinPanePixels);
    splitter.DragBarTo(110);
    EXPECT_EQ(first.right, 110);
    splitter.SetArea(RECT{10, 20, 610, 220}); // the share is kept when the area grows
    EXPECT_NEAR(first.right - first.left, (600 - Splitter::kBarPixels) * 100 / (300 - Splitter::kBarPixels), 2);
    DestroyWindow(parent);
}

} // namespace
} // namespace nivex
