// The main window over a sandboxed registry, driven with WM_COMMAND and control messages: trees, details,
// command states, display modes, Find in List, Options, the layout and the exit path, the tray, Copy Data,
// the context menu, and how the commands' context reaches the window's parts (the entries themselves are
// tested on a context of their own).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_rules.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "auxiliary/about_window.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/support/recording_help_viewer.h"
#include "auxiliary/whats_this.h"
#include "common/paths.h"
#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "guicontrols/gui_frames.h"
#include "inspect/bitmap_preview.h"
#include "inspect/dependency_window.h"
#include "inspect/inspect_resource.h"
#include "nivex_version.h"
#include "registration/reg_backup.h"
#include "registration/reg_status_window.h"
#include "registration/repair_windows.h"
#include "registration/registration_resource.h"
#include "app/options_resource.h"
#include "registry/settings.h"
#include "reports/report_generator.h"
#include "reports/reports_dialog.h"
#include "reports/reports_resource.h"
#include "reports/browser_page.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::SetRegString;
using Texts = std::vector<std::wstring>;

const wchar_t* const kLibAlpha = L"{A0000000-0000-0000-0000-000000000001}";
const wchar_t* const kLibGamma = L"{A0000000-0000-0000-0000-000000000002}";
const wchar_t* const kLibDelta = L"{A0000000-0000-0000-0000-000000000003}";
const Texts kStartTrees = {L"Alpha Library", L"  Alpha Control", L"  Beta Control", L"Gamma Library",
                           L"  Gamma Control", L"Delta Widget",  L"  Delta Widget"};

std::wstring ClassId(int n) { return L"{10000000-0000-0000-0000-00000000000" + std::to_wstring(n) + L"}"; }

// Text of a menu item up to its shortcut.
std::wstring MenuText(HMENU menu, UINT item, UINT flags = MF_BYCOMMAND) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, item, text, 128, flags);
    std::wstring s(text);
    return s.substr(0, s.find(L'\t'));
}

UINT MenuState(HMENU menu, int id) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    EXPECT_NE(state, static_cast<UINT>(-1)) << "no menu item " << id;
    return state;
}
bool MenuGrey(HMENU menu, int id) { return (MenuState(menu, id) & (MF_GRAYED | MF_DISABLED)) != 0; }
bool Checked(HMENU menu, int id) { return (MenuState(menu, id) & MF_CHECKED) != 0; }

