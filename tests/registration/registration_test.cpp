// The register and unregister flows around the engine, and the commands, Explorer verbs and one-shot runs
// that use the flows.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/catalogue_scan.h"
#include "common/text.h"
#include "common/winutil.h"
#include "registration/reg_engine.h"
#include "registration/reg_flows.h"
#include "registration/registration_commands.h"
#include "registry/settings.h"
#include "registry/shell_integration.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using fixtures::kSpareLibrary;
using testing::RegisteredServer;
using testing::RegistrationScene;

const fixtures::FixtureClass& Gauge() { return kDemoLibrary.classes[0]; }
bool Exists(const std::wstring& path) { return std::filesystem::exists(std::filesystem::path(path)); }
std::wstring Sound(const wchar_t* name) { return std::wstring(L"C:\\Nivex Test\\Media\\") + name; }

struct Case {
    const wchar_t* setting;
    bool moved; // copied into the System folder, or deleted
    MsgAnswer answer = MsgAnswer::Ok; // when the setting asks
    RegOutcome outcome = RegOutcome::Completed;
};

class RegistrationTest : public ::testing::Test {
protected:
    RegistrationScene scene;
    Catalogue catalogue;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)); // only passed on, never used

    // Only setting 0 asks: its answer is scripted; the desktop fails the test on any other question.
    void Prepare(const Case& c, const wchar_t* key) {
        SaveSetting(kSectionDialogs, key, c.setting);
        scene.desktop.messages.clear();
        if (c.setting == std::wstring(L"0")) scene.desktop.answers = {c.answer};
    }
    void RegisterFromSystemFolder(const fixtures::FixtureLibrary& library, bool catalogued = true) {
        std::wstring path = RegistrationScene::CopyFixture(scene.system, library.fileName);
        ASSERT_EQ(RegisterControl(path, scene.Flow()), RegOutcome::Completed);
        if (catalogued) AddControlsForFile(catalogue, path);
    }
    int Node(const wchar_t* key) const { return catalogue.Tree(Catalogue::kAll).FindByKey(key); }
};

TEST_F(RegistrationTest, RegisterNonSysPathAsksOrDecidesAndACopyReplacesAFileOfTheSameName) {
    const std::wstring original = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    const std::wstring copy = scene.system.File(kDemoLibrary.fileName);
    // 0 asks, 1 in place, 2 copies, anything else in place; each case registers elsewhere than the one before.
    for (const Case& c : {Case{L"0", false, MsgAnswer::Cancel, RegOutcome::Cancelled}, {L"1", false}, {L"2", true},
                          {L"7", false}, {L"0", true, MsgAnswer::Yes}, {L"0", false, MsgAnswer::No}}) {
        SCOPED_TRACE(::testing::Message() << WideToUtf8(c.setting) << " answered " << static_cast<int>(c.answer));
        scene.system.WriteFile(kDemoLibrary.fileName, "an older file of that name");
        Prepare(c, kKeyRegisterNonSysPath);
        std::wstring path = original;
        EXPECT_EQ(RegisterControl(path, scene.Flow()), c.outcome);
        EXPECT_EQ(path, c.moved ? copy : original);
        EXPECT_EQ(testing::ReadFileBytes(copy) == testing::ReadFileBytes(original), c.moved);
        EXPECT_EQ(RegisteredServer(Gauge()), c.outcome == RegOutcome::Cancelled ? L"" : path);
        if (c.outcome == RegOutcome::Completed) { // the message names the folder registered in
            const std::wstring folder = L"\"" + (c.moved ? scene.system : scene.work).Text() + L"\\\"";
            EXPECT_NE(scene.display.shown.back().message.find(folder), std::wstring::npos);
        }
    }
    EXPECT_EQ(scene.display.shown.size(), 5u) << "a cancelled flow shows nothing";
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>(5, Sound(L"nivex_regS.wav")));
    EXPECT_EQ(scene.desktop.messages.at(0).title, L"File not in " + scene.system.Text() + L"\\");
    EXPECT_EQ(scene.desktop.messages[0].buttons, MsgButtons::YesNoCancel);

    // A file in the System folder, named in any letter case, is registered where it is without a question.
    SetSystemFolder(ToUpperText(scene.system.Text()));
    std::wstring path = RegistrationScene::CopyFixture(scene.system, kDemoLibrary.fileName);
    EXPECT_EQ(RegisterControl(path, scene.Flow()), RegOutcome::Completed);
    EXPECT_EQ(RegisteredServer(Gauge()), copy);

    // A copy that cannot be made (a folder of the file's name is in the way) asks whether to register in place.
    std::filesystem::remove(copy);
    std::filesystem::create_directory(copy);
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"2");
    scene.desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    path = original;
    EXPECT_EQ(RegisterControl(path, scene.Flow()), RegOutcome::Cancelled);
    EXPECT_EQ(RegisterControl(path, scene.Flow()), RegOutcome::Completed);
    EXPECT_EQ(RegisteredServer(Gauge()), original);
    EXPECT_EQ(scene.desktop.messages.at(1).title, L"File Copy Error");
    EXPECT_EQ(scene.desktop.messages.at(1).buttons, MsgButtons::YesNo);
}

