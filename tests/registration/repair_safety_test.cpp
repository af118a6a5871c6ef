// Nothing is lost in repair: a backup is proven before a deletion, a restore undoes what an operation
// created and asks first, a file that cannot register is refused before anything goes, and a removal in
// one registry view leaves the other view's registration whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "catalogue/catalogue_scan.h"
#include "registration/reg_backup.h"
#include "registration/repair_commands.h"
#include "registration/repair_operations.h"
#include "registry/registry_views.h"
#include "registry/settings.h"
#include "registration_test_support.h"
#include "support/pe_builder.h"

namespace nivex {
namespace {

using testing::RegKeyPresent;
using testing::SetRegString;

const std::wstring kLib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B001}";
const std::wstring kClass = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000B002}";
const std::wstring kClassKey = L"CLSID\\" + kClass;

std::wstring Snapshot(const std::vector<std::wstring>& paths, RegistryView view = OwnView()) {
    std::vector<RegFileKey> keys;
    for (const auto& path : paths)
        ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, path, keys, view);
    return FormatRegFile(keys);
}

class RepairSafety : public ::testing::Test {
protected:
    testing::RegistrationScene scene;
    testing::TempFolder backups;

    void SetUp() override {
        SetBackupFolder(backups.Text());
        SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0", L"", L"Safety Library");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0\\0\\win32", L"", L"C:\\gone\\safety.ocx");
        SetRegString(HKEY_CLASSES_ROOT, kClassKey, L"", L"Safety Control");
        SetRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib", L"", kLib);
        SetRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", L"", L"C:\\gone\\safety.ocx");
        SetRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\ToolboxBitmap32", L"", L"C:\\gone\\safety.ocx, 1");
    }
    void TearDown() override { SetBackupFolder(L""); }

    static std::vector<std::wstring> Paths() { return {L"TypeLib\\" + kLib, kClassKey}; }
    static RemovalRequest Request() {
        RemovalRequest request;
        request.libraryId = kLib;
        request.classIds = {kClass};
        request.confirm = Confirm::Never;
        return request;
    }
    size_t BackupCount() const {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(backups.Path()))
            n += entry.path().extension() == L".reg";
        return n;
    }
};

TEST_F(RepairSafety, ANameNoBackupLineCarriesStopsTheRemovalBeforeAnythingIsDeleted) {
    // Each odd name is what the system's registry editor writes across two lines, too.
    const std::pair<std::wstring, std::wstring> cases[] = {
        {kClassKey, L"two\nlines"},
        {kClassKey + L"\\odd\rkey", L""},
    };
    for (const auto& [key, valueName] : cases) {
        SetRegString(HKEY_CLASSES_ROOT, key, valueName, L"x");
        const std::wstring before = Snapshot(Paths());
        scene.desktop.messages.clear();
        scene.desktop.answers = {MsgAnswer::Ok};
        EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::BackupFailed) << key;
        ASSERT_EQ(scene.desktop.messages.size(), 1u);
        EXPECT_NE(scene.desktop.messages[0].text.find(L"line break"), std::wstring::npos)
            << scene.desktop.messages[0].text;
        EXPECT_EQ(Snapshot(Paths()), before);
        EXPECT_EQ(BackupCount(), 0u) << "no broken file is left";
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey.c_str());
        SetUp();
    }
}

TEST_F(RepairSafety, RestoringAnEditsBackupTakesAwayWhatTheEditCreated) {
    // ProgID exists with only a named value: the edit adds its default value.
    SetRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\ProgID", L"Kept", L"k");
    const std::pair<const wchar_t*, const wchar_t*> edits[] = {
        {kElementVersion, L"2.0"},                  // no Version key before
        {kElementProgId, L"Safety.Control.1"},      // no default value before
        {kElementToolboxBitmap, L"C:\\new.ocx, 2"}, // a value replaced
    };
    for (const auto& [element, text] : edits) {
        const std::wstring before = Snapshot({kClassKey});
        const EditResult edit = WriteElementValue(kClass, element, text);
        ASSERT_TRUE(edit.ok) << edit.error;
        ASSERT_NE(Snapshot({kClassKey}), before);
        const ImportResult back = ImportBackup(edit.backupPath);
        ASSERT_TRUE(back.ok) << back.message;
        EXPECT_GT(back.keys, 0u);
        EXPECT_EQ(Snapshot({kClassKey}), before) << element;
    }
}

