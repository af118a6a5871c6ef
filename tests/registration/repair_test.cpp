// Removing keys with a backup and restoring them, relinking with rollback, editing values, the registry
// editor's import of a backup; and one value read alike by every reader. Nothing is lost in repair: a backup
// is proven before a deletion, a restore undoes what an operation created and asks first, a file that cannot
// register is refused before anything goes, and a removal in one registry view leaves the other view's whole.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <filesystem>
#include <tuple>

#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "common/handles.h"
#include "common/text.h"
#include "registration/reg_backup.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_commands.h"
#include "registration/repair_operations.h"
#include "registry/reg_value.h"
#include "registry/registry.h"
#include "registry/registry_views.h"
#include "registry/settings.h"
#include "registration_test_support.h"
#include "support/pe_builder.h"
#include "support/reg_value_cases.h"
#include "support/run_program.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::RegKeyPresent;
using testing::SetRegString;

const std::wstring kLib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A001}",
                   kClassA = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A002}",
                   kClassB = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A003}";

// Everything below the keys as a backup holds it: equal texts mean equal keys, values, types and bytes.
std::wstring Snapshot(const std::vector<std::wstring>& paths) {
    std::vector<RegFileKey> keys;
    for (const auto& path : paths)
        ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, path, keys);
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
    static std::vector<std::wstring> Paths() {
        return {L"TypeLib\\" + kLib, L"CLSID\\" + kClassA, L"CLSID\\" + kClassB};
    }
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
    for (const auto& path : Paths())
        EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, path)) << path;
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib")) << "only the library's own key goes";
    EXPECT_EQ(testing::ReadFileBytes(result.backupPath).substr(0, 2), "\xFF\xFE");
    EXPECT_NE(result.backupPath.find(kLib), std::wstring::npos);

    // Restore asks first, naming the operation and the keys: declined, nothing is written.
    scene.desktop.fileAnswers = {result.backupPath, result.backupPath};
    scene.desktop.answers = {MsgAnswer::No};
    scene.desktop.messages.clear();
    EXPECT_FALSE(RestoreRegistryKeysCommand(nullptr, scene.desktop));
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Restore Registry Keys");
    EXPECT_NE(scene.desktop.messages[0].text.find(L"Remove Registry Keys"), std::wstring::npos);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"HKEY_CLASSES_ROOT\\CLSID\\" + kClassA), std::wstring::npos);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA));
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
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
    EXPECT_EQ(ReplaceAll(FormatRegFile(imported), L"HKEY_LOCAL_MACHINE\\Software\\Classes\\", L"HKEY_CLASSES_ROOT\\"),
              text);
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
    // A name no backup line carries (the system's registry editor writes it across two lines, too), then a
    // backup folder that cannot be made (a file is in its way): nothing is deleted, no broken file is left.
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1"); // no question
    for (const bool oddName : {true, false}) {
        if (oddName)
            SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA, L"two\nlines", L"x");
        else
            SetBackupFolder(backups.WriteFile(L"blocker", "x") + L"\\Backups");
        const std::wstring current = Snapshot(Paths());
        scene.desktop.answers = {MsgAnswer::Ok};
        scene.desktop.messages.clear();
        EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::BackupFailed);
        ASSERT_EQ(scene.desktop.messages.size(), 1u);
        const std::wstring& text = scene.desktop.messages[0].text;
        EXPECT_NE(text.find(oddName ? L"line break" : L"could not back them up"), std::wstring::npos) << text;
        EXPECT_EQ(Snapshot(Paths()), current);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backups.Path()), {}), oddName ? 0 : 1);
        RegDeleteKeyValueW(HKEY_CLASSES_ROOT, (L"CLSID\\" + kClassA).c_str(), L"two\nlines");
    }
    EXPECT_EQ(Snapshot(Paths()), before);
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
    EXPECT_EQ(std::tuple(catalogue.libraries, catalogue.controls, catalogue.missing),
              std::tuple(libraries - 1, controls - 2, missing - 1));
    EXPECT_EQ(catalogue.FindNodeByKey(kLib), 0);
    EXPECT_EQ(catalogue.Tree(Catalogue::kMissing).FindByKey(kLib), 0);
}

