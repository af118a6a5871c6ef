// The program's own What's-This mode: picking a control with the next click, cancelling, the help
// identifiers, the viewer's text pop-up and the fallback window, and the help of an attached dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "auxiliary/about_window.h"
#include "auxiliary/auxiliary_resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/winutil.h"
#include "inspect/compare_window.h"
#include "inspect/dependency_window.h"
#include "inspect/inspect_resource.h"
#include "registration/reg_status_window.h"
#include "registration/repair_windows.h"
#include "support/registry_sandbox.h"
#include "registration/registration_resource.h"
#include "support/recording_help_viewer.h"
#include "support/scripted_desktop.h"

namespace nivex {
namespace {

void Pump() {
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

// A click as the mode sees it: a button press posted to the window in its client coordinates.
void PostClick(HWND window, POINT client, UINT message = WM_LBUTTONDOWN) {
    PostMessageW(window, message, MK_LBUTTON, MAKELPARAM(client.x, client.y));
}
POINT CentreOf(HWND control, HWND in) {
    RECT r;
    GetWindowRect(control, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(in, &p);
    return p;
}

class WhatsThisTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolder(L"C:\\Nivex");
        about = TheAboutWindow().Open(nullptr, desktop);
        ASSERT_NE(about, nullptr);
        Pump();
    }
    void TearDown() override {
        CloseHelpPopupWindow();
        TheAboutWindow().Close();
    }
    HWND Item(int id) { return GetDlgItem(about, id); }

    testing::ScriptedDesktop desktop;
    testing::RecordingHelpViewer viewer;
    HWND about = nullptr;
};

TEST_F(WhatsThisTest, TheNextClickPicksTheControlAndItsTextAppearsInTheProgramsOwnPopup) {
    PostClick(about, CentreOf(Item(IDC_ABOUT_CMDLICENSE), about));
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT_LICENSE);
    EXPECT_NE(GetCapture(), about); // the mode gave the mouse back
    // The viewer was asked first, from the help file's pop-up topic file.
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].kind, L"popup");
    EXPECT_EQ(viewer.requests[0].file, L"C:\\Nivex\\Nivex.chm::/popups.txt");
    EXPECT_EQ(viewer.requests[0].id, IDH_ABOUT_LICENSE);
    // It showed none, so the program shows the same text itself.
    HWND popup = OpenHelpPopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_EQ(ui::WindowText(popup), FindHelpEntry(IDH_ABOUT_LICENSE)->text);
    // The next key closes it.
    PostMessageW(popup, WM_KEYDOWN, 'A', 0);
    Pump();
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    EXPECT_TRUE(desktop.executions.empty()); // the click picked the button, it did not press it
}

TEST_F(WhatsThisTest, OneClickEndsTheModeAndAViewerThatShowsPopupsNeedsNoFallback) {
    viewer.showsPopups = true;
    PostClick(about, CentreOf(Item(IDC_ABOUT_LBLWEB), about));
    PostClick(about, CentreOf(Item(IDC_ABOUT_LBLEMAIL), about));
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT_WEB);
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    MSG left;
    EXPECT_TRUE(PeekMessageW(&left, about, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)); // not consumed
}

TEST_F(WhatsThisTest, EscARightClickOrAClickOutsideCancels) {
    PostMessageW(about, WM_KEYDOWN, 'X', 0); // other keys are ignored while the mode runs
    PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(RunWhatsThis(about), 0u);
    PostClick(about, CentreOf(Item(IDOK), about), WM_RBUTTONDOWN);
    EXPECT_EQ(RunWhatsThis(about), 0u);
    PostClick(about, POINT{-200, -200});
    EXPECT_EQ(RunWhatsThis(about), 0u);
    EXPECT_TRUE(viewer.requests.empty());
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_NE(TheAboutWindow().Handle(), nullptr); // Esc did not close the dialog either
}

TEST_F(WhatsThisTest, AControlWithoutItsOwnIdentifierShowsItsWindowsText) {
    PostClick(about, CentreOf(Item(IDC_ABOUT_LBLMAKER), about));
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT);
    RECT client;
    GetClientRect(about, &client);
    PostClick(about, POINT{client.right - 3, client.bottom - 3}); // the dialog's own surface
    EXPECT_EQ(RunWhatsThis(about), IDH_ABOUT);
}

