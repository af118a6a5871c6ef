// The main window over a sandboxed registry, driven with WM_COMMAND and control messages: what it shows, which
// commands it enables, how the commands' context reaches its parts (the entries are tested on a context of their
// own), its layout, tray and exit path. Also its small parts: the splash and the Close item.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/options_resource.h"
#include "app/resource.h"
#include "auxiliary/about_window.h"
#include "auxiliary/close_button.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/support/window_driving.h"
#include "auxiliary/whats_this.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "guicontrols/gui_frames.h"
#include "inspect/bitmap_preview.h"
#include "inspect/dependency_window.h"
#include "inspect/inspect_resource.h"
#include "registration/registration_resource.h"
#include "registration/registration_test_support.h"
#include "registration/repair_windows.h"
#include "registry/settings.h"

namespace nivex {
namespace {

using testing::SetRegString;
using Texts = std::vector<std::wstring>;

const wchar_t* const kLibAlpha = L"{A0000000-0000-0000-0000-000000000001}";
const wchar_t* const kLibDelta = L"{A0000000-0000-0000-0000-000000000003}";
const Texts kStartTrees = {L"Alpha Library", L"  Alpha Control", L"  Beta Control", L"Gamma Library",
                           L"  Gamma Control", L"Delta Widget",  L"  Delta Widget"};

std::wstring ClassId(int n) { return L"{10000000-0000-0000-0000-00000000000" + std::to_wstring(n) + L"}"; }

// Text of a menu item up to its shortcut.
std::wstring MenuText(HMENU menu, UINT item, UINT flags = MF_BYCOMMAND) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, item, text, 128, flags);
    return std::wstring(text).substr(0, std::wstring(text).find(L'\t'));
}

