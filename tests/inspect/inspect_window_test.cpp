// The compare window and the dependency viewer, created directly and driven as a person would.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "common/text.h"
#include "common/window.h"
#include "inspect/compare_window.h"
#include "inspect/dependency_files.h"
#include "inspect/dependency_window.h"
#include "inspect/inspect_resource.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using Texts = std::vector<std::wstring>;

// A plain top-level window standing in for the main window.
struct Owner {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                ProgramInstance(), nullptr);
    ~Owner() { DestroyWindow(hwnd); }
};

class InspectWindows : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        SetSystemFolder(system.Text());
    }
    void TearDown() override {
        if (frmDependency* viewer = frmDependency::Existing()) DestroyWindow(viewer->Handle());
        SetSystemFolder(L"");
    }
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    testing::TempFolder system;
    Owner owner;
};

TEST_F(InspectWindows, CompareFillsTheFirstBoxDisablesItsOwnerAndComparesTwoFiles) {
    const std::wstring first = folder.WriteFile(L"first.ocx", std::string(1500, 'a'));
    const std::wstring second = folder.WriteFile(L"Second.OCX", std::string(1700, 'b'));
    frmCompare* window = frmCompare::Open(owner.hwnd, desktop, first);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->Handle();
    EXPECT_FALSE(IsWindowEnabled(owner.hwnd));
    EXPECT_EQ(window->BoxText(0), L"first.ocx");
    EXPECT_EQ(window->BoxPath(0), first);
    EXPECT_FALSE(window->CompareEnabled());
    // The boxes cannot be typed into: the name shown is always the file compared.
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(hwnd, IDC_COMPARE_TXTFILE0), GWL_STYLE) & ES_READONLY);

    desktop.fileAnswers = {L"0", second};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0); // cancelled: nothing changes
    EXPECT_EQ(window->BoxText(1), L"");
    EXPECT_FALSE(window->CompareEnabled());
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0);
    ASSERT_EQ(desktop.fileDialogs.size(), 2u);
    EXPECT_EQ(desktop.fileDialogs[0].title, L"Open Compare File");
    EXPECT_EQ(desktop.fileDialogs[0].filter, L"ActiveX Controls (*.OCX)|*.ocx|ActiveX DLL's (*.DLL)|*.dll");
    EXPECT_EQ(desktop.fileDialogs[0].initialFolder, SystemFolder());
    EXPECT_EQ(window->BoxText(1), L"Second.OCX");
    EXPECT_TRUE(window->CompareEnabled());

    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    const auto rows = window->Rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].element, L"Filename");
    EXPECT_EQ(rows[0].first, L"FIRST.OCX");
    EXPECT_EQ(rows[0].second, L"SECOND.OCX");
    EXPECT_EQ(rows[0].image, 1); // "NO"
    EXPECT_EQ(rows[1].first, L"1KB");
    EXPECT_EQ(rows[1].second, L"2KB");
    EXPECT_EQ(rows[7].element, L"Copyright");
    EXPECT_EQ(rows[7].image, 0); // "YES": neither has a version resource
    HWND list = GetDlgItem(hwnd, IDC_COMPARE_LVRESULTS);
    wchar_t caption[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(caption, L"Compared To File");

    // A file that went away: the message names the box's file; the list stays empty.
    DeleteFileW(second.c_str());
    desktop.answers = {MsgAnswer::Ok};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"Second.OCX does not exist!"});
    EXPECT_EQ(desktop.messages[0].title, L"Error");
    EXPECT_TRUE(window->Rows().empty());

    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCLOSE, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
}