// Caption, title and message of the registration status window; empty when it is not shown.
Texts StatusWindow() {
    frmRegStatus* status = frmRegStatus::Existing();
    if (!status || !status->IsShown()) return {};
    HWND h = status->Handle();
    return {ui::WindowText(h), ui::WindowText(GetDlgItem(h, IDC_REGSTATUS_TITLE)),
            ui::WindowText(GetDlgItem(h, IDC_REGSTATUS_MESSAGE))};
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
        Register(2, L"Gamma Control", kLibGamma, folder.File(L"gone.ocx"));
        Register(3, L"Beta Control", kLibAlpha, alphaPath);
        Register(4, L"Delta Widget", kLibDelta, deltaPath);
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(5), L"", L"Not a control");
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(5) + L"\\InProcServer32", L"", alphaPath);
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(kLibAlpha) + L"\\1.0", L"", L"Alpha Library");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(kLibGamma) + L"\\1.0", L"", L"Gamma Library");
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
        SetRegString(HKEY_CLASSES_ROOT, key, L"", name);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\Control", L"", L"");
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"", lib);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\InProcServer32", L"", path);
        SetRegString(HKEY_CLASSES_ROOT, key + L"\\Version", L"", L"1.0");
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
            Texts items;
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
    std::wstring Panel(int panel) const { return window->PanelText(panel); }
    // The data a details list shows for an element, as read from the screen.
    std::wstring Detail(int list, const std::wstring& element) const {
        const ui::ListView view(window->List(list));
        const int row = view.FindRow(element);
        return row < 0 ? L"<no row>" : view.Text(row, 1);
    }
    std::wstring Counts() const { return window->PanelText(MainWindow::kPanelCount); }
    std::wstring Status() const { return window->PanelText(MainWindow::kPanelStatus); }

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
    std::wstring SelectedText(int t) {
        ui::TreeView view(window->Tree(t));
        return view.Text(view.Selected());
    }
    bool Grey(int id) {
        if (id >= tbRegister && id <= tbOptions) return SendMessageW(window->Toolbar(), TB_ISBUTTONENABLED, id, 0) == 0;
        return MenuGrey(id >= mnuTrayOpenNivex && id <= mnuTrayExit ? window->TrayMenu() : window->MenuBar(), id);
    }
    // A menu item or button whose command has no entry in the table (work of later issues) stays greyed.
    void ExpectCommandsWithoutEntriesGrey() {
        for (int id : ui::Menu(window->MenuBar()).CommandIds())
            if (!window->Commands().Has(id)) {
                EXPECT_TRUE(Grey(id)) << id;
            }
        for (int id : {tbRegister, tbUnregister, tbRefresh, tbSearchForFile, tbRegistryRemove, tbProperties, tbReports})
            if (!window->Commands().Has(CommandBar::CommandOf(id))) {
                EXPECT_TRUE(Grey(id)) << id;
            }
    }
    std::wstring Setting(const wchar_t* section, const wchar_t* key) { return GetSetting(section, key, L"<absent>"); }
    std::wstring Sound(const wchar_t* name) const { return JoinPath(folder.Text(), std::wstring(L"Media\\") + name); }
    std::wstring CopyFixture(const testing::TempFolder& to, const std::wstring& name) {
        const std::wstring target = to.File(name);
        EXPECT_TRUE(CopyFileW(testing::FixturePath(name).c_str(), target.c_str(), FALSE));
        return target;
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

TEST_F(MainWindowTest, StartUpFillsBothTreesInInsertionOrderAndClicksTheFirstNode) {
    Start();
    EXPECT_EQ(TreeTexts(0), kStartTrees);
    EXPECT_EQ(TreeTexts(1), (Texts{L"Gamma Library", L"  Gamma Control"}));
    ui::TreeView all(window->Tree(0));
    EXPECT_TRUE(all.IsBold(ItemOf(0, L"Gamma Library")));
    EXPECT_FALSE(all.IsBold(ItemOf(0, L"Alpha Library")));
    EXPECT_FALSE(ui::TreeView(window->Tree(1)).IsBold(ItemOf(1, L"Gamma Library")));
    EXPECT_EQ(all.Image(ItemOf(0, L"Gamma Library")), 0); // ERROR
    EXPECT_EQ(all.Image(ItemOf(0, L"  Beta Control")), 3); // COMPONENT

    EXPECT_EQ(SelectedText(0), L"Alpha Library");
    EXPECT_EQ(Panel(MainWindow::kPanelDisplay), L"All Controls");
    EXPECT_EQ(Counts(), L"4 Controls in 3 Libraries");
    // The library's first control fills the details, and its file goes to "STATUS".
    EXPECT_EQ(Detail(0, L"Control Name"), L"Alpha Control");
    EXPECT_EQ(Detail(1, L"Filename"), alphaPath);
    EXPECT_EQ(Status(), alphaPath);
    EXPECT_EQ(BitmapPreview::Instance().Reference(), alphaPath + L", 1");
    EXPECT_EQ(desktop.sounds, Texts{Sound(L"nivex_ref.wav")});
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(IsWindowVisible(window->ProgressBarHandle()));
    EXPECT_TRUE(IsWindowEnabled(window->Tree(0)));
    EXPECT_EQ(GetMenuState(window->MenuBar(), MainWindow::kMenuFile, MF_BYPOSITION) & MF_GRAYED, 0u);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

TEST_F(MainWindowTest, TheInformationPanelsAreHostedBevelsWhoseListsStillReachTheWindow) {
    Start();
    for (int i = 0; i < 2; ++i) {
        HWND frame = GetDlgItem(hwnd, IDC_FRAINFO0 + i);
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(ClassOf(frame), L"VelmoraGUIBevel");
        HWND list = GetDlgItem(frame, IDC_LVINFO0 + i);
        ASSERT_TRUE(list) << "the list is not inside its panel";
        EXPECT_EQ(ClassOf(list), WC_LISTVIEWW);
    }
    // A click notice sent by the list to its parent, the panel, reaches the main window: the list
    // becomes the active one.
    HWND panel = GetDlgItem(hwnd, IDC_FRAINFO1);
    NMITEMACTIVATE click{};
    click.hdr = NMHDR{GetDlgItem(panel, IDC_LVINFO1), IDC_LVINFO1, static_cast<UINT>(NM_CLICK)};
    click.iItem = 0;
    EXPECT_EQ(window->ActiveList(), 0);
    SendMessageW(panel, WM_NOTIFY, IDC_LVINFO1, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(window->ActiveList(), 1);
    EXPECT_TRUE(TakeGuiControlsProblem().empty());
}

TEST_F(MainWindowTest, WithoutTheControlLibraryThePanelsArePlainFramesAndTheStatusBarSaysWhyOnce) {
    UseGuiControlsFrom(folder.Text()); // no VelmoraGUI.ocx there, and the class is not registered
    Start();
    HWND frame = GetDlgItem(hwnd, IDC_FRAINFO1);
    ASSERT_TRUE(frame);
    EXPECT_EQ(ClassOf(frame), L"Button");
    EXPECT_EQ(ui::WindowText(frame), L"File Information");
    EXPECT_TRUE(GetDlgItem(hwnd, IDC_LVINFO1)) << "the list belongs to the window itself";
    EXPECT_NE(Status().find(L"VelmoraGUI"), std::wstring::npos) << ::testing::PrintToString(Status());
    Command(mnuRefresh);
    EXPECT_EQ(Status().find(L"VelmoraGUI"), std::wstring::npos);
}

TEST_F(MainWindowTest, TheSelectionFillsTheListsAndDecidesWhichCommandsAreEnabled) {
    Start();
    SelectControl(L"Gamma Control");
    EXPECT_EQ(Detail(0, L"Status"), L"File Not Found!");
    EXPECT_EQ(Detail(1, L"Size"), L"N/A");
    EXPECT_EQ(Status(), folder.File(L"gone.ocx"));
    for (int id : {mnuUnregisterControl, tbUnregister, mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap})
        EXPECT_TRUE(Grey(id)) << id;
    for (int id : {mnuRegisterControl, tbRegister, mnuExplore, mnuTrayRegisterControl, mnuTrayUnregister})
        EXPECT_FALSE(Grey(id)) << id;
    ExpectCommandsWithoutEntriesGrey();
    // The accelerator of a greyed item does nothing: a missing file is not unregistered.
    Command(mnuUnregisterControl);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.fileDialogs.empty());
    EXPECT_TRUE(StatusWindow().empty());

    SelectControl(L"Delta Widget");
    EXPECT_EQ(Detail(1, L"Size"), L"0 KB");
    EXPECT_EQ(Status(), deltaPath);
    for (int id : {mnuUnregisterControl, tbUnregister, mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap})
        EXPECT_FALSE(Grey(id)) << id;
    ExpectCommandsWithoutEntriesGrey();
    EXPECT_EQ(window->Model().Tree(0).Node(window->Model().Tree(0).Selected()).text, L"Delta Widget");
    EXPECT_EQ(window->Selection().resolvedPath, deltaPath);
    window->RunBusy([&] {
        for (int id : {mnuRegisterControl, tbRegister, mnuUnregisterControl, tbUnregister}) EXPECT_TRUE(Grey(id)) << id;
    });
    EXPECT_FALSE(Grey(mnuUnregisterControl));
}

TEST_F(MainWindowTest, WithNothingSelectedTheCommandsOfASelectedControlAreGreyed) {
    for (int n = 1; n <= 5; ++n) RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClassId(n)).c_str());
    Start();
    EXPECT_EQ(Counts(), L"0 Controls in 0 Libraries");
    EXPECT_TRUE(window->Selection().IsEmpty());
    for (int id : {mnuUnregisterControl, tbUnregister, mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap, mnuExplore})
        EXPECT_TRUE(Grey(id)) << id;
    EXPECT_FALSE(Grey(mnuRegisterControl));
    EXPECT_TRUE(Grey(mnuDependency));
    EXPECT_FALSE(Grey(mnuCompareFiles)); // both files can be chosen in the window
    Command(mnuSaveToolboxBitmap);
    EXPECT_TRUE(desktop.fileDialogs.empty()) << "no dialog that would save nothing";
}

