// The subsystems' command entries on a context of their own, without the main window: what each takes from
// the selection, what it tells the status sink, and which catalogue change it asks for afterwards; and what
// "Report a Bug" starts the wizard with (that the wizard reads it is the wizard's own tests' business).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/main_commands.h"
#include "app/resource.h"
#include "auxiliary/support/window_driving.h"
#include "catalogue/catalogue_scan.h"
#include "nivex_version.h"
#include "registration/reg_backup.h"
#include "registration/registration_resource.h"
#include "registration/repair_windows.h"
#include "registration/registration_test_support.h"
#include "registry/settings.h"
#include "reports/view_in_browser.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using Texts = std::vector<std::wstring>;

const std::wstring kAlphaLib = L"{A0000000-0000-0000-0000-000000000001}";
const std::wstring kAlpha = L"{10000000-0000-0000-0000-000000000001}";
const std::wstring kBeta = L"{10000000-0000-0000-0000-000000000002}";

class CommandEntries : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::wstring& id : {kAlpha, kBeta})
            for (const auto& [sub, value] : {std::pair{L"", L"Control " + id}, {L"\\Control", L""}, {L"\\TypeLib", kAlphaLib},
                                             {L"\\InProcServer32", scene.work.File(L"gone.ocx")}})
                testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + sub, L"", value);
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kAlphaLib + L"\\1.0", L"", L"Alpha Library");
        PopulateList(catalogue);
        context.status.text = [this] { return status; };
        context.status.setText = [this](const std::wstring& text) { calls.push_back(L"status " + (status = text)); };
        context.runBusy = [this](const std::function<void()>& operation) {
            calls.push_back(L"busy");
            operation();
        };
        context.showChanges = [this] { calls.push_back(L"changes"); };
        context.showCounts = [this] { calls.push_back(L"counts"); };
        context.rescan = [this] { calls.push_back(L"rescan"); };
        AddSubsystemCommands(table, context);
    }
    void Select(const std::wstring& classId, const std::wstring& file, bool missing) {
        selection.classId = classId;
        selection.libraryKey = kAlphaLib;
        selection.registeredPath = selection.resolvedPath = file;
        selection.missing = missing;
    }
    bool Run(int id) { return table.Run(id, CommandConditions{true, !selection.IsEmpty(), selection.missing, catalogue.missing}); }

    testing::RegistrationScene scene;
    Catalogue catalogue;
    SelectedControl selection;
    CommandContext context{catalogue, selection, scene.desktop, scene.display};
    CommandTable table;
    std::wstring status = L"before";
    Texts calls;
};

TEST_F(CommandEntries, RegisteringShowsUpdatingAndPutsTheStatusBackAndOnlyACompletedChangeRedrawsTheTrees) {
    Run(mnuRegisterControl); // the file dialog is cancelled
    EXPECT_EQ(calls, (Texts{L"status Updating List.....", L"busy", L"status before", L"counts"}));

    calls.clear();
    const std::wstring server = testing::RegistrationScene::CopyFixture(scene.system, kDemoLibrary.fileName);
    scene.desktop.fileAnswers = {server};
    Run(mnuTrayRegisterControl);
    EXPECT_EQ(calls.back(), L"changes");
    EXPECT_NE(catalogue.FindNodeByKey(kDemoLibrary.libIdText), 0);

    // Unregistering from the menu removes the selection's library, wherever the catalogue's selection was.
    calls.clear();
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    all.Select(all.FindByKey(kAlpha));
    Select(kDemoLibrary.classes[1].clsidText, server, false);
    Run(mnuUnregisterControl);
    EXPECT_EQ(calls, (Texts{L"busy", L"changes"}));
    EXPECT_EQ(catalogue.FindNodeByKey(kDemoLibrary.libIdText), 0);
    EXPECT_NE(catalogue.FindNodeByKey(kAlphaLib), 0);

    calls.clear();
    selection.resolvedPath = scene.work.File(L"absent.ocx");
    Run(mnuUnregisterControl); // a failure leaves the trees alone
    EXPECT_EQ(calls, (Texts{L"busy", L"counts"}));
    ASSERT_EQ(scene.display.shown.size(), 3u);
    EXPECT_FALSE(scene.display.shown.back().success);
}

