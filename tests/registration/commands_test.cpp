// The commands the main window runs, and the one-shot runs of "/R" and "/U".
#include <gtest/gtest.h>

#include <filesystem>

#include "app/catalogue_scan.h"
#include "common/text.h"
#include "registration/reg_flows.h"
#include "registration/registration_commands.h"
#include "registry/settings.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using fixtures::kSpareLibrary;
using testing::RegisteredServer;
using testing::RegistrationScene;

class CommandTest : public ::testing::Test {
protected:
    RegistrationScene scene;
    Catalogue catalogue;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)); // only passed on, never used

    // Both fixture servers registered from the System folder and catalogued.
    void RegisterBoth() {
        for (const auto* lib : {&kDemoLibrary, &kSpareLibrary}) {
            std::wstring path = RegistrationScene::CopyFixture(scene.system, lib->fileName);
            ASSERT_EQ(RegisterControl(path), RegOutcome::Completed);
            AddControlsForFile(catalogue, path);
        }
        ASSERT_EQ(catalogue.libraries, 2);
        ASSERT_EQ(catalogue.controls, 3);
    }
    int Node(const wchar_t* key) const { return catalogue.Tree(Catalogue::kAll).FindByKey(key); }
};

TEST_F(CommandTest, RegisterAsksForAFileInTheSystemFolderAndCataloguesItsControls) {
    EXPECT_EQ(RegisterCommand(catalogue, owner), RegOutcome::Cancelled); // the dialog was cancelled
    ASSERT_EQ(scene.desktop.fileDialogs.size(), 1u);
    const FileDialogRequest& request = scene.desktop.fileDialogs[0];
    EXPECT_EQ(request.title, L"Register ActiveX Control");
    EXPECT_EQ(request.filter, L"ActiveX Controls (*.OCX)|*.ocx|ActiveX DLL's (*.DLL)|*.dll");
    EXPECT_EQ(request.initialFolder, scene.system.Text() + L"\\");
    EXPECT_EQ(request.owner, owner);
    EXPECT_TRUE(scene.display.shown.empty());

    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    scene.desktop.fileAnswers = {file};
    scene.desktop.answers = {MsgAnswer::Yes}; // copy into the System folder
    EXPECT_EQ(RegisterCommand(catalogue, owner), RegOutcome::Completed);
    // The copy is what was registered and catalogued: two controls (the plain class is no control).
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
    EXPECT_NE(Node(kDemoLibrary.libIdText), 0);
    EXPECT_EQ(RegisteredServer(kDemoLibrary.classes[0]), scene.system.File(kDemoLibrary.fileName));

    // A failed registration catalogues nothing.
    scene.desktop.fileAnswers = {RegistrationScene::CopyFixture(scene.system, fixtures::kNoEntryFile)};
    EXPECT_EQ(RegisterCommand(catalogue, owner), RegOutcome::EntryPointMissing);
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
}

TEST_F(CommandTest, UnregisteringTheSelectedControlRemovesItsLibrary) {
    RegisterBoth();
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    all.Select(Node(kDemoLibrary.classes[1].clsidText)); // the meter, second control of the demo library
    const std::wstring file = scene.system.File(kDemoLibrary.fileName);

    // A failure changes nothing.
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    EXPECT_EQ(UnregisterSelectedCommand(catalogue, scene.work.File(L"absent.ocx"), owner), RegOutcome::LoadFailed);
    EXPECT_EQ(catalogue.CountsText(), L"3 Controls in 2 Libraries");

    EXPECT_EQ(UnregisterSelectedCommand(catalogue, file, owner), RegOutcome::Completed);
    EXPECT_EQ(catalogue.libraries, 1);
    EXPECT_EQ(catalogue.controls, 1);
    EXPECT_EQ(Node(kDemoLibrary.libIdText), 0);
    EXPECT_EQ(Node(kDemoLibrary.classes[0].clsidText), 0);
    EXPECT_NE(Node(kSpareLibrary.libIdText), 0);
    EXPECT_EQ(RegisteredServer(kDemoLibrary.classes[0]), L"");
}

TEST_F(CommandTest, SelectingTheLibraryNodeCountsItsChildren) {
    RegisterBoth();
    catalogue.Tree(Catalogue::kAll).Select(Node(kDemoLibrary.libIdText));
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    EXPECT_EQ(UnregisterSelectedCommand(catalogue, scene.system.File(kDemoLibrary.fileName), owner),
              RegOutcome::Completed);
    EXPECT_EQ(catalogue.CountsText(), L"1 Controls in 1 Libraries");

    // Nothing selected: the counters are not lowered for a node that is not there.
    std::wstring path = scene.system.File(kDemoLibrary.fileName);
    ASSERT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(UnregisterSelectedCommand(catalogue, path, owner), RegOutcome::Completed);
    EXPECT_EQ(catalogue.CountsText(), L"1 Controls in 1 Libraries");
}

TEST_F(CommandTest, TrayUnregisterRemovesTheChosenFilesControlsNotTheSelectedOnes) {
    RegisterBoth();
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int selected = Node(kDemoLibrary.classes[0].clsidText);
    all.Select(selected);
    // The registry names the file in another letter case than the dialog does.
    scene.desktop.fileAnswers = {ToUpperText(scene.system.File(kSpareLibrary.fileName))};
    scene.desktop.answers = {MsgAnswer::Yes}; // keep the file
    EXPECT_EQ(TrayUnregisterCommand(catalogue, owner), RegOutcome::Completed);
    EXPECT_EQ(scene.desktop.fileDialogs.back().title, L"Unregister ActiveX Control");
    EXPECT_EQ(Node(kSpareLibrary.libIdText), 0);
    EXPECT_EQ(Node(kSpareLibrary.classes[0].clsidText), 0);
    EXPECT_EQ(all.Selected(), selected);
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");

    // Cancelled dialog, cancelled question: nothing happens.
    EXPECT_EQ(TrayUnregisterCommand(catalogue, owner), RegOutcome::Cancelled);
    scene.desktop.fileAnswers = {scene.system.File(kDemoLibrary.fileName)};
    scene.desktop.answers = {MsgAnswer::Cancel};
    EXPECT_EQ(TrayUnregisterCommand(catalogue, owner), RegOutcome::Cancelled);
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
}

TEST_F(CommandTest, OneShotRunsTakeAQuotedPathAndExitWithTheOutcomesCode) {
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName, L"with blank.ocx");
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1");
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    // As the Explorer verb passes it: "%1" in quotes.
    const StartRequest request = ParseStartRequest(ArgumentsOf(L"\"C:\\Nivex\\nivex.exe\" /R \"" + file + L"\""));
    ASSERT_EQ(request.mode, RunMode::Register);
    EXPECT_EQ(RunOneShot(request.mode, request.path), 0);
    EXPECT_EQ(RegisteredServer(kDemoLibrary.classes[0]), file);
    EXPECT_EQ(RunOneShot(RunMode::Unregister, L"\"" + file + L"\""), 0);
    EXPECT_EQ(RegisteredServer(kDemoLibrary.classes[0]), L"");
    EXPECT_EQ(RunOneShot(RunMode::Register, RegistrationScene::CopyFixture(scene.work, fixtures::kNoEntryFile)), 12);
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"0");
    scene.desktop.answers = {MsgAnswer::Cancel};
    EXPECT_EQ(RunOneShot(RunMode::Register, file), 3);
    EXPECT_EQ(RunOneShot(RunMode::Interactive, file), 2);
}

} // namespace
} // namespace nivex