TEST_F(MainWindowTest, ARegistrationRedrawsTheTreesAndItsStatusWindowTakesKeysThroughTheLoopFilter) {
    Start();
    desktop.fileAnswers = {CopyFixture(system, kDemoLibrary.fileName)};
    Command(mnuRegisterControl);
    EXPECT_EQ(desktop.fileDialogs.at(0).owner, hwnd);
    Texts trees = kStartTrees;
    trees.insert(trees.end(), {L"Velmora Demo Controls", L"  Velmora Demo Gauge", L"  Velmora Demo Meter"});
    EXPECT_EQ(TreeTexts(0), trees);
    EXPECT_EQ(Counts(), L"6 Controls in 4 Libraries");
    EXPECT_EQ(Status(), alphaPath);
    EXPECT_EQ(StatusWindow().at(1), L"Registration Successful!");
    MSG escape{GetDlgItem(frmRegStatus::Existing()->Handle(), IDOK), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(escape));
    EXPECT_TRUE(StatusWindow().empty());
    for (const auto& cls : kDemoLibrary.classes) RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
}

TEST_F(MainWindowTest, OptionsOkRebuildsTheToolbarAndSetsTheExitCaption) {
    SaveSetting(kSectionAppearence, kKeyShowStatusbar, L"0");
    Start();
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    SelectControl(L"Gamma Control"); // a missing file: the Unregister button is grey
    OptionsOk({{IDC_CHKGENERAL_1, false}, {IDC_CHKGENERAL_3, true}, {IDC_CHKGENERAL_4, true}});
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"Minimize To Tray");
    EXPECT_FALSE(Grey(mnuExit));
    // The rebuilt toolbar: images only, the tool tips stay, the states survive.
    HWND toolbar = window->Toolbar();
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 8);
    wchar_t text[64] = {};
    EXPECT_LE(SendMessageW(toolbar, TB_GETBUTTONTEXTW, tbRefresh, reinterpret_cast<LPARAM>(text)), 0);
    NMTTDISPINFOW tip{};
    tip.hdr = {toolbar, static_cast<UINT_PTR>(tbRefresh), TTN_GETDISPINFOW};
    SendMessageW(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_STREQ(tip.lpszText, L"Refresh List");
    EXPECT_TRUE(Grey(tbUnregister));
    EXPECT_FALSE(Grey(tbRegister));
    EXPECT_FALSE(Grey(tbReports));

    OptionsOk({{IDC_CHKGENERAL_3, false}, {IDC_CHKGENERAL_4, false}});
    EXPECT_EQ(MenuText(window->MenuBar(), mnuExit), L"E&xit");
}

