// The register and unregister flows: questions by "Dialogs" setting and answer, the copy into the System
// folder, the delete after unregistering, and what is shown and played.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
#include "registration/reg_flows.h"
#include "registry/settings.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::RegisteredServer;
using testing::RegistrationScene;

const fixtures::FixtureClass& Gauge() { return kDemoLibrary.classes[0]; }

bool Exists(const std::wstring& path) { return std::filesystem::exists(std::filesystem::path(path)); }

class FlowTest : public ::testing::Test {
protected:
    RegistrationScene scene;
    std::wstring Sound(const wchar_t* name) { return std::wstring(L"C:\\Nivex Test\\Media\\") + name; }
};

TEST_F(FlowTest, AFileInTheSystemFolderIsRegisteredWithoutAQuestionInAnyLetterCase) {
    const std::wstring inSystem = RegistrationScene::CopyFixture(scene.system, kDemoLibrary.fileName);
    SetSystemFolder(ToUpperText(scene.system.Text()));
    std::wstring path = inSystem;
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed); // "RegisterNonSysPath" 0 would ask otherwise
    EXPECT_TRUE(scene.desktop.messages.empty());
    EXPECT_EQ(path, inSystem);
    EXPECT_EQ(RegisteredServer(Gauge()), inSystem);
    ASSERT_EQ(scene.display.shown.size(), 1u);
    EXPECT_EQ(scene.display.shown[0].caption, L"Nivex - Success");
    EXPECT_EQ(scene.display.shown[0].message, L"fixture_control.ocx was successfully registered in the \"" +
                                                  scene.system.Text() + L"\\\" directory.");
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>{Sound(L"nivex_regS.wav")});
}

TEST_F(FlowTest, SettingZeroAsksAndEachAnswerIsFollowed) {
    const std::wstring original = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);

    scene.desktop.answers = {MsgAnswer::Cancel};
    std::wstring path = original;
    EXPECT_EQ(RegisterControl(path), RegOutcome::Cancelled);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"File not in " + scene.system.Text() + L"\\");
    EXPECT_EQ(scene.desktop.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(scene.desktop.messages[0].icon, MsgIcon::Question);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"does not reside\nin the System folder."), std::wstring::npos);
    EXPECT_TRUE(scene.display.shown.empty());
    EXPECT_TRUE(scene.desktop.sounds.empty());
    EXPECT_EQ(RegisteredServer(Gauge()), L"");

    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(path, original);
    EXPECT_EQ(RegisteredServer(Gauge()), original);
    EXPECT_FALSE(Exists(scene.system.File(kDemoLibrary.fileName)));

    scene.desktop.answers = {MsgAnswer::Yes};
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    const std::wstring copy = scene.system.Text() + L"\\" + kDemoLibrary.fileName;
    EXPECT_EQ(path, copy);
    EXPECT_EQ(RegisteredServer(Gauge()), copy);
    EXPECT_NE(scene.display.shown.back().message.find(L"\"" + scene.system.Text() + L"\\\""), std::wstring::npos);
}

TEST_F(FlowTest, SettingsOneAndTwoDecideWithoutAskingAndACopyReplacesAFileOfTheSameName) {
    const std::wstring original = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1");
    std::wstring path = original;
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(path, original);

    const std::wstring stale = scene.system.WriteFile(kDemoLibrary.fileName, "an older file of that name");
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"2");
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(path, stale);
    EXPECT_EQ(testing::ReadFileBytes(stale), testing::ReadFileBytes(original));
    EXPECT_EQ(RegisteredServer(Gauge()), stale);

    // Any other value registers in place, without asking.
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"7");
    path = original;
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(path, original);
    EXPECT_TRUE(scene.desktop.messages.empty());
}

