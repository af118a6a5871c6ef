// The auxiliary windows: the tip of the day, the About box, What's-This help (shown on the About box) and its
// pop-up, and the built help file opened through HTML Help.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "auxiliary/about_text.h"
#include "auxiliary/about_window.h"
#include "auxiliary/auxiliary_resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/tip_window.h"
#include "auxiliary/tips.h"
#include "auxiliary/whats_this.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "nivex_version.h"
#include "registration/registration_resource.h"
#include "registration/repair_windows.h"
#include "registry/settings.h"
#include "support/window_driving.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using Texts = std::vector<std::wstring>;

const wchar_t* const kNotFound = L"nivex_10.tod file was not found!";

class TipWindowTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(folder.Text()); }

    // Opens the window with random numbers taken in order (0 when they run out).
    HWND Open(std::vector<double> randoms = {}) {
        random = std::move(randoms);
        tip.SetRandomSource([this, n = std::size_t{0}]() mutable { return n < random.size() ? random[n++] : 0.0; });
        return tip.Open(nullptr, desktop);
    }
    void Click(int id) { SendMessageW(tip.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    // The tip shown, then those "Next Tip" shows.
    Texts Tips(int next) {
        Texts shown{tip.TipText()};
        for (int i = 0; i < next; ++i) {
            Click(IDC_TIP_CMDNEXTTIP);
            shown.push_back(tip.TipText());
        }
        return shown;
    }
    void Untick() {
        CheckDlgButton(tip.Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP, BST_UNCHECKED);
        Click(IDC_TIP_CHKLOADTIPSATSTARTUP);
    }
    std::wstring StoredOption() { return GetSetting(kSectionOptions, kKeyTipOfTheDay, L"(absent)"); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    testing::ScriptedDesktop desktop;
    TipWindow tip;
    std::vector<double> random;
};

TEST_F(TipWindowTest, ShowsARandomTipOfTheFileBesideTheProgramAndAnotherOnNextTipOrElseTheNotFoundText) {
    ASSERT_NE(Open({0.5}), nullptr);
    EXPECT_EQ(Tips(1), (Texts{kNotFound, kNotFound})); // no file yet
    tip.Close();

    folder.WriteFile(L"nivex_10.tod", "Alpha tip\r\nBeta tip\r\n\r\nDelta tip & more for %BITS-bit\r\n");
    ASSERT_NE(Open({0.3, 0.99, 0.5}), nullptr);
    // 0.3 * 4 + 1 = tip 2; the empty line is a tip of its own.
    EXPECT_EQ(Tips(2), (Texts{L"Beta tip", L"Delta tip & more for " + std::to_wstring(sizeof(void*) * 8) + L"-bit", L""}));
    EXPECT_EQ(IsDlgButtonChecked(tip.Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(StoredOption(), L"1"); // ticking the box at load stores it again
    EXPECT_TRUE(desktop.messages.empty());
    tip.Close();

    folder.WriteFile(L"nivex_10.tod", "\xEF\xBB\xBFOne\r\nTwo"); // a byte-order mark is not part of the first tip
    ASSERT_NE(Open({0.0, 0.6}), nullptr);
    EXPECT_EQ(Tips(1), (Texts{L"One", L"Two"}));
    tip.Close();

    // A file another program holds without sharing counts as missing, and leaves the list as it was.
    const std::wstring path = folder.WriteFile(L"nivex_10.tod", "Locked tip\r\n");
    FileHandle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(tip.TipText(), kNotFound);
    EXPECT_FALSE(tip.LoadTips(path));
    lock.Reset();
    EXPECT_TRUE(tip.LoadTips(path));
    EXPECT_EQ(tip.TipText(), L"Locked tip");
    EXPECT_FALSE(tip.LoadTips(L""));
    EXPECT_FALSE(tip.LoadTips(folder.Text())); // a folder is no tips file
    EXPECT_EQ(tip.Tips().Count(), 1u);
}

TEST_F(TipWindowTest, UntickingStoresZeroAndTheNextStartShowsNoWindowAndARefusingStoreIsReported) {
    folder.WriteFile(L"nivex_10.tod", "Only tip\r\n");
    ASSERT_NE(Open(), nullptr);
    Untick();
    EXPECT_EQ(StoredOption(), L"0");
    Click(IDOK);
    EXPECT_EQ(tip.Handle(), nullptr);

    EXPECT_EQ(ShowTipOfTheDayAtStartup(nullptr, desktop), nullptr);
    TipWindow direct;
    EXPECT_EQ(direct.Open(nullptr, desktop), nullptr); // the window closes itself at load while the option is 0
    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"-1");
    EXPECT_EQ(ShowTipOfTheDayAtStartup(nullptr, desktop), nullptr); // only 1 shows it

    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"1");
    HWND owner = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND tree = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    TipWindow* shown = ShowTipOfTheDayAtStartup(owner, desktop);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->TipText(), L"Only tip");
    EXPECT_EQ(GetWindow(shown->Handle(), GW_OWNER), owner);
    EXPECT_EQ(GetActiveWindow(), shown->Handle()) << "at start-up the tip takes the focus";
    // The user clicks into the main window before the tip is put back above it: a Space there must not
    // switch the tips off.
    SetActiveWindow(owner);
    SetFocus(tree);
    KeepTipOfTheDayAboveOwner();
    EXPECT_TRUE(IsWindowVisible(shown->Handle()));
    EXPECT_EQ(GetFocus(), tree);
    SendMessageW(shown->Handle(), WM_COMMAND, IDCANCEL, 0); // Esc closes it like OK
    EXPECT_EQ(shown->Handle(), nullptr);
    DestroyWindow(owner);

    // Everyone may only read the section: the write fails for real, and is told.
    ASSERT_NE(Open(), nullptr);
    HKEY options = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Options", 0, READ_CONTROL | WRITE_DAC, &options),
              ERROR_SUCCESS);
    auto setDacl = [&](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        EXPECT_EQ(RegSetKeySecurity(options, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        LocalFree(sd);
    };
    setDacl(L"D:(A;;KR;;;WD)");
    Untick();
    setDacl(L"D:(A;;KA;;;WD)");
    RegCloseKey(options);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.rfind(L"Error in chkLoadTipsAtStartup_Click()\r\nError ", 0), 0u)
        << desktop.messages[0].text;
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(StoredOption(), L"1");
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolder(L"C:\\Nivex");
        about = TheAboutWindow().Open(nullptr, desktop);
        testing::Pump();
    }
    void TearDown() override {
        CloseHelpPopupWindow();
        TheAboutWindow().Close();
    }
    void Click(int id) { testing::PostClick(about, testing::CentreOf(GetDlgItem(about, id), about)); }
    void Press(int id, WORD code = BN_CLICKED) {
        SendMessageW(about, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(about, id)));
    }

    testing::ScriptedDesktop desktop;
    testing::RecordingHelpViewer viewer;
    HWND about = nullptr;
};