TEST_F(MainWindowTest, DisplayModesAndTheDetailsListsCommands) {
    Start();
    Command(mnuControls1);
    EXPECT_EQ(window->VisibleTree(), 1);
    EXPECT_TRUE(IsWindowVisible(window->Tree(1)));
    EXPECT_FALSE(IsWindowVisible(window->Tree(0)));
    EXPECT_EQ(Panel(MainWindow::kPanelDisplay), L"Missing Controls");
    EXPECT_EQ(Counts(), L"1 Missing File(s)");
    EXPECT_EQ(SelectedText(1), L"Gamma Library");
    EXPECT_EQ(Detail(0, L"Control Name"), L"Gamma Control");
    EXPECT_TRUE(Checked(window->MenuBar(), mnuControls1));
    EXPECT_FALSE(Checked(window->MenuBar(), mnuControls0));
    // The file list's double-click opens properties only while all controls are shown.
    Notify(window->List(1), IDC_LVINFO1, NM_DBLCLK);
    EXPECT_TRUE(propertiesOpened.empty());
    Command(mnuControls0);
    EXPECT_TRUE(IsWindowVisible(window->Tree(0)));
    EXPECT_EQ(Counts(), L"4 Controls in 3 Libraries");
    Notify(window->List(1), IDC_LVINFO1, NM_DBLCLK);
    EXPECT_EQ(propertiesOpened, Texts{alphaPath});

    // Copy Data takes the selected row of the list last clicked.
    Notify(window->List(1), IDC_LVINFO1, NM_CLICK);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, alphaPath);
    ui::ListView(window->List(0)).SelectRow(3); // CLSID
    Notify(window->List(0), IDC_LVINFO0, NM_CLICK);
    Command(mnuCopyData);
    EXPECT_EQ(desktop.clipboard, ClassId(1));

    // The toolbar's button reaches the window's properties opener with the selection's file.
    SelectControl(L"Delta Widget");
    Command(tbProperties);
    EXPECT_EQ(propertiesOpened.back(), deltaPath);
}

TEST_F(MainWindowTest, FindInListFollowsInsertionOrderRemembersTextsAndTakesKeysThroughTheLoopFilter) {
    SaveSetting(kSectionData, L"RecentFindString1", L"older");
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
    EXPECT_EQ(find.ListEntries(), Texts{L"older"});
    EXPECT_FALSE(find.FindNextEnabled());
    find.SetSearchText(L"CONTROL"); // controls only, by default
    Texts visited;
    for (int i = 0; i < 4; ++i) {
        SendMessageW(find.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FIND_CMDSEARCH, BN_CLICKED), 0);
        visited.push_back(SelectedText(0));
    }
    // Beta was catalogued after Gamma, so it comes after Gamma although it sits under Alpha on screen.
    EXPECT_EQ(visited, (Texts{L"Alpha Control", L"Gamma Control", L"Beta Control", L"Alpha Control"}));
    EXPECT_EQ(Detail(0, L"Control Name"), L"Alpha Control");
    EXPECT_EQ(find.ListEntries(), (Texts{L"CONTROL", L"older"}));
    EXPECT_EQ(Setting(kSectionData, L"RecentFindString2"), L"older");

    HWND edit = FindWindowExW(GetDlgItem(find.Handle(), IDC_FIND_TXTFIND), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    find.SetSearchText(L"beta");
    MSG enter{edit, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(enter));
    EXPECT_EQ(SelectedText(0), L"Beta Control");
    MSG escape{edit, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(escape));
    EXPECT_FALSE(find.IsOpen());
    Command(tbOptions); // the Options dialog takes its keys the same way
    ASSERT_NE(frmOptions::Current(), nullptr);
    escape.hwnd = GetDlgItem(frmOptions::Current()->Handle(), IDC_CHKGENERAL_0);
    EXPECT_TRUE(window->PreTranslate(escape));
    EXPECT_EQ(frmOptions::Current(), nullptr);
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
    EXPECT_EQ(rect.left, 60);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right - rect.left, 700);
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixelsY(6000)); // a malformed value is told and replaced
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.find(L"WindowHeight"), std::wstring::npos);

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
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(window->Temp().Files().empty());
}