UINT MenuState(HMENU menu, int id) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    EXPECT_NE(state, static_cast<UINT>(-1)) << "no menu item " << id;
    return state;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolder(folder.Text());
        SetSystemFolder(system.Text()); // registering never copies into the prefix's system32
        SetOsIsMajor5(false);
        UseGuiControlsFrom(testing::BinFolder()); // VelmoraGUI.ocx beside the built programs
        alphaPath = folder.WriteFile(L"alpha.ocx", std::string(3000, 'a'));
        deltaPath = folder.WriteFile(L"delta.ocx", std::string(100, 'd'));
        Register(1, L"Alpha Control", kLibAlpha, alphaPath, alphaPath + L", 1");
        Register(2, L"Gamma Control", L"{A0000000-0000-0000-0000-000000000002}", folder.File(L"gone.ocx"));
        Register(3, L"Beta Control", kLibAlpha, alphaPath);
        Register(4, L"Delta Widget", kLibDelta, deltaPath);
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(kLibAlpha) + L"\\1.0", L"", L"Alpha Library");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\{A0000000-0000-0000-0000-000000000002}\\1.0", L"", L"Gamma Library");
        SaveSetting(kSectionOptions, kKeyShowSplash, L"0");
        SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"0");
    }
    void TearDown() override {
        window.reset();
        SetSystemFolder(savedSystem);
    }

    void Register(int n, const std::wstring& name, const std::wstring& lib, const std::wstring& path,
                  const std::wstring& toolbox = L"") {
        const std::wstring key = L"CLSID\\" + ClassId(n);
        for (const auto& [sub, value] : {std::pair{L"", name}, {L"\\Control", L""}, {L"\\TypeLib", lib},
                                         {L"\\InProcServer32", path}, {L"\\Version", L"1.0"}})
            SetRegString(HKEY_CLASSES_ROOT, key + sub, L"", value);
        if (!toolbox.empty()) SetRegString(HKEY_CLASSES_ROOT, key + L"\\ToolboxBitmap32", L"", toolbox);
    }
    void Start() {
        window = std::make_unique<MainWindow>(desktop);
        window->SetEndProcess([this] { ++ended; });
        window->SetPropertiesOpener([this](HWND, const std::wstring& path) {
            propertiesOpened.push_back(path);
            return true;
        });
        window->SetPopupMenu([this](HMENU menu, POINT) {
            popups.emplace_back();
            for (int i = 0; i < GetMenuItemCount(menu); ++i) popups.back().push_back(MenuText(menu, i, MF_BYPOSITION));
        });
        ASSERT_TRUE(window->Load());
        hwnd = window->Handle();
    }

    void Command(int id) { SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Notify(HWND from, int id, UINT code) {
        NMHDR header{from, static_cast<UINT_PTR>(id), code};
        SendMessageW(hwnd, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
    void NotifyList(int list, UINT code) { Notify(window->List(list), IDC_LVINFO0 + list, code); }
    bool Key(HWND to, WPARAM key) {
        MSG msg{to, WM_KEYDOWN, key, 0, 0, {}};
        return window->PreTranslate(msg);
    }
    // The data a details list shows for an element, as read from the screen.
    std::wstring Detail(int list, const std::wstring& element) const {
        const ui::ListView view(window->List(list));
        const int row = view.FindRow(element);
        return row < 0 ? L"<no row>" : view.Text(row, 1);
    }
    std::wstring Panel(int panel = MainWindow::kPanelStatus) const { return window->PanelText(panel); }
    std::wstring Counts() const { return Panel(MainWindow::kPanelCount); }
    // The stored window state, left, top, width and height.
    Texts StoredLayout() {
        Texts out;
        for (const wchar_t* key : {kKeyWindowState, kKeyWindowLeft, kKeyWindowTop, kKeyWindowWidth, kKeyWindowHeight})
            out.push_back(GetSetting(kSectionAppearence, key, L"<absent>"));
        return out;
    }

    // Every item of a tree, depth first, with its text: two blanks before a control's.
    std::vector<std::pair<HTREEITEM, std::wstring>> Items(int t) {
        ui::TreeView view(window->Tree(t));
        std::vector<std::pair<HTREEITEM, std::wstring>> out;
        for (HTREEITEM root = view.Root(); root; root = view.Next(root)) {
            out.emplace_back(root, view.Text(root));
            for (HTREEITEM child = view.Child(root); child; child = view.Next(child)) out.emplace_back(child, L"  " + view.Text(child));
        }
        return out;
    }
    Texts TreeTexts(int t) {
        Texts out;
        for (const auto& item : Items(t)) out.push_back(item.second);
        return out;
    }
    HTREEITEM ItemOf(int t, const std::wstring& text) {
        for (const auto& [item, label] : Items(t))
            if (label == text) return item;
        ADD_FAILURE() << "no item " << WideToUtf8(text);
        return nullptr;
    }
    void SelectControl(const std::wstring& text) { ui::TreeView(window->Tree(0)).Select(ItemOf(0, L"  " + text)); }
    std::wstring SelectedText(int t) { return ui::TreeView(window->Tree(t)).Text(ui::TreeView(window->Tree(t)).Selected()); }
    bool Grey(int id) {
        if (id >= tbRegister && id <= tbOptions) return SendMessageW(window->Toolbar(), TB_ISBUTTONENABLED, id, 0) == 0;
        HMENU menu = id >= mnuTrayOpenNivex && id <= mnuTrayExit ? window->TrayMenu() : window->MenuBar();
        return (MenuState(menu, id) & (MF_GRAYED | MF_DISABLED)) != 0;
    }
    bool Checked(int id) { return (MenuState(window->MenuBar(), id) & MF_CHECKED) != 0; }
    void ExpectGrey(std::initializer_list<int> ids, bool grey) {
        for (int id : ids) EXPECT_EQ(Grey(id), grey) << id;
    }
    // Options opened from the main window, the general boxes set, and O&K pressed.
    void OptionsOk(std::initializer_list<std::pair<int, bool>> boxes) {
        Command(mnuOptions);
        ASSERT_NE(frmOptions::Current(), nullptr);
        HWND dialog = frmOptions::Current()->Handle();
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), hwnd);
        for (const auto& [box, on] : boxes) CheckDlgButton(dialog, box, on ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(frmOptions::Current(), nullptr);
    }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    testing::TempFolder system; // stands for the System folder
    std::wstring savedSystem = SystemFolder();
    testing::ScriptedDesktop desktop;
    std::unique_ptr<MainWindow> window;
    HWND hwnd = nullptr;
    std::wstring alphaPath, deltaPath;
    int ended = 0;
    std::vector<Texts> popups;
    Texts propertiesOpened;
};

TEST_F(MainWindowTest, StartUpFillsTheTreesAndTheSelectionTheListsTheCommandStatesAndWhatEditDataEdits) {
    Start();
    EXPECT_EQ(TreeTexts(0), kStartTrees);
    EXPECT_EQ(TreeTexts(1), (Texts{L"Gamma Library", L"  Gamma Control"}));
    ui::TreeView all(window->Tree(0));
    EXPECT_TRUE(all.IsBold(ItemOf(0, L"Gamma Library")) && !all.IsBold(ItemOf(0, L"Alpha Library")));
    EXPECT_EQ(all.Image(ItemOf(0, L"Gamma Library")), 0); // ERROR
    EXPECT_EQ(all.Image(ItemOf(0, L"  Beta Control")), 3); // COMPONENT
    // The library's first control fills the details, and its file goes to "STATUS".
    EXPECT_EQ((Texts{SelectedText(0), Panel(MainWindow::kPanelDisplay), Counts(), Detail(0, L"Control Name"),
                     Detail(1, L"Filename"), Panel()}),
              (Texts{L"Alpha Library", L"All Controls", L"4 Controls in 3 Libraries", L"Alpha Control", alphaPath, alphaPath}));
    EXPECT_EQ(BitmapPreview::Instance().Reference(), alphaPath + L", 1");
    EXPECT_EQ(desktop.sounds, Texts{JoinPath(folder.Text(), L"Media\\nivex_ref.wav")});
    EXPECT_TRUE(desktop.messages.empty());
    // The scan is over: no progress, trees and menus enabled.
    EXPECT_TRUE(!IsWindowVisible(window->ProgressBarHandle()) && IsWindowEnabled(window->Tree(0)));
    EXPECT_EQ(GetMenuState(window->MenuBar(), MainWindow::kMenuFile, MF_BYPOSITION) & MF_GRAYED, 0u);

    // The lists stand in hosted bevel panels: a click notice a list sends to its panel reaches the window.
    HWND panel = GetDlgItem(hwnd, IDC_FRAINFO1);
    NMITEMACTIVATE click{};
    click.hdr = NMHDR{GetDlgItem(panel, IDC_LVINFO1), IDC_LVINFO1, static_cast<UINT>(NM_CLICK)};
    ASSERT_TRUE(click.hdr.hwndFrom) << "the list is not inside its panel";
    SendMessageW(panel, WM_NOTIFY, IDC_LVINFO1, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(window->ActiveList(), 1);
    EXPECT_TRUE(TakeGuiControlsProblem().empty());

    SelectControl(L"Gamma Control");
    EXPECT_EQ((Texts{Detail(0, L"Status"), Detail(1, L"Size"), Panel()}),
              (Texts{L"File Not Found!", L"N/A", folder.File(L"gone.ocx")}));
    ExpectGrey({mnuUnregisterControl, tbUnregister, mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap}, true);
    ExpectGrey({mnuRegisterControl, tbRegister, mnuExplore, mnuTrayRegisterControl, mnuTrayUnregister}, false);
    // The accelerator of a greyed item does nothing: a missing file is not unregistered.
    Command(mnuUnregisterControl);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(!frmRegStatus::Existing() || !frmRegStatus::Existing()->IsShown());

    SelectControl(L"Delta Widget");
    EXPECT_EQ((Texts{Detail(1, L"Size"), Panel()}), (Texts{L"0 KB", deltaPath}));
    ExpectGrey({mnuUnregisterControl, tbUnregister, mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap}, false);
    window->RunBusy([&] { ExpectGrey({mnuRegisterControl, tbRegister, mnuUnregisterControl, tbUnregister}, true); });
    EXPECT_FALSE(Grey(mnuUnregisterControl));

    // Edit Data on the selected Version row, only while the control list is the active one: value and caption
    // come from the registry (the screen's text is overwritten to tell), and the row shows the value read back.
    SelectControl(L"Beta Control");
    const ui::ListView list(window->List(0));
    const int versionRow = list.FindRow(L"Version");
    ListView_SetItemState(list.Handle(), versionRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemText(list.Handle(), versionRow, 0, const_cast<wchar_t*>(L"Toolbox Bitmap"));
    ListView_SetItemText(list.Handle(), versionRow, 1, const_cast<wchar_t*>(L"shown"));
    NotifyList(1, NM_CLICK);
    EXPECT_TRUE(Grey(mnuEditInformation));
    NotifyList(0, NM_CLICK);
    desktop.answers = {MsgAnswer::Yes};
    testing::WhenModal([] { return frmEditData::Current() != nullptr; }, [] {
        HWND dialog = frmEditData::Current()->Handle();
        EXPECT_FALSE(IsWindowEnabled(GetWindow(dialog, GW_OWNER))) << "the main window waits";
        EXPECT_EQ(ui::WindowText(dialog) + L"|" + ui::ItemText(dialog, IDC_TXTDATA), L"Edit Data - Beta Control|1.0");
        SetDlgItemTextW(dialog, IDC_TXTDATA, L"7.5");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(mnuEditInformation);
    EXPECT_EQ(frmEditData::Current(), nullptr);
    EXPECT_EQ(list.Text(versionRow, 1), L"7.5");
    EXPECT_TRUE(IsWindowEnabled(hwnd));

    // With nothing selected the commands of a selected control are greyed.
    for (int n = 1; n <= 4; ++n) RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClassId(n)).c_str());
    Command(mnuRefresh);
    EXPECT_EQ(Counts(), L"0 Controls in 0 Libraries");
    ExpectGrey({mnuUnregisterControl, tbProperties, mnuSaveToolboxBitmap, mnuExplore, mnuDependency}, true);
    ExpectGrey({mnuRegisterControl, mnuCompareFiles}, false); // both files can be chosen in the compare window
    Command(mnuSaveToolboxBitmap);
    EXPECT_TRUE(desktop.fileDialogs.empty()) << "no dialog that would save nothing";
}

TEST_F(MainWindowTest, DisplayModesTheListsCommandsFindInListAndTheTreesContextMenu) {
    SaveSetting(kSectionData, L"RecentFindString1", L"older");
    Start();
    Command(mnuControls1);
    EXPECT_TRUE(IsWindowVisible(window->Tree(1)) && !IsWindowVisible(window->Tree(0)));
    EXPECT_EQ((Texts{Panel(MainWindow::kPanelDisplay), Counts(), SelectedText(1), Detail(0, L"Control Name")}),
              (Texts{L"Missing Controls", L"1 Missing File(s)", L"Gamma Library", L"Gamma Control"}));
    EXPECT_TRUE(Checked(mnuControls1) && !Checked(mnuControls0));
    // The file list's double-click opens properties only while all controls are shown.
    NotifyList(1, NM_DBLCLK);
    EXPECT_TRUE(propertiesOpened.empty());
    Command(mnuControls0);
    EXPECT_TRUE(IsWindowVisible(window->Tree(0)));
    EXPECT_EQ(Counts(), L"4 Controls in 3 Libraries");
    NotifyList(1, NM_DBLCLK);
    EXPECT_EQ(propertiesOpened, Texts{alphaPath});

    // Copy Data takes the selected row of the list last clicked.
    NotifyList(1, NM_CLICK);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, alphaPath);
    ui::ListView(window->List(0)).SelectRow(3); // CLSID
    NotifyList(0, NM_CLICK);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, ClassId(1));

    Command(mnuFindInList);
    FindInListDialog& find = window->FindWindow();
    ASSERT_TRUE(find.IsOpen());
    EXPECT_EQ(find.ListEntries(), Texts{L"older"});
    EXPECT_FALSE(find.FindNextEnabled());
    // Controls only, by default; Beta was catalogued after Gamma, so it comes after Gamma.
    find.SetSearchText(L"CONTROL");
    SelectControl(L"Gamma Control");
    SendMessageW(find.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FIND_CMDSEARCH, BN_CLICKED), 0);
    EXPECT_EQ((Texts{SelectedText(0), Detail(0, L"Control Name")}), (Texts{L"Beta Control", L"Beta Control"}));
    EXPECT_EQ(find.ListEntries(), (Texts{L"CONTROL", L"older"}));
    EXPECT_EQ(GetSetting(kSectionData, L"RecentFindString2", L""), L"older");

    HWND edit = FindWindowExW(GetDlgItem(find.Handle(), IDC_FIND_TXTFIND), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    find.SetSearchText(L"alpha");
    EXPECT_TRUE(Key(edit, VK_RETURN));
    EXPECT_EQ(SelectedText(0), L"Alpha Control");
    EXPECT_TRUE(Key(edit, VK_ESCAPE) && !find.IsOpen());
    Command(tbOptions); // the Options dialog takes its keys the same way
    ASSERT_NE(frmOptions::Current(), nullptr);
    EXPECT_TRUE(Key(GetDlgItem(frmOptions::Current()->Handle(), IDC_CHKGENERAL_0), VK_ESCAPE));
    EXPECT_EQ(frmOptions::Current(), nullptr);

    // A right-click over "Gamma Control" selects it and pops up the File menu without Exit and its separator.
    HMENU file = GetSubMenu(window->MenuBar(), MainWindow::kMenuFile);
    const int items = GetMenuItemCount(file);
    HTREEITEM gamma = ItemOf(0, L"  Gamma Control");
    SendMessageW(window->Tree(0), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(gamma));
    RECT rect{};
    ASSERT_TRUE(TreeView_GetItemRect(window->Tree(0), gamma, &rect, TRUE));
    POINT pt{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(window->Tree(0), &pt);
    SetCursorPos(pt.x, pt.y);
    Notify(window->Tree(0), IDC_TVMAIN0, NM_RCLICK);
    EXPECT_EQ(SelectedText(0), L"Gamma Control");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(static_cast<int>(popups[0].size()), items - 2);
    EXPECT_EQ(popups[0].back(), L"&Properties...");
    // Both are back in the menu bar, and the item still works from there.
    EXPECT_EQ(GetMenuItemCount(file), items);
    EXPECT_EQ(MenuText(file, items - 1, MF_BYPOSITION), L"E&xit");
    EXPECT_TRUE(GetMenuState(file, items - 2, MF_BYPOSITION) & MF_SEPARATOR);
    Command(mnuExit);
    EXPECT_EQ(ended, 1);
}

TEST_F(MainWindowTest, TheStoredLayoutIsAppliedAndTheExitPathStoresItDeletesTempFilesAndEnds) {
    SaveSetting(kSectionAppearence, kKeyWindowLeft, std::to_wstring(PixelsToTwipsX(60)));
    SaveSetting(kSectionAppearence, kKeyWindowTop, std::to_wstring(PixelsToTwipsY(40)));
    SaveSetting(kSectionAppearence, kKeyWindowWidth, std::to_wstring(PixelsToTwipsX(700)));
    SaveSetting(kSectionAppearence, kKeyWindowHeight, L"tall");
    desktop.answers.push_back(MsgAnswer::Ok);
    Start();
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    // A malformed value is told and replaced by its default.
    EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
              (std::vector<LONG>{60, 40, 700, TwipsToPixelsY(6000)}));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.find(L"WindowHeight"), std::wstring::npos);

    SetWindowPos(hwnd, nullptr, 150, 120, 640, 480, SWP_NOZORDER);
    const std::wstring temp = folder.WriteFile(L"page.htm", "x");
    window->Temp().Add(temp);
    window->Temp().Add(folder.File(L"never-made.htm")); // a failure does not stop the rest
    Command(mnuExit);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(StoredLayout(), (Texts{L"0", std::to_wstring(PixelsToTwipsX(150)), std::to_wstring(PixelsToTwipsY(120)),
                                     std::to_wstring(PixelsToTwipsX(640)), std::to_wstring(PixelsToTwipsY(480))}));
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(window->Temp().Files().empty());
}