TEST_F(AboutBox, ShowsTheProgramItsVersionAndTheMakerOpensItsLinksAndLicenceAndIsOneBox) {
    auto text = [&](int id) { return ui::ItemText(about, id); };
    EXPECT_EQ((Texts{ui::WindowText(about), text(IDC_ABOUT_LBLAPP), text(IDC_ABOUT_LBLVERSION), text(IDC_ABOUT_LBLEMAIL),
                     text(IDC_ABOUT_LBLWEB), text(IDC_ABOUT_CMDLICENSE), text(IDOK)}),
              (Texts{L"About Nivex", L"Velmora Control Manager",
                     AboutVersionLine(NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION),
                     L"nivex@velmora.example", L"https://velmora.example/nivex", L"&License", L"O&K"}));
    const std::wstring slogan = text(IDC_ABOUT_LABEL1);
    EXPECT_TRUE(slogan.size() > 2 && slogan.front() == L'"' && slogan.back() == L'"') << WideToUtf8(slogan);
    EXPECT_EQ(text(IDC_ABOUT_LBLMAKER), MakerLine(NIVEX_COPYRIGHT_YEAR)) << "the build's year, as License.txt's";
    // The links show the hand pointer, the other labels do not.
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    for (int id : {IDC_ABOUT_LBLEMAIL, IDC_ABOUT_LBLWEB, IDC_ABOUT_LBLMAKER}) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(about, id)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor() == hand, id != IDC_ABOUT_LBLMAKER) << id;
    }

    Press(IDC_ABOUT_LBLEMAIL, STN_CLICKED);
    Press(IDC_ABOUT_LBLWEB, STN_CLICKED);
    Press(IDC_ABOUT_CMDLICENSE);
    Texts opened;
    for (const auto& run : desktop.executions) opened.push_back(run.verb + L" " + run.file);
    EXPECT_EQ(opened, (Texts{L"open mailto:nivex@velmora.example", L"open https://velmora.example/nivex",
                             L"open C:\\Nivex\\License.txt"}));

    SetProgramFolder(L"D:\\"); // a drive root: one backslash
    desktop.executeResult = 2; // ERROR_FILE_NOT_FOUND from the shell: told, the only message
    Press(IDC_ABOUT_CMDLICENSE);
    EXPECT_EQ(desktop.executions.back().file, L"D:\\License.txt");
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"Unable to open D:\\License.txt"});

    // One box: asking again brings the same one forward.
    EXPECT_EQ(TheAboutWindow().Open(nullptr, desktop), about);
    Press(IDOK);
    EXPECT_EQ(TheAboutWindow().Handle(), nullptr);
}

