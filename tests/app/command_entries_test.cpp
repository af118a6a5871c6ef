// The subsystems' command entries on a context of their own, without the main window: what each takes from
// the selection, what it tells the status sink, and which catalogue change it asks for afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/main_commands.h"
#include "app/options_dialog.h"
#include "app/resource.h"
#include "catalogue/catalogue_scan.h"
#include "common/paths.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/outcome_display.h"
#include "registration/reg_backup.h"
#include "registry/settings.h"
#include "reports/browser_page.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using Texts = std::vector<std::wstring>;

struct RecordingDisplay final : OutcomeDisplay {
    std::vector<OutcomeText> shown;
    void Show(const OutcomeText& text, WindowRef) override { shown.push_back(text); }
};

const std::wstring kAlphaLib = L"{A0000000-0000-0000-0000-000000000001}";
const std::wstring kAlpha = L"{10000000-0000-0000-0000-000000000001}";
const std::wstring kBeta = L"{10000000-0000-0000-0000-000000000002}";

class CommandEntries : public ::testing::Test {
protected:
    void SetUp() override {
        SetSystemFolder(system.Text());
        SetProgramFolder(folder.Text());
        for (const auto& [id, name] : {std::pair{kAlpha, L"Alpha Control"}, {kBeta, L"Beta Control"}}) {
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id, L"", name);
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\Control", L"", L"");
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\TypeLib", L"", kAlphaLib);
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\InProcServer32", L"", folder.File(L"gone.ocx"));
        }
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kAlphaLib + L"\\1.0", L"", L"Alpha Library");
        PopulateList(catalogue);
        context.owner = nullptr;
        context.status.text = [this] { return status; };
        context.status.setText = [this](const std::wstring& text) {
            status = text;
            calls.push_back(L"status " + text);
        };
        context.runBusy = [this](const std::function<void()>& operation) {
            calls.push_back(L"busy");
            operation();
        };
        context.showChanges = [this] { calls.push_back(L"changes"); };
        context.showCounts = [this] { calls.push_back(L"counts"); };
        context.rescan = [this] { calls.push_back(L"rescan"); };
        AddSubsystemCommands(table, context);
    }
    void TearDown() override {
        SetSystemFolder(savedSystem);
        SetProgramFolder(savedProgram);
    }
    void Select(const std::wstring& classId, bool missing = false) {
        selection.classId = classId;
        selection.libraryKey = kAlphaLib;
        selection.registeredPath = selection.resolvedPath = folder.File(missing ? L"gone.ocx" : L"here.ocx");
        selection.missing = missing;
    }
    bool Run(int id) { return table.Run(id, CommandConditions{true, !selection.IsEmpty(), selection.missing, catalogue.missing}); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    testing::TempFolder system;
    std::wstring savedSystem = SystemFolder();
    std::wstring savedProgram = ProgramFolder();
    testing::ScriptedDesktop desktop;
    RecordingDisplay outcomes;
    Catalogue catalogue;
    SelectedControl selection;
    CommandContext context{catalogue, selection, desktop, outcomes};
    CommandTable table;
    std::wstring status = L"before";
    Texts calls;
};

TEST_F(CommandEntries, FileCommandsWorkOnTheResolvedPathOfTheSelection) {
    Select(kAlpha);
    selection.registeredPath = L"here.ocx"; // as registered: not what the shell is given
    Texts properties;
    context.openProperties = [&](HWND, const std::wstring& path) {
        properties.push_back(path);
        return true;
    };
    for (int id : {mnuExplore, mnuPropertyPages, mnuRegEdit}) EXPECT_TRUE(Run(id)) << id;
    ASSERT_EQ(desktop.executions.size(), 2u);
    EXPECT_EQ(desktop.executions[0].verb + L" " + desktop.executions[0].file, L"explore " + folder.Text() + L"\\");
    EXPECT_EQ(desktop.executions[1].file, L"regedit");
    EXPECT_EQ(properties, Texts{folder.File(L"here.ocx")});
    selection = SelectedControl::None();
    EXPECT_FALSE(Run(mnuExplore)) << "nothing selected";
}