TEST_F(RepairSafety, ARelinksBackupTakesBackTheNewFilesKeysAndTheCatalogueIsRescanned) {
    const auto& demo = fixtures::kDemoLibrary;
    std::vector<std::wstring> all = Paths();
    all.push_back(std::wstring(L"TypeLib\\") + demo.libIdText);
    for (const auto& cls : demo.classes)
        all.push_back(std::wstring(L"CLSID\\") + cls.clsidText);
    const std::wstring before = Snapshot(all);
    std::wstring file = scene.CopyFixture(scene.work, demo.fileName);
    FlowOptions flow = scene.Flow();
    flow.copy = CopyChoice::InPlace;
    const RelinkResult result = ChangeFileReference(file, Request(), flow);
    ASSERT_EQ(result.outcome, RegOutcome::Completed);
    ASSERT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText));
    // What the registration created was absent at the backup: the restore deletes it again.
    const ImportResult back = ImportBackup(result.removal.backupPath);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_EQ(Snapshot(all), before);

    // Declining the removal still registers: only a scan shows the library as it now is.
    Catalogue catalogue;
    PopulateList(catalogue);
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"0");
    SaveSetting(kSectionDialogs, kKeyRegisterNonSysPath, L"1"); // in place, without asking
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(RelinkCommand(catalogue, file, kLib, nullptr, scene.desktop, scene.display, {}),
              CatalogueChange::NeedsRescan);
    EXPECT_EQ(testing::RegisteredServer(demo.classes[0]), file);
}

TEST_F(RepairSafety, RestoreAsksFirstAndRefusesDeletionsOutsideOneClassOrLibraryKey) {
    const auto write = [&](const wchar_t* name, const std::wstring& body) {
        const auto bytes = EncodeUtf16Le(std::wstring(kRegFileHeader) + L"\r\n\r\n" + body);
        return backups.WriteFile(name, std::string(bytes.begin(), bytes.end()));
    };
    const std::wstring everything = write(L"all.reg", L"[-HKEY_CLASSES_ROOT\\CLSID]\r\n");
    EXPECT_FALSE(RestoreBackupFile(nullptr, scene.desktop, everything));
    ASSERT_EQ(scene.desktop.messages.size(), 1u) << "refused without a question";
    EXPECT_NE(scene.desktop.messages[0].text.find(L"outside a single class or library key"), std::wstring::npos);
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, kClassKey));

    const RemovalResult removed = RemoveRegistryKeys(Request(), scene.desktop);
    ASSERT_EQ(removed.state, RemovalState::Removed);
    scene.desktop.messages.clear();
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_FALSE(RestoreBackupFile(nullptr, scene.desktop, removed.backupPath));
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Restore Registry Keys");
    EXPECT_NE(scene.desktop.messages[0].text.find(L"Remove Registry Keys"), std::wstring::npos);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"HKEY_CLASSES_ROOT\\" + kClassKey), std::wstring::npos);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, kClassKey)) << "declined: nothing written";
    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    EXPECT_TRUE(RestoreBackupFile(nullptr, scene.desktop, removed.backupPath));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, kClassKey));

    const std::wstring foreign = write(L"foreign.reg", L"[HKEY_CLASSES_ROOT\\" + kClassKey + L"\\Probe]\r\n");
    scene.desktop.messages.clear();
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_FALSE(RestoreBackupFile(nullptr, scene.desktop, foreign));
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"not one of Nivex's backups"), std::wstring::npos);
}

TEST_F(RepairSafety, AFileThatCannotRegisterIsRefusedBeforeAnythingIsDeleted) {
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
    const RelinkResult result = ChangeFileReference(mistyped, Request(), scene.Flow());
    EXPECT_EQ(result.removal.state, RemovalState::FileRefused);
    EXPECT_EQ(Snapshot(Paths()), before);
    EXPECT_EQ(BackupCount(), 0u);
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
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | PathAccess(path, view), nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
        RegCloseKey(key);
    };
    const auto present = [](const std::wstring& path, RegistryView view) {
        HKEY key = nullptr;
        const bool found =
            RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | PathAccess(path, view), &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        return found;
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