TEST_F(AboutBox, TheNextClickPicksTheControlAndItsTextAppearsInTheViewersOrTheProgramsOwnPopup) {
    Click(IDC_ABOUT_CMDLICENSE);
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT_LICENSE);
    EXPECT_NE(GetCapture(), about); // the mode gave the mouse back
    // The viewer was asked first, from the help file's pop-up topic file.
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].kind + L" " + viewer.requests[0].file, L"popup C:\\Nivex\\Nivex.chm::/popups.txt");
    EXPECT_EQ(viewer.requests[0].id, IDH_ABOUT_LICENSE);
    // It showed none, so the program shows the same text itself; the next key closes it.
    HWND popup = OpenHelpPopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_EQ(ui::WindowText(popup), FindHelpEntry(IDH_ABOUT_LICENSE)->text);
    PostMessageW(popup, WM_KEYDOWN, 'A', 0);
    testing::Pump();
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    EXPECT_TRUE(desktop.executions.empty()); // the click picked the button, it did not press it
    // The program's pop-up stays on the screen, wrapped onto lines; the next one replaces it; a click closes it.
    ASSERT_TRUE(ShowHelpPopup(about, IDH_MAIN_TREE_ALL, POINT{5000, 5000}));
    popup = OpenHelpPopupWindow();
    RECT r;
    GetWindowRect(popup, &r);
    EXPECT_TRUE(r.right <= GetSystemMetrics(SM_CXVIRTUALSCREEN) && r.bottom <= GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_TRUE(r.bottom - r.top > 20 && r.right - r.left <= 330) << "wrapped onto lines, not cut";
    ASSERT_TRUE(ShowHelpPopup(about, IDH_MAIN_FILE_INFO, POINT{300, 300}));
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(ui::WindowText(OpenHelpPopupWindow()), FindHelpEntry(IDH_MAIN_FILE_INFO)->text);
    PostMessageW(OpenHelpPopupWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    testing::Pump();
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    // An identifier without a text shows nothing and asks nothing.
    EXPECT_FALSE(ShowHelpPopup(about, 12345, POINT{10, 10}));
    EXPECT_TRUE(OpenHelpPopupWindow() == nullptr && viewer.requests.size() == 3u);

    // A viewer that shows pop-ups needs no fallback; one click ends the mode, the next is not consumed.
    viewer.showsPopups = true;
    Click(IDC_ABOUT_LBLWEB);
    Click(IDC_ABOUT_LBLEMAIL);
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT_WEB);
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    MSG left;
    EXPECT_TRUE(PeekMessageW(&left, about, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));

    // A control without an identifier of its own, and the dialog's own surface, show the window's text.
    Click(IDC_ABOUT_LBLMAKER);
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT);
    RECT client;
    GetClientRect(about, &client);
    testing::PostClick(about, POINT{client.right - 3, client.bottom - 3});
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT);
}