// Also without the control library: the panels are plain frames and the status bar says why, once.
TEST_F(MainWindowTest, AMaximisedStartBehindTheSplashWithoutTheControlLibraryIgnoresAndKeepsTheStoredPlace) {
    SaveSetting(kSectionAppearence, kKeyWindowState, L"2");
    SaveSetting(kSectionAppearence, kKeyWindowLeft, L"not read while maximised");
    SaveSetting(kSectionOptions, kKeyShowSplash, L"1");
    SaveSetting(kSectionOptions, kKeyPlaySounds, L"0");
    UseGuiControlsFrom(folder.Text()); // no VelmoraGUI.ocx there, and the class is not registered
    Start();
    EXPECT_EQ(window->Splash().Handle(), nullptr); // closed after start-up
    EXPECT_TRUE(IsZoomed(hwnd));
    EXPECT_TRUE(desktop.messages.empty() && desktop.sounds.empty());
    EXPECT_EQ(ui::ItemText(hwnd, IDC_FRAINFO1), L"File Information");
    EXPECT_TRUE(GetDlgItem(hwnd, IDC_LVINFO1)) << "the list belongs to the window itself";
    EXPECT_NE(Panel().find(L"VelmoraGUI"), std::wstring::npos) << ::testing::PrintToString(Panel());
    Command(mnuRefresh);
    EXPECT_EQ(Panel().find(L"VelmoraGUI"), std::wstring::npos);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(StoredLayout(), (Texts{L"2", L"not read while maximised", L"<absent>", L"<absent>", L"<absent>"}));
}