TEST_F(Repair, RestoreRefusesAFileNamingKeysOutsideTheClassesRootOrDeletingOutsideOneClassKeyOrUnreadable) {
    // Each is refused without a question, but for a file of someone else's, which is asked about (declined).
    const std::pair<std::wstring, std::wstring> files[] = {
        {L"[HKEY_CLASSES_ROOT\\NivexImportProbe]\r\n@=\"x\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\NivexImportProbe]\r\n",
         L"HKEY_CURRENT_USER\\Software\\NivexImportProbe"},
        {L"[HKEY_CLASSES_ROOT\\NivexImportProbe]\r\n\"v\"=bogus\r\n", L"Line 4"},
        {L"[-HKEY_CLASSES_ROOT\\CLSID]\r\n", L"outside a single class or library key"},
        {L"[HKEY_CLASSES_ROOT\\NivexImportProbe]\r\n", L"not one of Nivex's backups"},
    };
    for (const auto& [body, problem] : files) {
        const auto bytes = EncodeUtf16Le(std::wstring(kRegFileHeader) + L"\r\n\r\n" + body);
        scene.desktop.messages.clear();
        scene.desktop.answers = {MsgAnswer::No};
        EXPECT_FALSE(RestoreBackupFile(nullptr, scene.desktop,
                                       backups.WriteFile(L"x.reg", std::string(bytes.begin(), bytes.end()))));
        ASSERT_EQ(scene.desktop.messages.size(), 1u);
        EXPECT_NE(scene.desktop.messages[0].text.find(problem), std::wstring::npos) << scene.desktop.messages[0].text;
        EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"NivexImportProbe"));
        EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, L"Software\\NivexImportProbe"));
        EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA));
    }
}

TEST_F(Repair, AFailingNewFilePutsTheOldRegistrationBackAndAFoundOneReplacesItUntilItsBackupIsRestored) {
    const auto& demo = fixtures::kDemoLibrary;
    const std::wstring gauge = std::wstring(L"CLSID\\") + demo.classes[0].clsidText;
    std::vector<std::wstring> paths{std::wstring(L"TypeLib\\") + demo.libIdText};
    for (const auto& cls : demo.classes)
        paths.push_back(std::wstring(L"CLSID\\") + cls.clsidText);
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

    // Confirmed: the old keys go first; what the registration created was absent at the backup, so restoring
    // the backup takes it away again.
    file = scene.CopyFixture(scene.work, demo.fileName);
    scene.desktop.answers = {MsgAnswer::Yes};
    scene.desktop.messages.clear();
    result = ChangeFileReference(file, request, flow);
    EXPECT_EQ(result.outcome, RegOutcome::Completed);
    EXPECT_EQ(result.removal.state, RemovalState::Removed);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, gauge + L"\\Stale"));
    EXPECT_EQ(testing::RegisteredServer(demo.classes[0]), file);
    EXPECT_EQ(scene.desktop.messages.size(), 1u) << "only the question; the status window closes the operation";
    const ImportResult back = ImportBackup(result.removal.backupPath);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_EQ(Snapshot(paths), before);

    // Declined through the command: the keys stay, the file is registered over them, and only a rescan shows it.
    Catalogue catalogue;
    PopulateList(catalogue);
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1"); // in place, without asking
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(RelinkCommand(catalogue, file, demo.libIdText, nullptr, scene.desktop, scene.display, {}),
              CatalogueChange::NeedsRescan);
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, gauge + L"\\Stale"));
    EXPECT_EQ(testing::RegisteredServer(demo.classes[0]), file);
}