TEST_F(AboutBox, EscARightClickOrAClickOutsideCancelsAndTheCaptionsHelpButtonRunsTheMode) {
    PostMessageW(about, WM_KEYDOWN, 'X', 0); // other keys are ignored while the mode runs
    PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(RunWhatsThis(about), 0u);
    testing::PostClick(about, testing::CentreOf(GetDlgItem(about, IDOK), about), WM_RBUTTONDOWN);
    EXPECT_EQ(RunWhatsThis(about), 0u);
    testing::PostClick(about, POINT{-200, -200});
    EXPECT_EQ(RunWhatsThis(about), 0u);
    EXPECT_TRUE(viewer.requests.empty()); // so no pop-up of the program's own either
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_NE(TheAboutWindow().Handle(), nullptr); // Esc did not close the dialog either

    Click(IDC_ABOUT_LBLVERSION);
    SendMessageW(about, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].id, IDH_ABOUT_VERSION);
    HELPINFO info{sizeof(info), HELPINFO_WINDOW, 0, about, 0, {}};
    SendMessageW(about, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)); // the viewer shows no window
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"Unable to display C:\\Nivex\\Nivex.chm"});
}

TEST_F(AboutBox, ShiftF1StartsTheModeInEveryDialogWithHelpModelessOrModal) {
    testing::HoldShift(true);
    // A modeless dialog: its keys pass the program's loop.
    Click(IDC_ABOUT_CMDLICENSE);
    const MSG key{GetDlgItem(about, IDOK), WM_KEYDOWN, VK_F1, 0x003B0001, 0, {}};
    EXPECT_TRUE(HandleDialogHelpKey(key, nullptr));
    CloseHelpPopupWindow();
    // A modal dialog: its keys never reach the program's loop.
    testing::RegistrySandbox sandbox;
    frmEditData edit(desktop, EditDataRequest{L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B003}", L"Control", L"Version"},
                     [](const std::wstring&, const std::wstring&) {});
    // Inside its own loop: Shift+F1 on its data box, then a click on the box, then Esc.
    auto dialog = [] { return FindWindowW(L"#32770", L"Edit Data - Control"); };
    testing::WhenModal([=] { return dialog() != nullptr; }, [=] {
        HWND data = GetDlgItem(dialog(), IDC_TXTDATA);
        PostMessageW(data, WM_KEYDOWN, VK_F1, 0x003B0001);
        testing::PostClick(dialog(), testing::CentreOf(data, dialog()));
        PostMessageW(dialog(), WM_COMMAND, IDCANCEL, 0);
    });
    edit.RunModal(IDD_EDITDATA, nullptr);
    testing::HoldShift(false);
    Texts shown;
    for (const auto& r : viewer.requests) shown.push_back(r.kind + L" " + std::to_wstring(r.id));
    EXPECT_EQ(shown, (Texts{L"popup " + std::to_wstring(IDH_ABOUT_LICENSE), L"popup " + std::to_wstring(IDH_EDITDATA_DATA)}));
}

