// The subsystems' command entries on a context of their own, without the main window: what each takes from
// the selection, what it tells the status sink, and which catalogue change it asks for afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/main_commands.h"
#include "app/resource.h"
#include "catalogue/catalogue_scan.h"
#include "registration/reg_backup.h"
#include "registration/registration_resource.h"
#include "registration/repair_windows.h"
#include "registration/registration_test_support.h"
#include "registry/settings.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using Texts = std::vector<std::wstring>;

const std::wstring kAlphaLib = L"{A0000000-0000-0000-0000-000000000001}";
const std::wstring kAlpha = L"{10000000-0000-0000-0000-000000000001}";
const std::wstring kBeta = L"{10000000-0000-0000-0000-000000000002}";

// Clicks a button of the restore list once its modal loop runs.
int gRestoreButton = 0;
void CALLBACK ClickRestoreButton(HWND, UINT, UINT_PTR timer, DWORD) {
    if (frmRestoreList* list = frmRestoreList::Current()) {
        KillTimer(nullptr, timer);
        PostMessageW(list->Handle(), WM_COMMAND, MAKEWPARAM(gRestoreButton, BN_CLICKED), 0);
    }
}
void ClickInRestoreList(int id) {
    gRestoreButton = id;
    SetTimer(nullptr, 0, 10, &ClickRestoreButton);
}

class CommandEntries : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::wstring& id : {kAlpha, kBeta}) {
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id, L"", L"Control " + id);
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\Control", L"", L"");
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\TypeLib", L"", kAlphaLib);
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\InProcServer32", L"", scene.work.File(L"gone.ocx"));
        }
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kAlphaLib + L"\\1.0", L"", L"Alpha Library");
        PopulateList(catalogue);
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

TEST_F(CommandEntries, ExploreOpensTheFolderOfTheFileTheRegistrationNames) {
    Select(kAlpha, scene.work.File(L"here.ocx"), false);
    selection.registeredPath = L"here.ocx"; // as registered: not what the shell is given
    EXPECT_TRUE(Run(mnuExplore));
    ASSERT_EQ(scene.desktop.executions.size(), 1u);
    EXPECT_EQ(scene.desktop.executions[0].verb + L" " + scene.desktop.executions[0].file,
              L"explore " + scene.work.Text() + L"\\");
}

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

TEST_F(CommandEntries, RepairCommandsAskForARedrawAfterARemovalAndARescanAfterARestore) {
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
    ClickInRestoreList(IDCANCEL); // closed: nothing to rescan
    Run(mnuRestoreRegistryKeys);
    EXPECT_TRUE(calls.empty());
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok}; // the question, the closing message
    ClickInRestoreList(IDC_CMDRESTORE);                      // the only backup, selected
    Run(mnuRestoreRegistryKeys);
    EXPECT_EQ(calls, Texts{L"rescan"});
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kBeta));
    SetBackupFolder(L"");
}

} // namespace
} // namespace nivex