TEST_F(MainWindowTest, OptionsOkRebuildsTheToolbarAndSetsTheExitCaptionAndTheTrayRestoresOrExits) {
    SaveSetting(kSectionOptions, kKeyMinimizeToTray, L"1");
    SaveSetting(kSectionAppearence, kKeyShowStatusbar, L"0");
    Start();
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"Minimize To Tray");
    SelectControl(L"Gamma Control"); // a missing file: the Unregister button is grey
    OptionsOk({{IDC_CHKGENERAL_1, false}, {IDC_CHKGENERAL_3, true}, {IDC_CHKGENERAL_4, false}, {IDC_CHKGENERAL_5, true}});
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"E&xit");
    EXPECT_FALSE(Grey(mnuExit));
    // The rebuilt toolbar: images only, the tool tips stay, the states survive.
    HWND toolbar = window->Toolbar();
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 8);
    EXPECT_LE(SendMessageW(toolbar, TB_GETBUTTONTEXTW, tbRefresh, 0), 0);
    NMTTDISPINFOW tip{};
    tip.hdr = {toolbar, static_cast<UINT_PTR>(tbRefresh), TTN_GETDISPINFOW};
    SendMessageW(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText ? tip.lpszText : L"", L"Refresh List");
    ExpectGrey({tbUnregister}, true);
    ExpectGrey({tbRegister, tbReports}, false);

    OptionsOk({{IDC_CHKGENERAL_4, true}, {IDC_CHKGENERAL_5, false}});
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"Minimize To Tray");
    Command(mnuExit);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(window->InTray() && !IsWindowVisible(hwnd));
    SendMessageW(hwnd, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(!window->InTray() && IsWindowVisible(hwnd));
    SendMessageW(hwnd, WM_CLOSE, 0, 0); // the close box goes to the tray too
    EXPECT_TRUE(window->InTray());
    SendMessageW(hwnd, WM_APP + 1, 1, WM_RBUTTONUP);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].front() + L"|" + popups[0].back(), L"&Open Nivex|&Exit Nivex");
    Command(mnuTrayExit);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(StoredLayout()[0], L"0");
}