TEST(WhatsThisPoint, TheSmallestControlUnderThePointWinsAndHelpIdentifiersComeFromTheParents) {
    auto make = [](const wchar_t* cls, DWORD style, int x, int y, int w, int h, HWND parent) {
        return CreateWindowExW(0, cls, L"", style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    HWND root = make(L"STATIC", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr);
    HWND group = make(L"BUTTON", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10, 200, 120, root);
    HWND check = make(L"BUTTON", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 30, 40, 100, 20, root);
    make(L"BUTTON", WS_CHILD | BS_PUSHBUTTON, 30, 40, 50, 20, root); // hidden, over the check box
    SetWindowContextHelpId(group, IDH_OPT_DIALOGLIST);

    EXPECT_EQ(ControlAtPoint(root, POINT{100 + 35, 100 + 45}), check); // inside the group box too, hidden one skipped
    EXPECT_EQ(ControlAtPoint(root, POINT{100 + 150, 100 + 100}), group);
    // The dialog's own surface, a point outside it and an identifier taken from the window: the About box's tests.
    EXPECT_EQ(HelpIdOf(group, root), IDH_OPT_DIALOGLIST);
    EXPECT_EQ(HelpIdOf(check, root), 0u); // none of its own, none above it
    DestroyWindow(root);
}

const std::filesystem::path kBin = testing::BinFolder();

HWND HelpWindowAfter(int ms) {
    for (int i = 0; i < ms / 100; ++i) testing::Pump();
    return FindWindowW(L"HH Parent", nullptr);
}

TEST(HelpFile, HelpContentsOpensTheHelpWindowFromAFolderOutsideTheAnsiCodePageAndExitClosesIt) {
    if (!std::filesystem::exists(kBin / L"Nivex.chm")) GTEST_SKIP() << "Nivex.chm was not built (chmcmd missing)";
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    // Without the file: the message, and no window.
    const std::filesystem::path wide = folder.Path() / L"Hilfe \u03a9\u03bc\u03ad\u03b3\u03b1 \u6587\u4ef6";
    SetProgramFolder(wide.wstring());
    ShowHelpContents(nullptr, desktop);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to display " + (wide / L"Nivex.chm").wstring());
    EXPECT_TRUE(desktop.messages[0].title == L"Error" && desktop.messages[0].icon == MsgIcon::Critical);
    EXPECT_EQ(HelpWindowAfter(0), nullptr);

    std::filesystem::create_directories(wide);
    std::filesystem::copy_file(kBin / L"Nivex.chm", wide / L"Nivex.chm");
    desktop.messages.clear();
    ShowHelpContents(nullptr, desktop);
    EXPECT_TRUE(desktop.messages.empty()) << (desktop.messages.empty() ? "" : WideToUtf8(desktop.messages[0].text));
    EXPECT_EQ(ui::WindowText(HelpWindowAfter(300)), L"Nivex Help");

    // F1 in a dialog: each window's page opens through its identifier in the compiled file's map.
    for (const auto& entry : HelpEntries()) {
        if (!entry.window) continue;
        EXPECT_NE(TheHelpViewer().ShowContext(nullptr, HelpFilePath(wide.wstring()), entry.id), nullptr) << entry.name;
    }
    ShowHelpTopic(nullptr, 1); // no such identifier
    EXPECT_EQ(desktop.messages.size(), 1u);

    CloseAllHelpWindows();
    EXPECT_EQ(HelpWindowAfter(300), nullptr);
}

TEST(ShippedFiles, TipsKeepTheirLineEndsAndTheLicenceIsThere) {
    const std::string tips = testing::ReadFileBytes(kBin / L"nivex_10.tod");
    for (size_t i = 0; i < tips.size(); ++i)
        EXPECT_TRUE(tips[i] != '\n' || (i > 0 && tips[i - 1] == '\r')) << "no CR before the line end at byte " << i;
    for (const auto& tip : SplitTipLines(Utf8ToWide(tips)))
        EXPECT_TRUE(!tip.empty() && tip.size() <= 200u) << WideToUtf8(tip); // fits the window
    const std::string licence = testing::ReadFileBytes(kBin / L"License.txt");
    EXPECT_NE(licence.find("Copyright (C) 2002-" + std::to_string(NIVEX_COPYRIGHT_YEAR) + " Velmora Software"),
              std::string::npos) << "the build's year, as the About box's";
    EXPECT_NE(licence.find("\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(kBin / L"help"));
}

} // namespace
} // namespace nivex