TEST_F(Repair, EditingKeepsAnExpandableValueRawItsBackupUndoesItAndAFailedWriteChangesNothing) {
    const std::wstring cls = L"CLSID\\" + kClassA;
    SetRegString(HKEY_CLASSES_ROOT, cls + L"\\ToolboxBitmap32", L"", L"%SystemRoot%\\a.ocx, 1", REG_EXPAND_SZ);
    SetRegString(HKEY_CLASSES_ROOT, cls + L"\\ProgID", L"Kept", L"k");
    // The value keeps its type (a new one is plain text); restoring the edit's backup takes away what it created.
    const std::tuple<const wchar_t*, std::wstring, std::wstring, DWORD> edits[] = {
        {kElementToolboxBitmap, L"ToolboxBitmap32", L"%SystemRoot%\\b.ocx, 2", REG_EXPAND_SZ},
        {kElementVersion, L"Version", L"2.5", REG_SZ},            // no Version key before
        {kElementProgId, L"ProgID", L"Repair.Control.1", REG_SZ}, // no default value before
    };
    for (const auto& [element, key, text, type] : edits) {
        const std::wstring before = Snapshot({cls});
        const EditResult edit = WriteElementValue(kClassA, element, text);
        ASSERT_TRUE(edit.ok) << edit.error;
        DWORD stored = 0;
        EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, cls + L"\\" + key, L"", nullptr, &stored), text);
        EXPECT_EQ(stored, type) << element;
        const ImportResult back = ImportBackup(edit.backupPath);
        ASSERT_TRUE(back.ok) << back.message;
        EXPECT_EQ(Snapshot({cls}), before) << element;
    }
    EditResult result;
    {
        LockedKey locked(cls + L"\\TypeLib", L"D:(A;;KR;;;WD)");
        result = WriteElementValue(kClassA, L"TypeLib", L"{00000000-0000-0000-0000-000000000000}");
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(L"TypeLib"), std::wstring::npos);
    EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, cls + L"\\TypeLib", L""), kLib);
    EXPECT_FALSE(WriteElementValue(L"..\\x", L"Version", L"1").ok);
    EXPECT_FALSE(WriteElementValue(kClassA, L"Status", L"1").ok);
}

TEST_F(Repair, AFileThatCannotRegisterIsRefusedBeforeAnythingIsDeleted) {
    testing::PeBuilder arm;
    arm.machine = 0x01C4; // 32-bit ARM: no view of this machine loads it
    const auto armBytes = arm.Build();
    const std::pair<std::wstring, const wchar_t*> files[] = {
        {scene.work.File(L"mistyped.ocx"), L"does not exist"},
        {scene.work.WriteFile(L"text.ocx", "not a program"), L"no PE image"},
        {scene.work.WriteFile(L"arm.ocx", std::string(armBytes.begin(), armBytes.end())), L"machine type"},
        {scene.CopyFixture(scene.work, fixtures::kNoEntryFile), L"does not export DllRegisterServer"},
        {scene.CopyFixture(scene.work, fixtures::kDemoLibrary.fileName), nullptr},
    };
    for (const auto& [file, problem] : files) {
        const std::wstring found = ServerFileProblem(file);
        if (!problem)
            EXPECT_EQ(found, L"");
        else
            EXPECT_NE(found.find(problem), std::wstring::npos) << file << ": " << found;
    }
    const std::wstring before = Snapshot(Paths());
    std::wstring mistyped = files[0].first;
    scene.desktop.answers = {MsgAnswer::Ok};
    EXPECT_EQ(ChangeFileReference(mistyped, Request(), scene.Flow()).removal.state, RemovalState::FileRefused);
    EXPECT_EQ(Snapshot(Paths()), before);
    EXPECT_TRUE(std::filesystem::is_empty(backups.Path()));
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
        for (const wchar_t* sub : {L"\\Control", L"\\InprocServer32"})
            SetRegString(HKEY_CLASSES_ROOT, cls + sub, L"", L"C:\\gone\\x.ocx");
        SetRegString(HKEY_CLASSES_ROOT, cls + L"\\TypeLib", L"", L"{LIB-" + std::to_wstring(n) + L"}");
        testing::SetRegBytes(HKEY_CURRENT_USER, L"Software\\" + std::wstring(kAppTitle) + L"\\Cases",
                             std::to_wstring(n), c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
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
        EXPECT_EQ(GetSetting(L"Cases", std::to_wstring(n), L"(default)"), c.textless ? L"(default)" : c.text)
            << "settings";
        cRegistry registry;
        registry.SetClassKey(HKEY_CLASSES_ROOT);
        registry.SetSectionKey(L"CLSID\\" + id);
        EXPECT_EQ(VariantText(registry.Value()), c.text) << "cRegistry";
        EXPECT_EQ(registry.ValueType(), static_cast<std::int32_t>(c.type));
    }
}