TEST_F(InspectWindows, CompareLaysTheListAndButtonsOutFromTheWindowSize) {
    frmCompare* window = frmCompare::Open(owner.hwnd, desktop, L"");
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->Handle();
    SetWindowPos(hwnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{}, list{};
    GetClientRect(hwnd, &client);
    GetWindowRect(GetDlgItem(hwnd, IDC_COMPARE_LVRESULTS), &list);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(list.left, TwipsToPixelsX(45));
    EXPECT_EQ(list.top, TwipsToPixelsY(1440));
    EXPECT_EQ(list.right - list.left, client.right - TwipsToPixelsX(90));
    EXPECT_EQ(list.bottom - list.top, client.bottom - TwipsToPixelsY(1500));
    RECT compare{}, close{};
    GetWindowRect(GetDlgItem(hwnd, IDC_COMPARE_CMDCOMPARE), &compare);
    GetWindowRect(GetDlgItem(hwnd, IDC_COMPARE_CMDCLOSE), &close);
    EXPECT_EQ(compare.left, close.left);
    // An empty first box: comparing says so.
    desktop.fileAnswers = {folder.WriteFile(L"x.ocx", "x")};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0);
    desktop.answers = {MsgAnswer::Ok};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    EXPECT_EQ(desktop.MessageTexts(), Texts{L" does not exist!"});
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
}

struct DepFiles {
    testing::TempFolder folder;
    std::wstring server;
    DepFiles() {
        for (const wchar_t* name : {L"fixture_depserver.dll", L"fixture_dephelper.dll"})
            EXPECT_TRUE(CopyFileW(testing::FixturePath(name).c_str(), folder.File(name).c_str(), FALSE));
        server = folder.File(L"fixture_depserver.dll");
    }
};

TEST_F(InspectWindows, TheViewerListsMentionedNamesAndImportsAsTheReportHasThem) {
    DepFiles files;
    frmDependency* viewer = frmDependency::Open(owner.hwnd, desktop, files.server);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd)); // it follows the selection, so the owner stays usable
    EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - fixture_depserver.dll");
    EXPECT_EQ(viewer->FileLabel(), files.server);
    EXPECT_EQ(viewer->RootTexts(), (Texts{L"DLL Dependencies", L"OCX Dependencies", L"Imported Modules"}));

    const DependencyReport report = BuildDependencyReport(files.server);
    Texts dll, imports;
    for (const auto& m : report.mentioned.dll) dll.push_back(m.name);
    for (const auto& m : report.imports) imports.push_back(ImportNodeText(m));
    EXPECT_EQ(viewer->ChildTexts(L"DLL"), dll);
    EXPECT_TRUE(viewer->ChildTexts(L"OCX").empty());
    EXPECT_EQ(viewer->ChildTexts(L"IMPORTS"), imports);

    // The helper's own imports appear when it is expanded: velmoradep.dll is missing, in red.
    int helper = -1;
    for (std::size_t i = 0; i < report.imports.size(); ++i)
        if (report.imports[i].name == "fixture_dephelper.dll") helper = static_cast<int>(i);
    ASSERT_GE(helper, 0);
    const Texts inner = viewer->ChildTexts(L"IMPORTS", {helper});
    ASSERT_FALSE(inner.empty());
    int leaf = -1;
    for (std::size_t i = 0; i < inner.size(); ++i)
        if (inner[i] == L"velmoradep.dll (not found)") leaf = static_cast<int>(i);
    ASSERT_GE(leaf, 0) << WideToUtf8(inner[0]);
    EXPECT_TRUE(viewer->IsShownMissing(L"IMPORTS", {helper, leaf}));
    EXPECT_FALSE(viewer->IsShownMissing(L"IMPORTS", {helper}));

    // Toolbar: no selection and roots disable Properties and Explore; a child enables them.
    viewer->Select(L"");
    EXPECT_FALSE(viewer->ButtonEnabled(IDC_DEP_PROPERTIES));
    viewer->Select(L"DLL");
    EXPECT_FALSE(viewer->ButtonEnabled(IDC_DEP_EXPLORE));
    EXPECT_TRUE(viewer->ButtonEnabled(IDC_DEP_OPEN));
    viewer->Select(L"IMPORTS", {helper});
    EXPECT_TRUE(viewer->ButtonEnabled(IDC_DEP_PROPERTIES));
    EXPECT_TRUE(viewer->ButtonEnabled(IDC_DEP_EXPLORE));
    EXPECT_EQ(viewer->ButtonTip(IDC_DEP_EXPLORE), L"Exploer File Location...");
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_PROPERTIES, 0);
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_EXPLORE, 0);
    // A missing module falls back to the System folder.
    viewer->Select(L"IMPORTS", {helper, leaf});
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_PROPERTIES, 0);
    ASSERT_EQ(desktop.executions.size(), 3u);
    EXPECT_EQ(desktop.executions[0].verb, L"properties");
    EXPECT_TRUE(EqualsNoCase(desktop.executions[0].file, files.folder.File(L"fixture_dephelper.dll")));
    EXPECT_EQ(desktop.executions[1].verb, L"explore");
    EXPECT_TRUE(EqualsNoCase(desktop.executions[1].file, WithTrailingBackslash(files.folder.Text())));
    EXPECT_EQ(desktop.executions[2].file, SystemFolder() + L"velmoradep.dll");
}