TEST_F(RegistrationTest, UnregisterDeleteAsksOrDecidesAndOnlyACompletedUnregistrationDeletes) {
    // 0 asks (Yes keeps, No deletes), 1 keeps, 2 deletes, anything else keeps; a failure keeps the file.
    for (const Case& c : {Case{L"1", false}, {L"2", true}, {L"7", false}, {L"0", false, MsgAnswer::Yes},
                          {L"0", true, MsgAnswer::No}, {L"2", false, MsgAnswer::Ok, RegOutcome::EntryPointFailed},
                          {L"0", false, MsgAnswer::Cancel, RegOutcome::Cancelled}}) {
        SCOPED_TRACE(::testing::Message() << WideToUtf8(c.setting) << " answered " << static_cast<int>(c.answer));
        const bool fails = c.outcome == RegOutcome::EntryPointFailed;
        const std::wstring file = RegistrationScene::CopyFixture(scene.work, fails ? fixtures::kFailFile : kDemoLibrary.fileName);
        ASSERT_EQ(RegisterServer(file, kModeRegister), fails ? RegOutcome::EntryPointFailed : RegOutcome::Completed);
        Prepare(c, kKeyUnregisterDelete);
        EXPECT_EQ(UnregisterControl(file, scene.Flow()), c.outcome);
        EXPECT_EQ(Exists(file), !c.moved);
        EXPECT_EQ(RegisteredServer(Gauge()), c.outcome == RegOutcome::Cancelled ? file : L"");
    }
    EXPECT_EQ(scene.desktop.messages.at(0).title, L"Keep File?");
    EXPECT_EQ(scene.desktop.messages[0].buttons, MsgButtons::YesNoCancel);
    std::vector<std::wstring> sounds(5, Sound(L"nivex_unregS.wav"));
    sounds.push_back(Sound(L"nivex_fail.wav"));
    EXPECT_EQ(scene.desktop.sounds, sounds);
    EXPECT_NE(scene.display.shown.back().message.find(L"failed.\nDllUnregisterServer returned error 0x80070005"),
              std::wstring::npos);

    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"2");
    SaveSetting(kSectionOptions, kKeyPlaySounds, L"2"); // only 1 means on
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName);
    // Held open without delete sharing by someone else: reported, and the unregistration still succeeded.
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UnregisterControl(file, scene.Flow()), RegOutcome::Completed);
    CloseHandle(held);
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(scene.desktop.messages.back().title + L": " + scene.desktop.messages.back().text,
              L"File Delete Error: Unable to delete fixture_control.ocx");
    EXPECT_EQ(scene.display.shown.back().caption, L"Nivex - Success");
    EXPECT_EQ(scene.desktop.sounds.size(), sounds.size());
}

TEST_F(RegistrationTest, TheCommandsCatalogueARegisteredFileAndRemoveTheRightLibrariesOnlyOnSuccess) {
    EXPECT_EQ(RegisterCommand(catalogue, owner, scene.desktop, scene.display), RegOutcome::Cancelled); // no file chosen
    EXPECT_EQ(scene.desktop.fileDialogs.at(0).initialFolder, scene.system.Text() + L"\\");
    scene.desktop.fileAnswers = {RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName)};
    scene.desktop.answers = {MsgAnswer::Yes}; // copy into the System folder
    EXPECT_EQ(RegisterCommand(catalogue, owner, scene.desktop, scene.display), RegOutcome::Completed);
    // The copy is what was registered and catalogued: two controls (the plain class is no control).
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
    EXPECT_EQ(RegisteredServer(Gauge()), scene.system.File(kDemoLibrary.fileName));
    scene.desktop.fileAnswers = {RegistrationScene::CopyFixture(scene.system, fixtures::kNoEntryFile)};
    EXPECT_EQ(RegisterCommand(catalogue, owner, scene.desktop, scene.display), RegOutcome::EntryPointMissing);
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries") << "a failed registration catalogues nothing";

    RegisterFromSystemFolder(kSpareLibrary);
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const std::wstring demo = scene.system.File(kDemoLibrary.fileName);
    const auto unregisterSelected = [&] {
        return UnregisterSelectedCommand(catalogue, demo, owner, scene.desktop, scene.display);
    };
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    all.Select(Node(kDemoLibrary.classes[1].clsidText)); // the meter, second control of the demo library
    scene.desktop.fileAnswers = {scene.work.File(L"absent.ocx")};
    EXPECT_EQ(TrayUnregisterCommand(catalogue, owner, scene.desktop, scene.display), RegOutcome::LoadFailed);
    EXPECT_EQ(UnregisterSelectedCommand(catalogue, scene.work.File(L"absent.ocx"), owner, scene.desktop, scene.display),
              RegOutcome::LoadFailed);
    EXPECT_EQ(catalogue.CountsText(), L"3 Controls in 2 Libraries") << "a failure changes nothing";

    EXPECT_EQ(unregisterSelected(), RegOutcome::Completed);
    EXPECT_EQ(catalogue.CountsText(), L"1 Controls in 1 Libraries");
    EXPECT_EQ(Node(kDemoLibrary.libIdText), 0);
    // The library node selected: its children are counted. Then nothing is selected: nothing is lowered.
    RegisterFromSystemFolder(kDemoLibrary);
    all.Select(Node(kDemoLibrary.libIdText));
    EXPECT_EQ(unregisterSelected(), RegOutcome::Completed);
    EXPECT_EQ(catalogue.CountsText(), L"1 Controls in 1 Libraries");
    RegisterFromSystemFolder(kDemoLibrary, false);
    EXPECT_EQ(unregisterSelected(), RegOutcome::Completed);
    EXPECT_EQ(catalogue.CountsText(), L"1 Controls in 1 Libraries");

    // The tray's command removes the chosen file's controls, named in another letter case, not the selected ones.
    RegisterFromSystemFolder(kDemoLibrary);
    const int gauge = Node(Gauge().clsidText);
    all.Select(gauge);
    scene.desktop.fileAnswers = {ToUpperText(scene.system.File(kSpareLibrary.fileName))};
    EXPECT_EQ(TrayUnregisterCommand(catalogue, owner, scene.desktop, scene.display), RegOutcome::Completed);
    EXPECT_EQ(Node(kSpareLibrary.libIdText), 0);
    EXPECT_EQ(all.Selected(), gauge);
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
}