TEST_F(FlowTest, AFailedCopyAsksWhetherToRegisterWhereTheFileIs) {
    const std::wstring original = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    // A folder of the file's name in the System folder: the copy cannot be made.
    std::filesystem::create_directory(scene.system.Path() / kDemoLibrary.fileName);
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"2");

    scene.desktop.answers = {MsgAnswer::No};
    std::wstring path = original;
    EXPECT_EQ(RegisterControl(path), RegOutcome::Cancelled);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"File Copy Error");
    EXPECT_EQ(scene.desktop.messages[0].text,
              L"Error copying file. Do you want to continue registering the control where it is?");
    EXPECT_EQ(scene.desktop.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(scene.desktop.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(RegisteredServer(Gauge()), L"");
    EXPECT_TRUE(scene.display.shown.empty());

    scene.desktop.answers = {MsgAnswer::Yes};
    EXPECT_EQ(RegisterControl(path), RegOutcome::Completed);
    EXPECT_EQ(path, original);
    EXPECT_EQ(RegisteredServer(Gauge()), original);
}

TEST_F(FlowTest, UnregisterAsksWhetherToKeepTheFile) {
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    std::wstring path = file;
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1");
    ASSERT_EQ(RegisterControl(path), RegOutcome::Completed);

    scene.desktop.answers = {MsgAnswer::Cancel};
    EXPECT_EQ(UnregisterControl(file), RegOutcome::Cancelled);
    EXPECT_EQ(scene.desktop.messages.back().title, L"Keep File?");
    EXPECT_NE(scene.desktop.messages.back().text.find(L"Do you want to keep the file?"), std::wstring::npos);
    EXPECT_EQ(RegisteredServer(Gauge()), file) << "cancel unregisters nothing";

    scene.desktop.answers = {MsgAnswer::Yes};
    EXPECT_EQ(UnregisterControl(file), RegOutcome::Completed);
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(RegisteredServer(Gauge()), L"");
    EXPECT_EQ(scene.display.shown.back().title, L"Unregistration Successful!");
    EXPECT_EQ(scene.desktop.sounds.back(), Sound(L"nivex_unregS.wav"));

    ASSERT_EQ(RegisterControl(path), RegOutcome::Completed);
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(UnregisterControl(file), RegOutcome::Completed);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(RegisteredServer(Gauge()), L"");
}

TEST_F(FlowTest, DeleteSettingTwoDeletesOnlyAfterACompletedUnregistration) {
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    const std::wstring failing = RegistrationScene::CopyFixture(scene.work, fixtures::kFailFile);
    EXPECT_EQ(UnregisterControl(failing), RegOutcome::EntryPointFailed);
    EXPECT_TRUE(Exists(failing));
    EXPECT_EQ(scene.display.shown.back().title, L"Unregistration Failed!");
    EXPECT_EQ(scene.desktop.sounds.back(), Sound(L"nivex_fail.wav"));

    const std::wstring regOnly = RegistrationScene::CopyFixture(scene.work, fixtures::kRegOnlyFile);
    EXPECT_EQ(UnregisterControl(regOnly), RegOutcome::EntryPointMissing);
    EXPECT_TRUE(Exists(regOnly));

    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    EXPECT_EQ(UnregisterControl(file), RegOutcome::Completed);
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(scene.desktop.messages.empty());

    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    const std::wstring kept = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    EXPECT_EQ(UnregisterControl(kept), RegOutcome::Completed);
    EXPECT_TRUE(Exists(kept));
}

TEST_F(FlowTest, AFileThatCannotBeDeletedIsReportedAndTheUnregistrationStillSucceeds) {
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    // Held open without delete sharing by someone else.
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UnregisterControl(file), RegOutcome::Completed);
    CloseHandle(held);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"File Delete Error");
    EXPECT_EQ(scene.desktop.messages[0].text, L"Unable to delete fixture_control.ocx");
    EXPECT_EQ(scene.desktop.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(scene.display.shown.back().caption, L"Nivex - Success");
    EXPECT_TRUE(Exists(file));
}

TEST_F(FlowTest, FailuresShowTheFileNameAndTheReasonAndSoundsFollowTheSetting) {
    std::wstring path = RegistrationScene::CopyFixture(scene.system, fixtures::kNoEntryFile);
    EXPECT_EQ(RegisterControl(path), RegOutcome::EntryPointMissing);
    ASSERT_EQ(scene.display.shown.size(), 1u);
    EXPECT_EQ(scene.display.shown[0].caption, L"Nivex - Failed");
    EXPECT_EQ(scene.display.shown[0].title, L"Registration Failed!");
    EXPECT_EQ(scene.display.shown[0].message, L"Registration of fixture_noentry.dll failed.\nInvalid ActiveX Control");

    std::wstring failing = RegistrationScene::CopyFixture(scene.system, fixtures::kFailFile);
    EXPECT_EQ(RegisterControl(failing), RegOutcome::EntryPointFailed);
    EXPECT_NE(scene.display.shown.back().message.find(L"Registration of fixture_fail.dll failed.\nDllRegisterServer "
                                                      L"returned error 0x80070005"),
              std::wstring::npos);
    EXPECT_EQ(scene.desktop.sounds.size(), 2u);

    SaveSetting(kSectionOptions, kKeyPlaySounds, L"0");
    EXPECT_EQ(RegisterControl(path), RegOutcome::EntryPointMissing);
    EXPECT_EQ(scene.desktop.sounds.size(), 2u) << "sounds off";
    SaveSetting(kSectionOptions, kKeyPlaySounds, L"2");
    EXPECT_EQ(RegisterControl(path), RegOutcome::EntryPointMissing);
    EXPECT_EQ(scene.desktop.sounds.size(), 2u) << "only 1 means on";
}

TEST_F(FlowTest, TheNeverAskChoicesOfTheConsoleTakeTheSafeSideWhereTheSettingWouldAsk) {
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    FlowOptions quiet;
    quiet.copy = CopyChoice::SettingNoAsk;
    quiet.remove = DeleteChoice::SettingNoAsk;
    std::wstring path = file;
    EXPECT_EQ(RegisterControl(path, quiet), RegOutcome::Completed);
    EXPECT_EQ(path, file);
    EXPECT_EQ(UnregisterControl(file, quiet), RegOutcome::Completed);
    EXPECT_TRUE(Exists(file));
    EXPECT_TRUE(scene.desktop.messages.empty());

    // Where the setting has an answer, it is followed.
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"2");
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    EXPECT_EQ(RegisterControl(path, quiet), RegOutcome::Completed);
    EXPECT_EQ(path, scene.system.File(kDemoLibrary.fileName));
    EXPECT_EQ(UnregisterControl(path, quiet), RegOutcome::Completed);
    EXPECT_FALSE(Exists(path));
}

} // namespace
} // namespace nivex