TEST_F(MainWindowTest, AMaximisedStartBehindTheSplashIgnoresAndKeepsTheStoredPlace) {
    SaveSetting(kSectionAppearence, kKeyWindowState, L"2");
    SaveSetting(kSectionAppearence, kKeyWindowLeft, L"not read while maximised");
    SaveSetting(kSectionOptions, kKeyShowSplash, L"1");
    SaveSetting(kSectionOptions, kKeyPlaySounds, L"0");
    Start();
    EXPECT_EQ(window->Splash().Handle(), nullptr); // closed after start-up
    EXPECT_TRUE(IsZoomed(hwnd));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.sounds.empty());
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowState), L"2");
    EXPECT_EQ(Setting(kSectionAppearence, kKeyWindowLeft), L"not read while maximised");
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

TEST_F(MainWindowTest, RightClickInATreePopsUpTheFileMenuWithoutExit) {
    Start();
    HMENU file = GetSubMenu(window->MenuBar(), MainWindow::kMenuFile);
    const int before = GetMenuItemCount(file);
    // The pointer over "Gamma Control": the right-click selects it first.
    ui::TreeView view(window->Tree(0));
    HTREEITEM gamma = ItemOf(0, L"  Gamma Control");
    SendMessageW(view.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(gamma));
    RECT rect{};
    ASSERT_TRUE(TreeView_GetItemRect(view.Handle(), gamma, &rect, TRUE));
    POINT pt{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(view.Handle(), &pt);
    SetCursorPos(pt.x, pt.y);
    Notify(view.Handle(), IDC_TVMAIN0, NM_RCLICK);

    EXPECT_EQ(SelectedText(0), L"Gamma Control");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(static_cast<int>(popups[0].size()), before - 2);
    EXPECT_EQ(popups[0].back(), L"&Properties...");
    EXPECT_EQ(GetMenuItemCount(file), before);
    EXPECT_EQ(MenuText(file, static_cast<UINT>(before - 1), MF_BYPOSITION), L"E&xit");
    EXPECT_EQ(GetMenuState(file, static_cast<UINT>(before - 2), MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    Command(mnuExit); // the item still works from the menu bar
    EXPECT_EQ(ended, 1);
}

TEST_F(MainWindowTest, TheViewMenuAndTheEditMenusTreeCommands) {
    SaveSetting(kSectionAppearence, kKeyShowToolboxPreview, L"1");
    Start();
    BitmapPreview& preview = BitmapPreview::Instance();
    EXPECT_TRUE(preview.IsVisible()); // open after start-up as stored, menu item checked
    // Above its owner, also after the main window was brought to the front again (as Wine does after start-up).
    auto above = [](HWND upper, HWND lower) {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == upper) return true;
            if (w == lower) return false;
        }
        return false;
    };
    EXPECT_TRUE(above(preview.Handle(), hwnd));
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(above(preview.Handle(), hwnd));
    EXPECT_TRUE(Checked(window->MenuBar(), mnuToolboxBitmapPreview));
    Command(mnuToolboxBitmapPreview);
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_FALSE(Checked(window->MenuBar(), mnuToolboxBitmapPreview));
    Command(mnuToolboxBitmapPreview);
    preview.CloseByUser(); // its close box unchecks the item
    EXPECT_FALSE(Checked(window->MenuBar(), mnuToolboxBitmapPreview));

    RECT withToolbar{}, without{};
    GetWindowRect(window->Tree(0), &withToolbar);
    Command(mnuToolbar);
    EXPECT_FALSE(IsWindowVisible(window->ToolbarFrameHandle()));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowToolbar), L"0");
    GetWindowRect(window->Tree(0), &without);
    EXPECT_LT(without.top, withToolbar.top);
    EXPECT_FALSE(Checked(window->MenuBar(), mnuToolbar));
    Command(mnuShowStatusbar);
    EXPECT_FALSE(IsWindowVisible(window->StatusBarHandle()));
    EXPECT_EQ(Setting(kSectionAppearence, kKeyShowStatusbar), L"0");
    Command(mnuToolbar);
    EXPECT_TRUE(IsWindowVisible(window->ToolbarFrameHandle()));

    ui::TreeView view(window->Tree(0));
    Command(mnuExpandAll);
    for (HTREEITEM root = view.Root(); root; root = view.Next(root)) EXPECT_TRUE(view.IsExpanded(root));
    Command(mnuCollapseAll);
    for (HTREEITEM root = view.Root(); root; root = view.Next(root)) EXPECT_FALSE(view.IsExpanded(root));

    Register(6, L"Epsilon Control", kLibDelta, deltaPath);
    Command(tbRefresh);
    EXPECT_EQ(Counts(), L"5 Controls in 3 Libraries");
    EXPECT_EQ(TreeTexts(0).back(), L"  Epsilon Control");
    EXPECT_EQ(desktop.sounds.size(), 2u);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(MenuGrey(GetSystemMenu(hwnd, FALSE), SC_CLOSE)); // the Close item is back after the scan
}