// A key's default value, or its type when it is no string.
std::wstring Default(const std::wstring& path) {
    DWORD type = REG_SZ;
    const std::wstring text = testing::GetRegString(HKEY_CLASSES_ROOT, path, L"", nullptr, &type);
    return type == REG_SZ ? text : L"<type " + std::to_wstring(type) + L">";
}

TEST_F(RegistrationTest, ShellIntegrationWritesBothTypesWithQuotedVerbsThatOneShotRunsUnquote) {
    // A program in a drive root gets no doubled backslash; writing twice does no harm.
    for (const auto& [folder, prefix] : {std::pair{L"D:\\", L"D:\\"},
                                         std::pair{L"C:\\Program Files\\Nivex", L"C:\\Program Files\\Nivex\\"}}) {
        SetProgramFolder(folder);
        ApplyShellIntegration(true);
        ApplyShellIntegration(true);
        const std::wstring exe = prefix + ExecutableBaseName() + L".exe";
        for (const auto& [extension, type, text, icon] :
             {std::tuple{L".ocx", L"Nivex.ActiveX.Control", L"Nivex ActiveX Control", L",1"},
              std::tuple{L".dll", L"Nivex.Dynamic.Link.Library", L"Nivex Dynamic Link Library", L",2"}}) {
            const std::wstring progId = type;
            EXPECT_EQ(Default(extension) + L"|" + Default(progId) + L"|" + Default(progId + L"\\defaulticon"),
                      progId + L"|" + text + L"|" + exe + icon);
            EXPECT_EQ(Default(progId + L"\\shell\\Register with Nivex\\command"), L"\"" + exe + L"\" /R \"%1\"");
            EXPECT_EQ(Default(progId + L"\\shell\\Unregister with Nivex\\command"), L"\"" + exe + L"\" /U \"%1\"");
        }
    }
    // What Explorer runs for a file in a folder with blanks registers and unregisters that file.
    const std::wstring file = RegistrationScene::CopyFixture(scene.work, kDemoLibrary.fileName, L"with blank.ocx");
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1");
    SaveSetting(kSectionDialogs, kKeyUnregisterDelete, L"1");
    for (const auto& [verb, server] : {std::pair{L"Register", file}, {L"Unregister", L""}}) {
        std::wstring command = Default(std::wstring(L"Nivex.ActiveX.Control\\shell\\") + verb + L" with Nivex\\command");
        command.replace(command.find(L"%1"), 2, file);
        // What follows the switch and its blank, as the program's command line hands it on.
        const size_t at = command.find(L" /");
        ASSERT_NE(at, std::wstring::npos);
        EXPECT_EQ(RunOneShot(command[at + 2] == L'U', command.substr(at + 4), scene.desktop, scene.display), 0)
            << WideToUtf8(command);
        EXPECT_EQ(RegisteredServer(Gauge()), server);
    }
    EXPECT_EQ(RunOneShot(false, RegistrationScene::CopyFixture(scene.work, fixtures::kNoEntryFile), scene.desktop,
                         scene.display),
              12);
}

} // namespace
} // namespace nivex