TEST_F(MainWindowTest, TheViewAndHelpMenusTheTreeCommandsARefreshAndTheDependencyViewer) {
    SaveSetting(kSectionAppearence, kKeyShowToolboxPreview, L"1");
    testing::RecordingHelpViewer viewer;
    Start();
    BitmapPreview& preview = BitmapPreview::Instance();
    EXPECT_TRUE(preview.IsVisible() && Checked(mnuToolboxBitmapPreview)); // open after start-up as stored
    Command(mnuToolboxBitmapPreview);
    EXPECT_FALSE(preview.IsVisible() || Checked(mnuToolboxBitmapPreview));
    Command(mnuToolboxBitmapPreview);
    preview.CloseByUser(); // its close box unchecks the item
    EXPECT_FALSE(Checked(mnuToolboxBitmapPreview));

    Command(mnuToolbar);
    EXPECT_FALSE(IsWindowVisible(window->ToolbarFrameHandle()) || Checked(mnuToolbar));
    Command(mnuShowStatusbar);
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    EXPECT_EQ(GetSetting(kSectionAppearence, kKeyShowToolbar, L"") + GetSetting(kSectionAppearence, kKeyShowStatusbar, L""), L"00");

    ui::TreeView view(window->Tree(0));
    for (bool expand : {true, false}) {
        Command(expand ? mnuExpandAll : mnuCollapseAll);
        for (HTREEITEM root = view.Root(); root; root = view.Next(root)) EXPECT_EQ(view.IsExpanded(root), expand);
    }

    Register(6, L"Epsilon Control", kLibDelta, deltaPath);
    Command(tbRefresh);
    EXPECT_EQ(Counts() + L"|" + TreeTexts(0).back(), L"5 Controls in 3 Libraries|  Epsilon Control");
    EXPECT_EQ(desktop.sounds.size(), 2u);
    EXPECT_FALSE(MenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE) & MF_GRAYED) << "the Close item is back after the scan";

    // The dependency viewer opens on the selection and follows it while it is shown.
    SelectControl(L"Delta Widget");
    Command(mnuDependency);
    frmDependency* dependencies = frmDependency::Existing();
    ASSERT_NE(dependencies, nullptr);
    EXPECT_EQ(dependencies->FileLabel(), deltaPath);
    SelectControl(L"Alpha Control");
    EXPECT_EQ(dependencies->FileLabel(), alphaPath);
    SendMessageW(dependencies->Handle(), WM_COMMAND, IDC_DEP_CMDCLOSE, 0);

    // About from the menu is owned by the main window, from the tray by nobody.
    for (const auto& [command, owner] : {std::pair{mnuAbout, hwnd}, std::pair{mnuTrayAbout, HWND{}}}) {
        Command(command);
        ASSERT_NE(TheAboutWindow().Handle(), nullptr);
        EXPECT_EQ(GetWindow(TheAboutWindow().Handle(), GW_OWNER), owner);
        TheAboutWindow().Close();
    }

    // Shift+F1 (Shift held as the loop sees it): the next click picks the part; its text comes from the help table.
    testing::PostClick(hwnd, testing::CentreOf(window->List(1), hwnd));
    testing::HoldShift(true);
    EXPECT_TRUE(Key(window->Tree(0), VK_F1));
    testing::HoldShift(false);
    CloseHelpPopupWindow();
    EXPECT_EQ(viewer.requests.empty() ? 0ul : viewer.requests.back().id, IDH_MAIN_FILE_INFO);
    viewer.requests.clear();

    // F1 in Find in List opens its page; in the main window it is Help Contents (the accelerator): the help file
    // beside the program.
    Command(mnuFindInList);
    EXPECT_TRUE(Key(GetDlgItem(window->FindWindow().Handle(), IDC_FIND_CHKCONTROL), VK_F1));
    window->FindWindow().CloseWindow();
    EXPECT_TRUE(Key(window->Tree(0), VK_F1));
    ASSERT_EQ(viewer.requests.size(), 2u);
    EXPECT_EQ(viewer.requests[0].kind + L" " + std::to_wstring(viewer.requests[0].id), L"context " + std::to_wstring(IDH_FINDINLIST));
    EXPECT_EQ(viewer.requests[1].kind + L" " + viewer.requests[1].file, L"topic " + folder.File(L"Nivex.chm"));

    window->ExitPath();
    EXPECT_EQ(viewer.closeAllCalls, 1) << "the exit path closes every help window";
}