TEST(SplashWindow, EscapeHidesItAndShowsTheMainWindowEarly) {
    SplashWindow splash;
    int escaped = 0;
    splash.Show([&] { ++escaped; });
    ASSERT_NE(splash.Handle(), nullptr);
    EXPECT_EQ(splash.Status(), L"Loading...");
    splash.SetProgressMaximum(11);
    splash.SetProgress(5);
    EXPECT_EQ(SendMessageW(splash.ProgressBarHandle(), PBM_GETPOS, 0, 0), 5);
    SendMessageW(splash.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(escaped, 1);
    EXPECT_FALSE(splash.IsShown());
    splash.Close();
    splash.Close(); // harmless twice
}


TEST_F(MainWindowTest, TheHelpMenuTheTraysAboutF1AndWhatsThisAndTheTipAtStartUp) {
    testing::RecordingHelpViewer viewer;
    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"1");
    folder.WriteFile(L"nivex_10.tod", "The only tip\r\n");
    Start();
    // The tip window opened at start-up, owned by the main window.
    HWND tip = FindWindowW(nullptr, L"Tip of the Day");
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), hwnd);
    EXPECT_TRUE(IsWindowVisible(tip));
    SendMessageW(tip, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(tip));

    Command(mnuAbout);
    ASSERT_NE(TheAboutWindow().Handle(), nullptr);
    EXPECT_EQ(GetWindow(TheAboutWindow().Handle(), GW_OWNER), hwnd);
    TheAboutWindow().Close();
    Command(mnuTrayAbout);
    ASSERT_NE(TheAboutWindow().Handle(), nullptr);
    EXPECT_EQ(GetWindow(TheAboutWindow().Handle(), GW_OWNER), nullptr);
    TheAboutWindow().Close();

    // Help Contents: the help file beside the program, or the message.
    Command(mnuHelpContents);
    EXPECT_EQ(viewer.requests.at(0).file, folder.File(L"Nivex.chm"));
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"Unable to display " + folder.File(L"Nivex.chm")});
    viewer.requests.clear();

    // Help With This: the next click picks the tree, the lists; their texts come from the help table.
    // Shift+F1 (the key as the program's loop sees it, Shift held) starts the same mode.
    auto whatsThis = [&](HWND part, bool byKey = false) {
        RECT r;
        GetWindowRect(part, &r);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ScreenToClient(hwnd, &p);
        PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        if (byKey) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            keys[VK_SHIFT] = 0x80;
            SetKeyboardState(keys);
            MSG shiftF1{window->Tree(0), WM_KEYDOWN, VK_F1, 0x003B0001, 0, {}};
            EXPECT_TRUE(window->PreTranslate(shiftF1));
            keys[VK_SHIFT] = 0;
            SetKeyboardState(keys);
        } else {
            Command(mnuHelpWithThis);
        }
        CloseHelpPopupWindow();
        return viewer.requests.empty() ? 0ul : viewer.requests.back().id;
    };
    EXPECT_EQ(whatsThis(window->Tree(0)), IDH_MAIN_TREE_ALL);
    EXPECT_EQ(whatsThis(window->List(0)), IDH_MAIN_CONTROL_INFO);
    EXPECT_EQ(whatsThis(window->List(1), true), IDH_MAIN_FILE_INFO);
    EXPECT_EQ(whatsThis(window->StatusBarHandle()), IDH_MAIN_STATUSBAR);
    EXPECT_EQ(whatsThis(window->Toolbar()), IDH_MAIN_TOOLBAR);
    viewer.requests.clear();

    // F1 in Find in List opens its page; in the main window it stays Help Contents (the accelerator).
    Command(mnuFindInList);
    ASSERT_TRUE(window->FindWindow().IsOpen());
    MSG f1{GetDlgItem(window->FindWindow().Handle(), IDC_FIND_CHKCONTROL), WM_KEYDOWN, VK_F1, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(f1));
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].kind, L"context");
    EXPECT_EQ(viewer.requests[0].id, IDH_FINDINLIST);
    window->FindWindow().CloseWindow();
    MSG mainF1{window->Tree(0), WM_KEYDOWN, VK_F1, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(mainF1));
    ASSERT_EQ(viewer.requests.size(), 2u);
    EXPECT_EQ(viewer.requests[1].kind, L"topic");

    // The exit path closes every help window.
    window->ExitPath();
    EXPECT_EQ(viewer.closeAllCalls, 1);
}