TEST_F(CommandEntries, RegisteringShowsUpdatingAndPutsTheStatusBackAndOnlyACompletedChangeRedrawsTheTrees) {
    Run(mnuRegisterControl); // the file dialog is cancelled
    EXPECT_EQ(calls, (Texts{L"status Updating List.....", L"busy", L"status before", L"counts"}));
    EXPECT_TRUE(outcomes.shown.empty());

    calls.clear();
    std::wstring server = system.File(kDemoLibrary.fileName);
    ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), server.c_str(), FALSE));
    desktop.fileAnswers = {server};
    Run(mnuTrayRegisterControl);
    EXPECT_EQ(calls.back(), L"changes");
    EXPECT_EQ(status, L"before");
    EXPECT_NE(catalogue.FindNodeByKey(kDemoLibrary.libIdText), 0);

    // Unregistering from the menu removes the selection's library, wherever the catalogue's selection was.
    calls.clear();
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    all.Select(all.FindByKey(kAlpha));
    selection.classId = kDemoLibrary.classes[1].clsidText;
    selection.resolvedPath = server;
    Run(mnuUnregisterControl);
    EXPECT_EQ(calls, (Texts{L"busy", L"changes"}));
    EXPECT_EQ(catalogue.FindNodeByKey(kDemoLibrary.libIdText), 0);
    EXPECT_NE(catalogue.FindNodeByKey(kAlphaLib), 0);

    calls.clear();
    selection.resolvedPath = folder.File(L"absent.ocx");
    Run(mnuUnregisterControl); // a failure leaves the trees alone
    EXPECT_EQ(calls, (Texts{L"busy", L"counts"}));
    ASSERT_EQ(outcomes.shown.size(), 3u);
    EXPECT_FALSE(outcomes.shown.back().success);
}

TEST_F(CommandEntries, RepairCommandsAskForARedrawAfterARemovalAndARescanAfterARestore) {
    testing::TempFolder backups;
    SetBackupFolder(backups.Text());
    Select(kAlpha, true);
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
    desktop.answers = {MsgAnswer::Ok}; // the closing message naming the backup
    EXPECT_TRUE(Run(mnuRemoveRegistryKeys));
    EXPECT_EQ(calls, (Texts{L"busy", L"changes"}));
    EXPECT_EQ(catalogue.FindNodeByKey(kAlphaLib), 0);
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kBeta));

    calls.clear();
    Run(mnuRestoreRegistryKeys); // cancelled: nothing to rescan
    EXPECT_TRUE(calls.empty());
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((backups.Text() + L"\\*.reg").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    desktop.fileAnswers = {backups.File(found.cFileName)};
    desktop.answers = {MsgAnswer::Ok};
    Run(mnuRestoreRegistryKeys);
    EXPECT_EQ(calls, Texts{L"rescan"});
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kBeta));

    // Edit Data needs a row of the control information list; the window says which.
    EXPECT_FALSE(table.Enabled(mnuEditInformation, {true, true, false, 0}));
    context.selectedElement = [] { return std::wstring(L"Version"); };
    EXPECT_TRUE(table.Enabled(mnuEditInformation, {true, true, false, 0}));
    SetBackupFolder(L"");
}

TEST_F(CommandEntries, TheBrowserTestShowsTheVisibleTreesControlAndListsItsPagesForTheExit) {
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"C:\\Web\\browse.exe");
    catalogue.SetDisplayMode(Catalogue::kMissing);
    Select(kAlpha, true);
    Texts temp;
    context.deleteAtExit = [&](const std::wstring& path) { temp.push_back(path); };
    Run(mnuTestInBrowser);
    ASSERT_EQ(desktop.executions.size(), 1u);
    ASSERT_EQ(temp.size(), 2u);
    EXPECT_EQ(desktop.executions[0].parameters, L"\"" + temp[1] + L"\"");
    EXPECT_EQ(testing::ReadFileBytes(temp[1]), *BrowserPageBytes(L"Alpha Control", kAlpha));

    // Without a browser, Yes opens the Options dialog on its Browser tab.
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"");
    std::vector<int> tabs;
    context.openOptions = [&](int tab) { tabs.push_back(tab); };
    desktop.answers = {MsgAnswer::Yes};
    Run(mnuTestInBrowser);
    EXPECT_EQ(tabs, std::vector<int>{frmOptions::kTabBrowser});
    EXPECT_EQ(desktop.executions.size(), 1u);
}

} // namespace
} // namespace nivex
