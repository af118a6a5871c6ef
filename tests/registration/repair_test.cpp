// Removing keys with a backup and restoring them, relinking with rollback, editing values, the registry
// editor's import of a backup; and one value read alike by every reader.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <filesystem>

#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "common/text.h"
#include "registration/reg_backup.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_commands.h"
#include "registration/repair_operations.h"
#include "registry/reg_value.h"
#include "registry/registry.h"
#include "registry/settings.h"
#include "registration_test_support.h"
#include "support/reg_value_cases.h"
#include "support/run_program.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::RegKeyPresent;
using testing::SetRegString;

const std::wstring kLib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A001}", kClassA = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A002}",
                   kClassB = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A003}";

// Everything below the keys as a backup holds it: equal texts mean equal keys, values, types and bytes.
std::wstring Snapshot(const std::vector<std::wstring>& paths) {
    std::vector<RegFileKey> keys;
    for (const auto& path : paths) ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, path, keys);
    return FormatRegFile(keys);
}

// Gives a key the descriptor sddl (with its owner when it names one); full access for everyone afterwards.
class LockedKey {
public:
    LockedKey(const std::wstring& path, const wchar_t* sddl) : path_(path) { Apply(sddl); }
    ~LockedKey() { Apply(L"D:(A;;KA;;;WD)"); }

private:
    void Apply(const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        const bool owner = std::wstring(sddl).starts_with(L"O:");
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, WRITE_DAC | (owner ? WRITE_OWNER : 0), &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | (owner ? OWNER_SECURITY_INFORMATION : 0), sd),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        LocalFree(sd);
    }
    std::wstring path_;
};

class Repair : public ::testing::Test {
protected:
    testing::RegistrationScene scene;
    testing::TempFolder backups;

    void SetUp() override {
        SetBackupFolder(backups.Text());
        // A library with nested keys and values of every kind, and two controls.
        const std::wstring version = L"TypeLib\\" + kLib + L"\\1.0";
        SetRegString(HKEY_CLASSES_ROOT, version, L"", L"Repair \"Test\" Library C:\\x");
        SetRegString(HKEY_CLASSES_ROOT, version + L"\\0\\win32", L"", L"C:\\gone\\repair.ocx");
        SetRegString(HKEY_CLASSES_ROOT, version + L"\\HELPDIR", L"", L"%SystemRoot%\\help", REG_EXPAND_SZ);
        testing::SetRegDword(HKEY_CLASSES_ROOT, version + L"\\FLAGS", L"", 2);
        const std::vector<unsigned char> blob(70, 0xFE); // over several lines of a backup
        testing::SetRegBytes(HKEY_CLASSES_ROOT, version + L"\\FLAGS", L"bytes", REG_BINARY, blob.data(), 70);
        const wchar_t multi[] = L"one\0two\0";
        testing::SetRegBytes(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib, L"multi", REG_MULTI_SZ, multi, sizeof(multi));
        for (const auto& id : {kClassA, kClassB}) {
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id, L"", L"Repair Control " + id.substr(34, 3));
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\Control", L"", L"");
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\TypeLib", L"", kLib);
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\InprocServer32", L"", L"C:\\gone\\repair.ocx");
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        }
    }
    void TearDown() override { SetBackupFolder(L""); }
    static std::vector<std::wstring> Paths() { return {L"TypeLib\\" + kLib, L"CLSID\\" + kClassA, L"CLSID\\" + kClassB}; }
    static RemovalRequest Request() { return {kLib, {kClassA, kClassB}}; }
};

TEST_F(Repair, RemovedKeysComeBackExactlyFromTheBackupThatRestoreFindsInItsFolder) {
    const std::wstring before = Snapshot(Paths());
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    const RemovalResult result = RemoveRegistryKeys(Request(), scene.desktop);
    ASSERT_EQ(result.state, RemovalState::Removed);
    ASSERT_EQ(scene.desktop.messages.size(), 2u);
    EXPECT_EQ(scene.desktop.messages[0].title + L"|" + scene.desktop.messages[0].text,
              std::wstring(L"Delete Registry Keys?|") + DeleteKeysQuestion(KeysToRemove(kLib, {kClassA, kClassB})));
    EXPECT_NE(scene.desktop.messages[1].text.find(result.backupPath), std::wstring::npos) << "names the backup";
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>{L"C:\\Nivex Test\\Media\\nivex_delkeys.wav"});
    for (const auto& path : Paths()) EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, path)) << path;
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib")) << "only the library's own key goes";
    EXPECT_EQ(testing::ReadFileBytes(result.backupPath).substr(0, 2), "\xFF\xFE");
    EXPECT_NE(result.backupPath.find(kLib), std::wstring::npos);

    scene.desktop.fileAnswers = {result.backupPath};
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok}; // Restore asks first
    EXPECT_TRUE(RestoreRegistryKeysCommand(nullptr, scene.desktop));
    EXPECT_EQ(scene.desktop.fileDialogs.at(0).initialFolder, backups.Text() + L"\\");
    EXPECT_EQ(Snapshot(Paths()), before);
}