TEST(Splitter, DragKeepsBothPanesAndNotifies) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    Splitter splitter;
    splitter.Create(parent, 1, Splitter::Kind::LeftRight, 0.5);
    RECT first{}, second{};
    splitter.SetResizeHandler([&](const RECT& a, const RECT& b) {
        first = a;
        second = b;
    });
    splitter.SetArea(RECT{10, 20, 310, 220});
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

// The context's status sink, busy runner, temporary files and Options opener reach the window's own parts.
TEST_F(MainWindowTest, ReportsAndTheBrowserTestReachTheStatusBarTheTemporaryFilesAndTheOptions) {
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"C:\\Web Browser\\browse.exe");
    SaveSetting(kSectionOptions, kKeyHTMLTemplate, folder.WriteFile(L"mine.tpl", "[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]\r\n"));
    Start();
    Command(mnuTestInBrowser);
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(window->Temp().Files().size(), 2u);
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"");
    desktop.answers = {MsgAnswer::Yes};
    Command(mnuTestInBrowser);
    ASSERT_NE(frmOptions::Current(), nullptr);
    EXPECT_EQ(frmOptions::Current()->CurrentTab(), frmOptions::kTabBrowser);
    EXPECT_EQ(GetWindow(frmOptions::Current()->Handle(), GW_OWNER), hwnd);
    DestroyWindow(frmOptions::Current()->Handle());

    // The toolbar's Reports button opens the dialog over the disabled window; after a report the status
    // bar shows its text again and the window is idle.
    const std::wstring before = Status();
    Command(tbReports);
    ASSERT_NE(frmReports::Current(), nullptr);
    HWND reports = frmReports::Current()->Handle();
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    desktop.fileAnswers = {folder.File(L"catalogue.htm")};
    SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_REP_CMDGENERAL, BN_CLICKED), 0);
    EXPECT_TRUE(std::filesystem::exists(folder.File(L"catalogue.htm")));
    EXPECT_EQ(Status(), before);
    EXPECT_FALSE(IsWindowVisible(window->ProgressBarHandle()));
    EXPECT_FALSE(window->Busy());
    SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_EQ(desktop.messages.size(), 1u) << "only the browser question";
}

// The compare window of the main window: the one top-level window captioned "Compare" that it owns.
HWND OwnedCompareWindow(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (GetWindow(h, GW_OWNER) == s->owner && ui::WindowText(h) == L"Compare") s->found = h;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(MainWindowTest, ToolsCompareAndTheDependencyViewerTakeTheSelectedControl) {
    Start();
    SelectControl(L"Delta Widget");
    Command(mnuCompareFiles);
    HWND compare = OwnedCompareWindow(hwnd);
    ASSERT_NE(compare, nullptr);
    EXPECT_FALSE(IsWindowEnabled(hwnd)) << "the main window waits while the compare window is open";
    EXPECT_EQ(ui::WindowText(GetDlgItem(compare, IDC_COMPARE_TXTFILE0)), L"delta.ocx");
    SendMessageW(compare, WM_COMMAND, IDC_COMPARE_CMDCLOSE, 0);
    EXPECT_TRUE(IsWindowEnabled(hwnd));

    // The viewer opens on the selection and follows it while it is shown.
    Command(mnuDependency);
    frmDependency* viewer = frmDependency::Existing();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->FileLabel(), deltaPath);
    SelectControl(L"Alpha Control");
    EXPECT_EQ(viewer->FileLabel(), alphaPath);
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_CMDCLOSE, 0);
    EXPECT_TRUE(desktop.messages.empty());
}