TEST(SplashWindow, EscapeHidesItAndShowsTheMainWindowEarly) {
    SplashWindow splash;
    int escaped = 0;
    splash.Show([&] { ++escaped; });
    EXPECT_EQ(splash.Status(), L"Loading...");
    splash.SetProgressMaximum(11);
    splash.SetProgress(5);
    EXPECT_EQ(SendMessageW(splash.ProgressBarHandle(), PBM_GETPOS, 0, 0), 5);
    SendMessageW(splash.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(escaped, 1);
    EXPECT_FALSE(splash.IsShown());
}

// The description of the error EnableCloseButton raised; empty when it raised none.
std::wstring FailureOf(HWND window, bool enable) {
    try {
        EnableCloseButton(window, enable);
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), -2147221504L);
        EXPECT_EQ(e.Source(), L"modCloseBtn::EnableCloseButton");
        return e.Description();
    }
    return L"";
}

// The activation state each WM_NCACTIVATE told a window, in order.
std::vector<WPARAM> ncActivates;

TEST(CloseButton, DisableRenumbersAndGreysEnableRestoresAndEveryWrongCallIsReported) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_NCACTIVATE) ncActivates.push_back(wParam);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NivexCloseButtonProbe";
    RegisterClassW(&wc);
    auto make = [&] {
        return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
    };
    HWND background = make();
    HWND window = make();
    SetActiveWindow(window);
    auto state = [&](UINT id) { return GetMenuState(GetSystemMenu(window, FALSE), id, MF_BYCOMMAND); };
    const std::wstring notFound = L"modCloseBtn::EnableCloseButton() - Menu Item Not Found";
    EXPECT_EQ(FailureOf(window, true), notFound); // enabling an enabled window

    ncActivates.clear();
    EXPECT_EQ(FailureOf(window, false), L"");
    EXPECT_EQ(state(SC_CLOSE), static_cast<UINT>(-1));
    ASSERT_NE(state(kClosedItemId), static_cast<UINT>(-1));
    EXPECT_EQ(state(kClosedItemId) & (MF_GRAYED | MF_DISABLED), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(FailureOf(window, false), notFound); // disabling twice

    EXPECT_EQ(FailureOf(window, true), L"");
    EXPECT_EQ(state(SC_CLOSE) & (MF_GRAYED | MF_DISABLED), 0u);
    EXPECT_EQ(state(kClosedItemId), static_cast<UINT>(-1));
    // The caption is redrawn in the window's real activation state: an inactive one is not painted as active.
    EnableCloseButton(background, false);
    EnableCloseButton(background, true);
    EXPECT_EQ(ncActivates, (std::vector<WPARAM>{TRUE, TRUE, FALSE, FALSE}));

    DestroyWindow(window);
    DestroyWindow(background);
    EXPECT_EQ(FailureOf(window, false), L"modCloseBtn::EnableCloseButton() - Invalid Window Handle");
}

} // namespace
} // namespace nivex