// The system's registry editor runs as a process of its own: it writes the prefix's real classes
// (HKEY_LOCAL_MACHINE\Software\Classes), where the probe key is removed again.
TEST_F(Repair, TheSystemsRegistryEditorImportsABackup) {
    const std::wstring probe = L"NivexRegeditProbe" + kLib, inRoot = L"HKEY_CLASSES_ROOT\\" + probe + L"\\";
    const std::wstring text = ReplaceAll(Snapshot(Paths()), L"HKEY_CLASSES_ROOT\\", inRoot);
    const auto bytes = EncodeUtf16Le(text);
    const std::wstring file = backups.WriteFile(L"probe.reg", std::string(bytes.begin(), bytes.end()));
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    testing::RunProgram(std::wstring(windows) + L"\\regedit.exe", L"/S \"" + file + L"\"");
    std::vector<RegFileKey> imported;
    for (const auto& path : Paths())
        ReadKeyTree(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software\\Classes\\" + probe + L"\\" + path, imported);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + probe).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + probe).c_str());
    EXPECT_EQ(ReplaceAll(FormatRegFile(imported), L"HKEY_LOCAL_MACHINE\\Software\\Classes\\", L"HKEY_CLASSES_ROOT\\"), text);
}

TEST_F(Repair, DecliningRefusedIdentifiersAndAFailedBackupChangeNothing) {
    const std::wstring before = Snapshot(Paths());
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::Declined);
    // An edited or empty identifier would name another key, or every library.
    for (const RemovalRequest& bad : {RemovalRequest{L"", {kClassA}}, RemovalRequest{L"..\\CLSID", {}},
                                      RemovalRequest{kLib + L"\\1.0", {}}, RemovalRequest{kLib, {kClassA, L""}}}) {
        scene.desktop.answers = {MsgAnswer::Ok};
        EXPECT_EQ(RemoveRegistryKeys(bad, scene.desktop).state, RemovalState::Refused) << bad.libraryId;
    }
    // The backup folder cannot be made (a file is in its way): nothing is deleted.
    SetBackupFolder(backups.WriteFile(L"blocker", "x") + L"\\Backups");
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1"); // no question
    scene.desktop.answers = {MsgAnswer::Ok};
    scene.desktop.messages.clear();
    EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::BackupFailed);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"could not back them up"), std::wstring::npos);
    EXPECT_EQ(Snapshot(Paths()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backups.Path()), {}), 1) << "only the blocker";
}

TEST_F(Repair, TheCommandLeavesAPartialRemovalToARescanAndTakesAFullOneOutOfTheCatalogue) {
    Catalogue catalogue;
    PopulateList(catalogue);
    ASSERT_EQ(LibraryControls(catalogue, kLib), (std::vector<std::wstring>{kClassA, kClassB}));
    EXPECT_EQ(LibraryOfNode(catalogue, kClassB), kLib);
    const auto libraries = catalogue.libraries, controls = catalogue.controls, missing = catalogue.missing;
    ASSERT_EQ(missing, 1);
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassB + L"\\Deep\\Deeper\\Deepest", L"", L"x");
    {
        // The first class key may not be deleted: reported in one message, and the keys after it still go.
        LockedKey locked(L"CLSID\\" + kClassA, L"O:SYD:(A;;KRWD;;;WD)");
        scene.desktop.answers = {MsgAnswer::Ok};
        EXPECT_EQ(RemoveKeysCommand(catalogue, kLib, nullptr, scene.desktop), CatalogueChange::NeedsRescan);
    }
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Error in DeleteAllKeys()");
    EXPECT_NE(scene.desktop.messages[0].text.find(L"HKEY_CLASSES_ROOT\\CLSID\\" + kClassA + L": "), std::wstring::npos);
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>{L"C:\\Nivex Test\\Media\\nivex_fail.wav"});
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassB)) << "nested keys go innermost first";
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA));
    EXPECT_NE(catalogue.FindNodeByKey(kLib), 0) << "left for the rescan to settle";

    SetUp(); // the keys again
    scene.desktop.answers = {MsgAnswer::Ok};
    EXPECT_EQ(RemoveKeysCommand(catalogue, kLib, nullptr, scene.desktop), CatalogueChange::Updated);
    EXPECT_EQ(catalogue.libraries, libraries - 1);
    EXPECT_EQ(catalogue.controls, controls - 2);
    EXPECT_EQ(catalogue.missing, missing - 1);
    EXPECT_EQ(catalogue.FindNodeByKey(kLib), 0);
    EXPECT_EQ(catalogue.Tree(Catalogue::kMissing).FindByKey(kLib), 0);
}