namespace repair {

// Runs once inside the next modal loop (a thread timer fires only while messages run).
std::function<void()> inModal;
void CALLBACK RunInModal(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = std::move(inModal);
    if (action) action();
}
void WhenModal(std::function<void()> action) {
    inModal = std::move(action);
    SetTimer(nullptr, 0, 10, &RunInModal);
}

} // namespace repair

TEST_F(MainWindowTest, RepairCommandsRemoveKeysEditDataAndFindAMissingFile) {
    testing::TempFolder backups;
    SetBackupFolder(backups.Text());
    Register(6, L"Epsilon Control", L"{A0000000-0000-0000-0000-000000000006}", folder.File(L"lost.ocx"));
    Start();
    SelectControl(L"Epsilon Control");

    // Remove Registry Keys: the trees lose the library.
    desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    Command(mnuRemoveRegistryKeys);
    EXPECT_EQ(TreeTexts(0), kStartTrees);
    EXPECT_EQ(Counts(), L"4 Controls in 3 Libraries");
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(6)));
    EXPECT_FALSE(window->Selection().IsEmpty()) << "a node is selected again";

    // Edit Data on the Version row of the selected control: the row is the one the user selected, its value
    // and the caption's name come from the registry (the screen's text is overwritten first to tell), and the
    // row shows the value read back. Only while the control information list is the active one.
    SelectControl(L"Beta Control");
    const ui::ListView list(window->List(0));
    const int versionRow = list.FindRow(L"Version");
    ASSERT_GE(versionRow, 0);
    ListView_SetItemState(list.Handle(), versionRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemText(list.Handle(), versionRow, 0, const_cast<wchar_t*>(L"Toolbox Bitmap"));
    ListView_SetItemText(list.Handle(), versionRow, 1, const_cast<wchar_t*>(L"shown"));
    Notify(window->List(1), IDC_LVINFO1, NM_CLICK);
    EXPECT_TRUE(Grey(mnuEditInformation));
    Notify(window->List(0), IDC_LVINFO0, NM_CLICK);
    desktop.answers = {MsgAnswer::Yes};
    repair::WhenModal([] {
        ASSERT_NE(frmEditData::Current(), nullptr);
        HWND dialog = frmEditData::Current()->Handle();
        EXPECT_FALSE(IsWindowEnabled(GetWindow(dialog, GW_OWNER))) << "the main window waits";
        EXPECT_EQ(ui::WindowText(dialog), L"Edit Data - Beta Control");
        EXPECT_EQ(ui::WindowText(GetDlgItem(dialog, IDC_TXTDATA)), L"1.0");
        SetDlgItemTextW(dialog, IDC_TXTDATA, L"7.5");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(mnuEditInformation);
    EXPECT_EQ(frmEditData::Current(), nullptr);
    EXPECT_EQ(list.Text(versionRow, 1), L"7.5");
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(3) + L"\\Version", L""), L"7.5");
    EXPECT_TRUE(IsWindowEnabled(hwnd));

    // Find Missing File: Gamma's server turns up under another folder and is registered in its place.
    testing::TempFolder found;
    std::filesystem::create_directories(found.Path() / L"moved");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), found.File(L"moved\\GONE.OCX").c_str(), FALSE));
    SelectControl(L"Gamma Control");
    desktop.folderAnswers = {found.Text()};
    // Confirm Re-Registration, Delete Registry Keys?, copy into the System folder? (no)
    desktop.answers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::No};
    repair::WhenModal([] {
        ASSERT_NE(frmFindFile::Current(), nullptr);
        HWND find = frmFindFile::Current()->Handle();
        SendMessageW(find, WM_COMMAND, MAKEWPARAM(IDC_CMDBROWSE, BN_CLICKED), 0);
        CheckDlgButton(find, IDC_CHKRECURSIVE, BST_CHECKED);
        SendMessageW(find, WM_COMMAND, MAKEWPARAM(IDC_CMDSEARCH, BN_CLICKED), 0);
        SendMessageW(find, WM_COMMAND, MAKEWPARAM(IDC_CMDCHOOSEFILE, BN_CLICKED), 0);
    });
    Command(mnuSearchForFile);
    EXPECT_EQ(StatusWindow().at(1), L"Registration Successful!");
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId(2)));
    const Texts trees = TreeTexts(0);
    EXPECT_EQ(std::count(trees.begin(), trees.end(), L"Gamma Library"), 0);
    EXPECT_EQ(std::count(trees.begin(), trees.end(), std::wstring(kDemoLibrary.name)), 1);
    EXPECT_EQ(Status(), window->Selection().resolvedPath) << "the status bar shows the new selection's file";
    SendMessageW(frmRegStatus::Existing()->Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (const auto& cls : kDemoLibrary.classes) RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
    SetBackupFolder(L"");
}

} // namespace
} // namespace nivex