TEST_F(CommandEntries, ExploreTakesTheFileAndRepairsAskForARedrawAfterARemovalAndARescanAfterARestore) {
    Select(kAlpha, scene.work.File(L"here.ocx"), false);
    selection.registeredPath = L"here.ocx"; // as registered: not what the shell is given
    EXPECT_TRUE(Run(mnuExplore));
    ASSERT_EQ(scene.desktop.executions.size(), 1u);
    EXPECT_EQ(scene.desktop.executions[0].verb + L" " + scene.desktop.executions[0].file, L"explore " + scene.work.Text() + L"\\");

    testing::TempFolder backups;
    SetBackupFolder(backups.Text());
    Select(kAlpha, scene.work.File(L"gone.ocx"), true);
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
    scene.desktop.answers = {MsgAnswer::Ok}; // the closing message naming the backup
    EXPECT_TRUE(Run(mnuRemoveRegistryKeys));
    EXPECT_EQ(calls, (Texts{L"busy", L"changes"}));
    EXPECT_EQ(catalogue.FindNodeByKey(kAlphaLib), 0);
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kBeta));

    calls.clear();
    auto clickInRestoreList = [](int id) {
        testing::WhenModal([] { return frmRestoreList::Current() != nullptr; }, [id] {
            PostMessageW(frmRestoreList::Current()->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        });
    };
    clickInRestoreList(IDCANCEL); // closed: nothing to rescan
    Run(mnuRestoreRegistryKeys);
    EXPECT_TRUE(calls.empty());
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok}; // the question, the closing message
    clickInRestoreList(IDC_CMDRESTORE);                      // the only backup, selected
    Run(mnuRestoreRegistryKeys);
    EXPECT_EQ(calls, Texts{L"rescan"});
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kBeta));
    SetBackupFolder(L"");
}

TEST_F(CommandEntries, ReportABugStartsTheInstalledWizardElseTheOneBesideTheProgramElseSaysWhy) {
    const std::wstring wizard = scene.system.WriteFile(L"faultnote.exe", "MZ"); // where an installer put it
    const std::wstring beside = scene.work.WriteFile(L"faultnote.exe", "MZ");
    SetProgramFolder(scene.work.Text());
    wchar_t revision[8] = {};
    std::swprintf(revision, 8, L"%04d", NIVEX_VERSION_REVISION);
    const std::wstring arguments = L"Velmora Control Manager%" + std::to_wstring(NIVEX_VERSION_MAJOR) + L"." +
                                   std::to_wstring(NIVEX_VERSION_MINOR) + L"%" + revision;
    auto installPath = [](const std::wstring& setting) {
        testing::SetRegString(HKEY_CURRENT_USER, L"Software\\Velmora Software\\Bug Report Wizard", L"Install Path", setting);
    };
    // Install Path names the file or its folder, quoted or not; a path to nothing falls back beside the program.
    const std::pair<std::wstring, std::wstring> cases[] = {{wizard, wizard},
                                                           {scene.system.Text(), wizard},
                                                           {L"\"" + scene.system.Text() + L"\\\"", wizard},
                                                           {L"C:\\No\\Such\\Folder", beside}};
    for (const auto& [setting, expected] : cases) {
        installPath(setting);
        scene.desktop.executions.clear();
        Run(mnuBugReport);
        ASSERT_EQ(scene.desktop.executions.size(), 1u) << ::testing::PrintToString(setting);
        const auto& run = scene.desktop.executions[0];
        EXPECT_EQ(run.verb + L" " + run.file + L" " + run.parameters, L"open " + expected + L" " + arguments);
    }
    EXPECT_TRUE(scene.desktop.messages.empty());

    std::filesystem::remove(beside);
    Run(mnuBugReport);
    EXPECT_EQ(scene.desktop.executions.size(), 1u); // the shell is not asked to open nothing
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"faultnote.exe"), std::wstring::npos);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"C:\\No\\Such\\Folder"), std::wstring::npos);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Velmora Control Manager");

    installPath(wizard);
    scene.desktop.executeResult = 31; // the shell's "no association", not the system error 31
    Run(mnuBugReport);
    EXPECT_EQ(scene.desktop.messages.back().text,
              L"The Bug Report Wizard could not be started:\r\n" + wizard + L"\r\nNo program is associated with this file.");
}

TEST_F(CommandEntries, ViewInBrowserAsksForABrowserFirstAndSaysWhenTheSelectionStandsForNoControl) {
    Select(L"{10000000-0000-0000-0000-0000000000FF}", scene.work.File(L"gone.ocx"), true); // not in the tree
    scene.desktop.answers = {MsgAnswer::No};
    Run(mnuTestInBrowser);
    SaveSetting(kSectionOptions, kKeyTestBrowser, L"C:\\Web\\browse.exe");
    Run(mnuTestInBrowser);
    EXPECT_EQ(scene.desktop.MessageTexts(), (Texts{kNoBrowserText, kNoControlText}));
    EXPECT_TRUE(scene.desktop.executions.empty());
}

} // namespace
} // namespace nivex