TEST_F(Repair, AnImportThatNamesAKeyOutsideTheClassesRootOrCannotBeReadWritesNothing) {
    const auto bytes = EncodeUtf16Le(std::wstring(kRegFileHeader) +
                                     L"\r\n\r\n[HKEY_CLASSES_ROOT\\NivexImportProbe]\r\n@=\"x\"\r\n\r\n"
                                     L"[HKEY_CURRENT_USER\\Software\\NivexImportProbe]\r\n@=\"y\"\r\n");
    const ImportResult mixed = ImportBackup(backups.WriteFile(L"mixed.reg", std::string(bytes.begin(), bytes.end())));
    EXPECT_FALSE(mixed.ok);
    EXPECT_NE(mixed.message.find(L"HKEY_CURRENT_USER\\Software\\NivexImportProbe"), std::wstring::npos);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"NivexImportProbe"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, L"Software\\NivexImportProbe"));

    const ImportResult garbage = ImportBackup(backups.WriteFile(
        L"garbage.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\A]\r\n\"v\"=bogus\r\n"));
    EXPECT_FALSE(garbage.ok);
    EXPECT_NE(garbage.message.find(L"Line 4"), std::wstring::npos) << garbage.message;
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"A"));
}

TEST_F(Repair, AFailingNewFilePutsTheOldRegistrationBackAndAFoundOneReplacesIt) {
    const auto& demo = fixtures::kDemoLibrary;
    const std::wstring gauge = std::wstring(L"CLSID\\") + demo.classes[0].clsidText;
    const std::vector<std::wstring> paths{std::wstring(L"TypeLib\\") + demo.libIdText, gauge};
    // The demo library registered at a path that no longer exists.
    SetRegString(HKEY_CLASSES_ROOT, paths[0] + L"\\1.0", L"", demo.name);
    SetRegString(HKEY_CLASSES_ROOT, gauge + L"\\InprocServer32", L"", L"C:\\gone\\fixture_control.ocx");
    SetRegString(HKEY_CLASSES_ROOT, gauge + L"\\Stale", L"", L"old");
    const RemovalRequest request{demo.libIdText, {demo.classes[0].clsidText, demo.classes[1].clsidText}};
    FlowOptions flow = scene.Flow();
    flow.copy = CopyChoice::InPlace;
    const std::wstring before = Snapshot(paths);

    std::wstring file = scene.CopyFixture(scene.work, fixtures::kFailFile);
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    RelinkResult result = ChangeFileReference(file, request, flow);
    EXPECT_EQ(result.outcome, RegOutcome::EntryPointFailed);
    EXPECT_TRUE(result.restored) << result.restoreProblem;
    EXPECT_EQ(Snapshot(paths), before);
    ASSERT_EQ(scene.desktop.messages.size(), 2u);
    EXPECT_NE(scene.desktop.messages[1].text.find(L"put the old registration back"), std::wstring::npos);
    EXPECT_FALSE(scene.display.shown.back().success);

    // Declined: the keys stay and the found file is registered over them; confirmed: the old keys go first.
    file = scene.CopyFixture(scene.work, demo.fileName);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        scene.desktop.answers = {answer};
        scene.desktop.messages.clear();
        result = ChangeFileReference(file, request, flow);
        EXPECT_EQ(result.outcome, RegOutcome::Completed);
        EXPECT_EQ(result.removal.state, answer == MsgAnswer::Yes ? RemovalState::Removed : RemovalState::Declined);
        EXPECT_EQ(RegKeyPresent(HKEY_CLASSES_ROOT, gauge + L"\\Stale"), answer == MsgAnswer::No);
        EXPECT_EQ(testing::RegisteredServer(demo.classes[0]), file);
        EXPECT_EQ(scene.desktop.messages.size(), 1u) << "only the question; the status window closes the operation";
    }
}