TEST_F(WhatsThisTest, TheCaptionsHelpButtonRunsTheModeAndF1OpensTheWindowsPage) {
    EXPECT_TRUE(GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    PostClick(about, CentreOf(Item(IDC_ABOUT_LBLVERSION), about));
    SendMessageW(about, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].id, IDH_ABOUT_VERSION);

    viewer.window = reinterpret_cast<HWND>(1);
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = Item(IDC_ABOUT_LBLWEB);
    SendMessageW(about, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_EQ(viewer.requests.size(), 2u);
    EXPECT_EQ(viewer.requests[1].kind, L"context");
    EXPECT_EQ(viewer.requests[1].id, IDH_ABOUT);
    EXPECT_EQ(viewer.requests[1].file, L"C:\\Nivex\\Nivex.chm");
    EXPECT_TRUE(desktop.messages.empty());

    viewer.window = nullptr; // no help file
    SendMessageW(about, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to display C:\\Nivex\\Nivex.chm");
    EXPECT_EQ(desktop.messages[0].title, L"Error");
}

// Shift as the key messages of this thread see it.
void HoldShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Inside a modal dialog's own loop: Shift+F1 on its data box, then a click on the box, then Esc.
void CALLBACK PressShiftF1InEditData(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowW(L"#32770", L"Edit Data - Control");
    if (!dialog) return;
    KillTimer(nullptr, id);
    HWND data = GetDlgItem(dialog, IDC_TXTDATA);
    PostMessageW(data, WM_KEYDOWN, VK_F1, 0x003B0001);
    PostClick(dialog, CentreOf(data, dialog));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(WhatsThisTest, ShiftF1StartsTheModeInEveryDialogWithHelpModelessOrModal) {
    HoldShift(true);
    // A modeless dialog: its keys pass the program's loop.
    PostClick(about, CentreOf(Item(IDC_ABOUT_CMDLICENSE), about));
    const MSG key{Item(IDOK), WM_KEYDOWN, VK_F1, 0x003B0001, 0, {}};
    EXPECT_TRUE(HandleDialogHelpKey(key, nullptr));
    CloseHelpPopupWindow();
    // A modal dialog: its keys never reach the program's loop.
    testing::RegistrySandbox sandbox;
    frmEditData edit(desktop, EditDataRequest{L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B003}", L"Control", L"Version"},
                     [](const std::wstring&, const std::wstring&) {});
    SetTimer(nullptr, 0, 50, &PressShiftF1InEditData);
    edit.RunModal(IDD_EDITDATA, nullptr);
    HoldShift(false);
    std::vector<std::wstring> shown;
    for (const auto& r : viewer.requests) shown.push_back(r.kind + L" " + std::to_wstring(r.id));
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"popup " + std::to_wstring(IDH_ABOUT_LICENSE),
                                                 L"popup " + std::to_wstring(IDH_EDITDATA_DATA)}));
}