TEST_F(InspectWindows, TheViewerOpensOtherFilesFollowsTheSelectionAndSaysWhenAFileIsMissing) {
    const std::wstring text = folder.WriteFile(L"notes.ocx", "uses KERNEL32.dll, my_ctl.ocx and ole32.dll then kernel32.DLL");
    frmDependency* viewer = frmDependency::Open(owner.hwnd, desktop, text);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->ChildTexts(L"DLL"), (Texts{L"ole32.dll", L"kernel32.dll"}));
    EXPECT_EQ(viewer->ChildTexts(L"OCX"), Texts{L"ctl.ocx"});
    EXPECT_TRUE(viewer->ChildTexts(L"IMPORTS").empty()); // not a PE image

    // Open: the dialog's settings; a cancel changes nothing.
    desktop.fileAnswers = {L"0"};
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_OPEN, 0);
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].defaultExt, L"ocx");
    EXPECT_EQ(desktop.fileDialogs[0].title, L"Open File");
    EXPECT_EQ(desktop.fileDialogs[0].filter,
              L"ActiveX Controls (*.ocx)|*.ocx|Dynamic Link Libraries (*.dll)|*.dll|Executables (*.exe)|*.exe");
    EXPECT_EQ(viewer->FileLabel(), text);

    // The main window's selection moves to a control whose file is missing: the message, empty roots,
    // the caption kept.
    desktop.answers = {MsgAnswer::Ok};
    frmDependency::FollowSelection(folder.File(L"gone.ocx"));
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"gone.ocx does not exist!"});
    EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - notes.ocx");
    EXPECT_TRUE(viewer->ChildTexts(L"DLL").empty());
    EXPECT_FALSE(viewer->ButtonEnabled(IDC_DEP_PROPERTIES));

    // A hidden viewer does not follow; the open command shows the same one again.
    ShowWindow(viewer->Handle(), SW_HIDE);
    frmDependency::FollowSelection(text);
    EXPECT_TRUE(viewer->ChildTexts(L"DLL").empty());
    EXPECT_EQ(frmDependency::Open(owner.hwnd, desktop, text), viewer);
    EXPECT_EQ(viewer->ChildTexts(L"OCX"), Texts{L"ctl.ocx"});

    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_CMDCLOSE, 0);
    EXPECT_EQ(frmDependency::Existing(), nullptr);
}

TEST_F(InspectWindows, AFileForAnotherMachineSaysSoInTheCaption) {
    const std::wstring server = testing::FixturePath(L"fixture_x86.dll");
    if (GetFileAttributesW(server.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no 32-bit compiler";
    frmDependency* viewer = frmDependency::Open(owner.hwnd, desktop, server);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - fixture_x86.dll [32-bit x86 file, not loadable by the 64-bit Nivex]");
}

} // namespace
} // namespace nivex