TEST_F(Repair, EditingBacksUpKeepsAnExpandableValueRawAndAFailedWriteChangesNothing) {
    const std::wstring bitmap = L"CLSID\\" + kClassA + L"\\ToolboxBitmap32";
    SetRegString(HKEY_CLASSES_ROOT, bitmap, L"", L"%SystemRoot%\\a.ocx, 1", REG_EXPAND_SZ);
    const std::wstring before = Snapshot({bitmap});
    EditResult result = WriteElementValue(kClassA, L"Toolbox Bitmap", L"%SystemRoot%\\b.ocx, 2");
    ASSERT_TRUE(result.ok) << result.error;
    DWORD type = 0;
    EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, bitmap, L"", nullptr, &type), L"%SystemRoot%\\b.ocx, 2");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    const std::string saved = testing::ReadFileBytes(result.backupPath);
    const RegFileParse backup = ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()));
    EXPECT_EQ(FormatRegFile(backup.keys), before) << "the backup holds the value as it was";

    // A new value is plain text; the Version subkey is created.
    ASSERT_TRUE(WriteElementValue(kClassA, L"Version", L"2.5").ok);
    EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA + L"\\Version", L"", nullptr, &type), L"2.5");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    {
        LockedKey locked(L"CLSID\\" + kClassA + L"\\TypeLib", L"D:(A;;KR;;;WD)");
        result = WriteElementValue(kClassA, L"TypeLib", L"{00000000-0000-0000-0000-000000000000}");
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(L"TypeLib"), std::wstring::npos);
    EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA + L"\\TypeLib", L""), kLib);
    EXPECT_FALSE(WriteElementValue(L"..\\x", L"Version", L"1").ok);
    EXPECT_FALSE(WriteElementValue(kClassA, L"Status", L"1").ok);
}

TEST(ValueReaders, EveryTypeReadsAsOneTextThroughEveryReader) {
    testing::RegistrySandbox sandbox;
    ASSERT_TRUE(SetEnvironmentVariableW(testing::kCaseVariable, testing::kCaseVariableValue));
    const std::vector<testing::RegValueCase> cases = testing::RegValueCases();
    const auto classId = [](size_t n) {
        wchar_t id[48];
        std::swprintf(id, 48, L"{7A1E0000-0000-4000-8000-%012zu}", n);
        return std::wstring(id);
    };
    // Each case is the name of a control (the default value of its class key) and a setting.
    for (size_t n = 0; n < cases.size(); ++n) {
        const testing::RegValueCase& c = cases[n];
        const std::wstring cls = L"CLSID\\" + classId(n);
        testing::SetRegBytes(HKEY_CLASSES_ROOT, cls, L"", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        for (const wchar_t* sub : {L"\\Control", L"\\InprocServer32"}) SetRegString(HKEY_CLASSES_ROOT, cls + sub, L"", L"C:\\gone\\x.ocx");
        SetRegString(HKEY_CLASSES_ROOT, cls + L"\\TypeLib", L"", L"{LIB-" + std::to_wstring(n) + L"}");
        testing::SetRegBytes(HKEY_CURRENT_USER, L"Software\\" + std::wstring(kAppTitle) + L"\\Cases", std::to_wstring(n),
                             c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    }
    Catalogue catalogue;
    PopulateList(catalogue);
    for (size_t n = 0; n < cases.size(); ++n) {
        const testing::RegValueCase& c = cases[n];
        const std::wstring id = classId(n);
        SCOPED_TRACE(::testing::Message() << "case " << n << ", type " << c.type);
        const int node = catalogue.FindNodeByKey(id);
        ASSERT_NE(node, 0);
        EXPECT_EQ(catalogue.Tree(Catalogue::kAll).Node(node).text, c.text) << "scan";
        EXPECT_EQ(ReadControlRegistration(id, OwnView()).name, c.text) << "details";
        bool found = false;
        EXPECT_EQ(ReadElementValue(id, L"Control Name", &found), c.asStored) << "edit";
        EXPECT_TRUE(found);
        EXPECT_EQ(GetSetting(L"Cases", std::to_wstring(n), L"(default)"), c.textless ? L"(default)" : c.text) << "settings";
        cRegistry registry;
        registry.SetClassKey(HKEY_CLASSES_ROOT);
        registry.SetSectionKey(L"CLSID\\" + id);
        EXPECT_EQ(VariantText(registry.Value()), c.text) << "cRegistry";
        EXPECT_EQ(registry.ValueType(), static_cast<std::int32_t>(c.type));
    }
}

} // namespace
} // namespace nivex