TEST(WhatsThisPoint, TheSmallestControlUnderThePointWinsAndHelpIdentifiersComeFromTheParents) {
    HWND root = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(root, nullptr);
    HWND group = CreateWindowExW(0, L"BUTTON", L"Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10, 200, 120, root,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND check = CreateWindowExW(0, L"BUTTON", L"Check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 30, 40, 100, 20,
                                 root, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND hidden = CreateWindowExW(0, L"BUTTON", L"Hidden", WS_CHILD | BS_PUSHBUTTON, 30, 40, 50, 20, root, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(group && check && hidden);
    SetWindowContextHelpId(root, IDH_OPTIONS);
    SetWindowContextHelpId(group, IDH_OPT_DIALOGLIST);

    EXPECT_EQ(ControlAtPoint(root, POINT{100 + 35, 100 + 45}), check); // inside the group box too, hidden one skipped
    EXPECT_EQ(ControlAtPoint(root, POINT{100 + 150, 100 + 100}), group);
    EXPECT_EQ(ControlAtPoint(root, POINT{100 + 250, 100 + 180}), root);
    EXPECT_EQ(ControlAtPoint(root, POINT{50, 50}), nullptr);

    EXPECT_EQ(HelpIdOf(check, root), IDH_OPTIONS); // from the parent
    EXPECT_EQ(HelpIdOf(group, root), IDH_OPT_DIALOGLIST);
    SetWindowContextHelpId(root, 0);
    EXPECT_EQ(HelpIdOf(check, root), 0u);
    DestroyWindow(root);
}

TEST(HelpPopupWindow, ShowsTheTextOfAnIdentifierAndClosesAtTheNextClick) {
    testing::RecordingHelpViewer viewer;
    EXPECT_FALSE(ShowHelpPopup(nullptr, 12345, POINT{10, 10})); // no text, nothing shown
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
    EXPECT_TRUE(viewer.requests.empty());

    ASSERT_TRUE(ShowHelpPopup(nullptr, IDH_MAIN_TREE_ALL, POINT{5000, 5000})); // kept on the screen
    HWND popup = OpenHelpPopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(ui::WindowText(popup), FindHelpEntry(IDH_MAIN_TREE_ALL)->text);
    RECT r;
    GetWindowRect(popup, &r);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_GT(r.bottom - r.top, 20); // wrapped onto lines, not cut
    EXPECT_LE(r.right - r.left, 330);

    // Showing another replaces it.
    ASSERT_TRUE(ShowHelpPopup(nullptr, IDH_MAIN_FILE_INFO, POINT{300, 300}));
    HWND second = OpenHelpPopupWindow();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(ui::WindowText(second), FindHelpEntry(IDH_MAIN_FILE_INFO)->text);
    PostMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    Pump();
    EXPECT_EQ(OpenHelpPopupWindow(), nullptr);
}


// Each dialog gets its page (F1) and its controls' texts when it opens.
TEST(DialogHelp, TheProgramsDialogsCarryTheirPagesAndTheirControlsTexts) {
    testing::ScriptedDesktop desktop;
    testing::RecordingHelpViewer viewer;
    viewer.window = reinterpret_cast<HWND>(1);
    SetProgramFolder(L"C:\\Nivex");
    auto f1 = [&](HWND dialog) {
        HELPINFO info{};
        info.cbSize = sizeof(info);
        info.iContextType = HELPINFO_WINDOW;
        info.hItemHandle = dialog;
        viewer.requests.clear();
        SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return viewer.requests.size() == 1 && viewer.requests[0].kind == L"context" ? viewer.requests[0].id : 0ul;
    };
    const std::wstring self = ExecutablePath();

    frmCompare* compare = frmCompare::Open(nullptr, desktop, self);
    ASSERT_NE(compare, nullptr);
    HWND h = compare->Handle();
    EXPECT_EQ(f1(h), IDH_COMPARE);
    EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_COMPARE_LVRESULTS), h), IDH_COMPARE_RESULTS);
    EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_COMPARE_CMDBROWSE1), h), IDH_COMPARE_BROWSE);
    SendMessageW(h, WM_COMMAND, IDC_COMPARE_CMDCLOSE, 0);

    frmDependency* dependency = frmDependency::Open(nullptr, desktop, self);
    ASSERT_NE(dependency, nullptr);
    h = dependency->Handle();
    EXPECT_EQ(f1(h), IDH_DEPENDENCY);
    EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_DEP_TVMAIN), h), IDH_DEP_TREE);
    DestroyWindow(h);

    {
        testing::RegistrySandbox sandbox;
        frmFindFile find(desktop);
        find.SetupFind(L"C:\\gone\\DIAL.OCX", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B001}");
        h = find.CreateModeless(IDD_FINDFILE, nullptr);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(f1(h), IDH_FINDFILE);
        EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_CHKRECURSIVE), h), IDH_FINDFILE_RECURSIVE);
        EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_LVFOUND), h), IDH_FINDFILE_RESULTS);

        frmEditData edit(desktop, EditDataRequest{L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B002}", L"Control", L"Version"},
                         [](const std::wstring&, const std::wstring&) {});
        h = edit.CreateModeless(IDD_EDITDATA, nullptr);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(f1(h), IDH_EDITDATA);
        EXPECT_EQ(HelpIdOf(GetDlgItem(h, IDC_TXTDATA), h), IDH_EDITDATA_DATA);
    }

    frmRegStatus* status = frmRegStatus::Instance(nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(f1(status->Handle()), IDH_REGSTATUS);
    EXPECT_EQ(HelpIdOf(GetDlgItem(status->Handle(), IDC_REGSTATUS_MESSAGE), status->Handle()), IDH_REGSTATUS_MESSAGE);
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
} // namespace nivex