// Both views for real (a sandbox shows only the program's own): the test prefix's registry, with keys of
// this test only, removed at the end.
TEST(RepairViews, RemovingOneViewKeepsTheOthersRegistrationAndRestoreWritesIntoTheBackupsView) {
    if (!IsWindows64()) GTEST_SKIP() << "one registry view";
    testing::TempFolder backups;
    SetBackupFolder(backups.Text());
    const std::wstring lib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B0A1}";
    const std::wstring cls = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B0A2}";
    const std::wstring version = L"TypeLib\\" + lib + L"\\1.0";
    const auto set = [](const std::wstring& path, RegistryView view) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_READ | PathAccess(path, view),
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    };
    const auto present = [](const std::wstring& path, RegistryView view) {
        RegKey key;
        return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | PathAccess(path, view), key.Put()) ==
               ERROR_SUCCESS;
    };
    constexpr RegistryView k64 = RegistryView::Bits64, k32 = RegistryView::Bits32;
    for (RegistryView view : {k64, k32}) {
        set(L"CLSID\\" + cls + L"\\InprocServer32", view);
        set(L"CLSID\\" + cls + L"\\TypeLib", view);
    }
    set(version + L"\\0\\win32", k32);
    set(version + L"\\0\\win64", k64);
    set(version + L"\\FLAGS", k64);

    RemovalRequest request;
    request.libraryId = lib;
    request.classIds = {cls};
    request.confirm = Confirm::Never;
    request.view = k64;
    testing::ScriptedDesktop desktop;
    ASSERT_EQ(RemoveRegistryKeys(request, desktop).state, RemovalState::Removed)
        << (desktop.messages.empty() ? L"" : desktop.messages.back().text);
    EXPECT_FALSE(present(L"CLSID\\" + cls, k64));
    EXPECT_FALSE(present(version + L"\\0\\win64", k64));
    EXPECT_TRUE(present(L"CLSID\\" + cls + L"\\InprocServer32", k32)) << "the 32-bit registration stays whole";
    EXPECT_TRUE(present(version + L"\\0\\win32", k32));
    EXPECT_TRUE(present(version + L"\\FLAGS", k32));

    // The last view's removal takes the library key; its backup goes back into the 32-bit view only.
    request.view = k32;
    const RemovalResult last = RemoveRegistryKeys(request, desktop);
    ASSERT_EQ(last.state, RemovalState::Removed) << (desktop.messages.empty() ? L"" : desktop.messages.back().text);
    EXPECT_FALSE(present(L"TypeLib\\" + lib, k32));
    EXPECT_FALSE(present(L"CLSID\\" + cls, k32));
    const ImportResult back = ImportBackup(last.backupPath);
    EXPECT_TRUE(back.ok) << back.message;
    EXPECT_TRUE(present(L"CLSID\\" + cls + L"\\InprocServer32", k32));
    EXPECT_FALSE(present(L"CLSID\\" + cls, k64));
    EXPECT_TRUE(present(version + L"\\0\\win32", k32));

    for (RegistryView view : {k64, k32})
        for (const std::wstring& path : {L"CLSID\\" + cls, L"TypeLib\\" + lib})
            DeleteKeyTree(HKEY_CLASSES_ROOT, path, view);
    SetBackupFolder(L"");
}

} // namespace
} // namespace nivex
