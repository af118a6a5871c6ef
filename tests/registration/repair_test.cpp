// Removing keys with a backup and restoring them, relinking with rollback, editing values, the file search.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <filesystem>

#include "registry/sound_names.h"
#include "catalogue/catalogue_scan.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_commands.h"
#include "registration/file_search.h"
#include "registry/reg_value.h"
#include "registration/reg_backup.h"
#include "registration/repair_operations.h"
#include "registry/settings.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::RegKeyPresent;
using testing::SetRegBytes;
using testing::SetRegDword;
using testing::SetRegString;

const std::wstring kLib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A001}";
const std::wstring kClassA = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A002}";
const std::wstring kClassB = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A003}";

// Everything below the keys as the backup writes it: equal texts mean equal keys, values, types and bytes.
std::wstring Snapshot(const std::vector<std::wstring>& paths) {
    std::vector<RegFileKey> keys;
    for (const auto& path : paths)
        ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, path, keys);
    return FormatRegFile(keys);
}

// A key whose descriptor forbids what the test wants to fail; the old rights come back on destruction.
class LockedKey {
public:
    LockedKey(const std::wstring& path, const wchar_t* sddl) : path_(path) { Apply(sddl, true); }
    ~LockedKey() { Apply(L"D:(A;;KA;;;WD)", false); }
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;

private:
    void Apply(const wchar_t* sddl, bool withOwner) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        HKEY key = nullptr;
        const REGSAM access = WRITE_DAC | (withOwner ? WRITE_OWNER : 0);
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, access, &key), ERROR_SUCCESS) << path_;
        SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
        if (withOwner && std::wstring(sddl).starts_with(L"O:")) what |= OWNER_SECURITY_INFORMATION;
        EXPECT_EQ(RegSetKeySecurity(key, what, sd), ERROR_SUCCESS);
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
        SaveSetting(kSectionOptions, kKeyPlaySounds, L"1");
        // A library with nested keys and values of every kind, and two controls.
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0", L"", L"Repair Test Library");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0\\0\\win32", L"", L"C:\\gone\\repair.ocx");
        SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0\\HELPDIR", L"", L"%SystemRoot%\\help",
                     REG_EXPAND_SZ);
        SetRegDword(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0\\FLAGS", L"", 2);
        const unsigned char blob[] = {0, 1, 2, 0xFE, 0xFF};
        SetRegBytes(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib + L"\\1.0\\FLAGS", L"bytes", REG_BINARY, blob, sizeof(blob));
        const wchar_t multi[] = L"one\0two\0";
        SetRegBytes(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib, L"multi", REG_MULTI_SZ, multi, sizeof(multi));
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
    static RemovalRequest Request() {
        RemovalRequest request;
        request.libraryId = kLib;
        request.classIds = {kClassA, kClassB};
        return request;
    }
    size_t BackupCount() const {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(backups.Path()))
            n += entry.path().extension() == L".reg";
        return n;
    }
};

TEST_F(Repair, RemovedKeysComeBackExactlyFromTheBackup) {
    const std::wstring before = Snapshot(Paths());
    ASSERT_NE(before.find(L"hex(2):25,00"), std::wstring::npos) << before;

    scene.desktop.answers = {MsgAnswer::Yes, MsgAnswer::Ok};
    const RemovalResult result = RemoveRegistryKeys(Request(), scene.desktop);
    ASSERT_EQ(result.state, RemovalState::Removed);
    ASSERT_EQ(scene.desktop.messages.size(), 2u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Delete Registry Keys?");
    EXPECT_NE(scene.desktop.messages[0].text.find(L"\n\nHKEY_CLASSES_ROOT\\TypeLib\\" + kLib +
                                                  L"\nHKEY_CLASSES_ROOT\\CLSID\\" + kClassA +
                                                  L"\nHKEY_CLASSES_ROOT\\CLSID\\" + kClassB + L"\n"),
              std::wstring::npos);
    EXPECT_NE(scene.desktop.messages[1].text.find(result.backupPath), std::wstring::npos)
        << "the message names the backup";
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>{L"C:\\Nivex Test\\Media\\nivex_delkeys.wav"});
    for (const auto& path : Paths())
        EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, path)) << path;
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib")) << "only the library's own key goes";

    const std::string bytes = testing::ReadFileBytes(result.backupPath);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(result.backupPath.find(kLib), std::wstring::npos);

    const ImportResult back = ImportBackup(result.backupPath);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_EQ(Snapshot(Paths()), before);
}

TEST_F(Repair, DecliningRefusedIdentifiersAndAFailedBackupChangeNothing) {
    const std::wstring before = Snapshot(Paths());
    scene.desktop.answers = {MsgAnswer::No};
    EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::Declined);

    // An edited or empty library identifier would name another key, or every library.
    for (const std::wstring& bad : {std::wstring(), std::wstring(L"..\\CLSID"), kLib + L"\\1.0"}) {
        RemovalRequest request = Request();
        request.libraryId = bad;
        scene.desktop.answers = {MsgAnswer::Ok};
        EXPECT_EQ(RemoveRegistryKeys(request, scene.desktop).state, RemovalState::Refused) << bad;
    }
    RemovalRequest badClass = Request();
    badClass.classIds.push_back(L"");
    scene.desktop.answers = {MsgAnswer::Ok};
    EXPECT_EQ(RemoveRegistryKeys(badClass, scene.desktop).state, RemovalState::Refused);

    // The backup folder cannot be made (a file is in its way): nothing is deleted.
    const std::wstring blocker = backups.WriteFile(L"blocker", "x");
    SetBackupFolder(blocker + L"\\Backups");
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1"); // no question
    scene.desktop.answers = {MsgAnswer::Ok};
    scene.desktop.messages.clear();
    EXPECT_EQ(RemoveRegistryKeys(Request(), scene.desktop).state, RemovalState::BackupFailed);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"could not back them up"), std::wstring::npos);
    EXPECT_EQ(Snapshot(Paths()), before);
    EXPECT_EQ(BackupCount(), 0u);
}

TEST_F(Repair, KeysThatCannotBeDeletedAreListedInOneMessageAndTheRestStillGoes) {
    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassB + L"\\Deep\\Deeper\\Deepest", L"", L"x");
    RemovalResult result;
    {
        // The first class key: the keys after it still go.
        LockedKey locked(L"CLSID\\" + kClassA, L"O:SYD:(A;;KRWD;;;WD)");
        scene.desktop.answers = {MsgAnswer::Ok};
        result = RemoveRegistryKeys(Request(), scene.desktop);
    }
    EXPECT_EQ(result.state, RemovalState::PartlyFailed);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].key, L"HKEY_CLASSES_ROOT\\CLSID\\" + kClassA);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title, L"Error in DeleteAllKeys()");
    EXPECT_NE(scene.desktop.messages[0].text.find(kClassA), std::wstring::npos);
    EXPECT_EQ(scene.desktop.sounds, std::vector<std::wstring>{L"C:\\Nivex Test\\Media\\nivex_fail.wav"});
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassB)) << "nested keys go innermost first";
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLib));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA));
}

TEST_F(Repair, AnImportWithAKeyOutsideTheClassesRootWritesNothing) {
    const std::wstring file = backups.File(L"mixed.reg");
    const std::wstring text = std::wstring(kRegFileHeader) +
                              L"\r\n\r\n[HKEY_CLASSES_ROOT\\NivexImportProbe]\r\n@=\"x\"\r\n\r\n"
                              L"[HKEY_CURRENT_USER\\Software\\NivexImportProbe]\r\n@=\"y\"\r\n";
    const auto bytes = EncodeUtf16Le(text);
    backups.WriteFile(L"mixed.reg", std::string(bytes.begin(), bytes.end()));
    const ImportResult result = ImportBackup(file);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(L"HKEY_CURRENT_USER\\Software\\NivexImportProbe"), std::wstring::npos);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"NivexImportProbe"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, L"Software\\NivexImportProbe"));

    backups.WriteFile(L"garbage.reg",
                      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\A]\r\n\"v\"=bogus\r\n");
    const ImportResult garbage = ImportBackup(backups.File(L"garbage.reg"));
    EXPECT_FALSE(garbage.ok);
    EXPECT_NE(garbage.message.find(L"Line 4"), std::wstring::npos) << garbage.message;
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"A"));
}

TEST_F(Repair, AFailedReRegistrationPutsTheOldRegistrationBack) {
    const std::wstring before = Snapshot(Paths());
    std::wstring file = scene.CopyFixture(scene.work, fixtures::kFailFile);
    FlowOptions flow = scene.Flow();
    flow.copy = CopyChoice::InPlace;
    RemovalRequest request = Request();
    request.confirm = Confirm::Never;
    scene.desktop.answers = {MsgAnswer::Ok};
    const RelinkResult result = ChangeFileReference(file, request, flow);
    EXPECT_EQ(result.outcome, RegOutcome::EntryPointFailed);
    EXPECT_TRUE(result.restored) << result.restoreProblem;
    EXPECT_EQ(Snapshot(Paths()), before);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_NE(scene.desktop.messages[0].text.find(L"put the old registration back"), std::wstring::npos);
    ASSERT_EQ(scene.display.shown.size(), 1u);
    EXPECT_FALSE(scene.display.shown[0].success);
}

TEST_F(Repair, AFoundFileReplacesTheOldReferenceAndDecliningTheRemovalStillRegisters) {
    const auto& demo = fixtures::kDemoLibrary;
    // The demo library registered at a path that no longer exists.
    SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + demo.libIdText + L"\\1.0", L"", demo.name);
    SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText + L"\\InprocServer32", L"",
                 L"C:\\gone\\fixture_control.ocx");
    SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText + L"\\Stale", L"", L"old");
    std::wstring file = scene.CopyFixture(scene.work, demo.fileName);
    RemovalRequest request;
    request.libraryId = demo.libIdText;
    request.classIds = {demo.classes[0].clsidText, demo.classes[1].clsidText};
    FlowOptions flow = scene.Flow();
    flow.copy = CopyChoice::InPlace;
    scene.desktop.answers = {MsgAnswer::Yes};
    const RelinkResult result = ChangeFileReference(file, request, flow);
    EXPECT_EQ(result.outcome, RegOutcome::Completed);
    EXPECT_EQ(result.removal.state, RemovalState::Removed);
    EXPECT_EQ(testing::RegisteredServer(demo.classes[0]), file);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText + L"\\Stale"));
    EXPECT_EQ(scene.desktop.messages.size(), 1u) << "only the question; the status window closes the operation";

    // Declined: the keys stay, the file is registered over them.
    SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText + L"\\Stale", L"", L"old");
    scene.desktop.answers = {MsgAnswer::No};
    const RelinkResult declined = ChangeFileReference(file, request, flow);
    EXPECT_EQ(declined.outcome, RegOutcome::Completed);
    EXPECT_EQ(declined.removal.state, RemovalState::Declined);
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + demo.classes[0].clsidText + L"\\Stale"));
}

TEST_F(Repair, EditingKeepsAnExpandableValueRawAndAFailedWriteChangesNothing) {
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA + L"\\ToolboxBitmap32", L"", L"%SystemRoot%\\a.ocx, 1",
                 REG_EXPAND_SZ);
    EXPECT_EQ(ReadElementValue(kClassA, L"Toolbox Bitmap"), L"%SystemRoot%\\a.ocx, 1");
    EditResult result = WriteElementValue(kClassA, L"Toolbox Bitmap", L"%SystemRoot%\\b.ocx, 2");
    ASSERT_TRUE(result.ok) << result.error;
    DWORD type = 0;
    EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClassA + L"\\ToolboxBitmap32", L"", nullptr, &type),
              L"%SystemRoot%\\b.ocx, 2");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(result.value, L"%SystemRoot%\\b.ocx, 2");
    // The backup holds the value as it was before.
    const std::string saved = testing::ReadFileBytes(result.backupPath);
    const RegFileParse backup =
        ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()));
    ASSERT_EQ(backup.keys.size(), 1u) << backup.error;
    EXPECT_EQ(backup.keys[0].path, L"HKEY_CLASSES_ROOT\\CLSID\\" + kClassA + L"\\ToolboxBitmap32");
    ASSERT_EQ(backup.keys[0].values.size(), 1u);
    EXPECT_EQ(backup.keys[0].values[0].type, static_cast<std::uint32_t>(REG_EXPAND_SZ));
    EXPECT_EQ(RegValueText(kRegSz, backup.keys[0].values[0].data), L"%SystemRoot%\\a.ocx, 1");

    // A new value is plain text; the Version subkey is created.
    result = WriteElementValue(kClassA, L"Version", L"2.5");
    ASSERT_TRUE(result.ok);
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

TEST_F(Repair, TheCatalogueLosesTheLibraryAfterAFullRemovalAndIsRescannedAfterAPartialOne) {
    Catalogue catalogue;
    PopulateList(catalogue);
    ASSERT_EQ(LibraryControls(catalogue, kLib), (std::vector<std::wstring>{kClassA, kClassB}));
    EXPECT_EQ(LibraryOfNode(catalogue, kClassB), kLib);
    const auto libraries = catalogue.libraries, controls = catalogue.controls, missing = catalogue.missing;
    ASSERT_EQ(missing, 1);

    SaveSetting(kSectionDialogs, kKeyDeleteRegistryKeys, L"1");
    scene.desktop.answers = {MsgAnswer::Ok};
    EXPECT_EQ(RemoveKeysCommand(catalogue, kLib, nullptr, scene.desktop), CatalogueChange::Updated);
    EXPECT_EQ(catalogue.libraries, libraries - 1);
    EXPECT_EQ(catalogue.controls, controls - 2);
    EXPECT_EQ(catalogue.missing, missing - 1);
    EXPECT_EQ(catalogue.FindNodeByKey(kLib), 0);
    EXPECT_EQ(catalogue.Tree(Catalogue::kMissing).FindByKey(kLib), 0);

    SetUp(); // the keys again
    Catalogue again;
    PopulateList(again);
    LockedKey locked(L"CLSID\\" + kClassA, L"O:SYD:(A;;KRWD;;;WD)");
    scene.desktop.answers = {MsgAnswer::Ok};
    EXPECT_EQ(RemoveKeysCommand(again, kLib, nullptr, scene.desktop), CatalogueChange::NeedsRescan);
    EXPECT_NE(again.FindNodeByKey(kLib), 0) << "left for the rescan to settle";
}

// Collects hits; stops after a number of entries when asked.
struct Hits final : SearchObserver {
    std::vector<std::wstring> paths;
    size_t stopAfter = 0, seen = 0;
    bool KeepGoing() override { return stopAfter == 0 || ++seen < stopAfter; }
    void Found(const std::wstring& path, const std::wstring&, const std::wstring& folder) override {
        EXPECT_EQ(folder.back(), L'\\');
        paths.push_back(path);
    }
};

TEST(FileSearch, FindsOrdinaryFilesByLongOrShortNameInEveryRealFolder) {
    testing::TempFolder tree;
    const auto dir = [&](const std::wstring& rel, DWORD attributes = 0) {
        std::filesystem::create_directories(tree.Path() / rel);
        if (attributes) SetFileAttributesW(tree.File(rel).c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
    };
    dir(L"readonly");
    dir(L"other\\dial.ocx"); // a folder of the wanted name: searched, never listed
    dir(L"hidden");
    tree.WriteFile(L"Dial.OCX", "x");
    tree.WriteFile(L"readonly\\dial.ocx", "x");
    tree.WriteFile(L"other\\dial.ocx\\DIAL.ocx", "x");
    tree.WriteFile(L"hidden\\dial.ocx", "x");
    SetFileAttributesW(tree.File(L"hidden\\dial.ocx").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(tree.File(L"readonly").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);

    Hits flat;
    EXPECT_EQ(SearchFiles(tree.Text(), L"DIAL.OCX", false, flat).found, 1u);
    EXPECT_EQ(flat.paths, std::vector<std::wstring>{tree.Text() + L"\\Dial.OCX"});

    Hits deep;
    const SearchStats stats = SearchFiles(tree.Text() + L"\\", L"dial.ocx", true, deep);
    std::sort(deep.paths.begin(), deep.paths.end());
    EXPECT_EQ(deep.paths,
              (std::vector<std::wstring>{tree.Text() + L"\\Dial.OCX", tree.Text() + L"\\other\\dial.ocx\\DIAL.ocx",
                                         tree.Text() + L"\\readonly\\dial.ocx"}));
    EXPECT_EQ(stats.folders, 5u);
    EXPECT_FALSE(stats.stopped);

    Hits stopped;
    stopped.stopAfter = 3;
    EXPECT_TRUE(SearchFiles(tree.Text(), L"dial.ocx", true, stopped).stopped);
    EXPECT_LT(stopped.paths.size(), 3u);

    Hits none;
    EXPECT_EQ(SearchFiles(tree.File(L"no such folder"), L"dial.ocx", true, none).folders, 0u);

    // A registered short name finds the file by its short name.
    const std::wstring longName = tree.WriteFile(L"Long Control Name.ocx", "x");
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(longName.c_str(), shortPath, MAX_PATH);
    const std::wstring shortName = std::filesystem::path(shortPath).filename().wstring();
    if (shortName.find(L'~') != std::wstring::npos) {
        Hits byShort;
        SearchFiles(tree.Text(), shortName, false, byShort);
        EXPECT_EQ(byShort.paths, std::vector<std::wstring>{longName});
    }
    SetFileAttributesW(tree.File(L"readonly").c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

// The system's registry editor imports what the backup writes. It runs as a process of its own, so it
// writes the prefix's real classes (HKEY_LOCAL_MACHINE\Software\Classes); the probe key is removed again.
TEST(RegFileImport, TheSystemsRegistryEditorImportsTheBackupFormat) {
    testing::TempFolder folder;
    const std::wstring probe = L"NivexRegeditProbe{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000A0FF}";
    RegFileKey key;
    key.path = L"HKEY_CLASSES_ROOT\\" + probe + L"\\Sub";
    const auto utf16z = [](const std::wstring& text) {
        auto bytes = EncodeUtf16Le(text + std::wstring(1, L'\0'));
        return std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end());
    };
    key.values = {{L"", 1, utf16z(L"Quote \" and \\ back"), false},
                  {L"Expand", 2, utf16z(L"%SystemRoot%\\x"), false},
                  {L"Number", 4, {1, 2, 3, 4}, false},
                  {L"Blob", 3, std::vector<std::uint8_t>(70, 0x5A), false},
                  {L"Multi", 7, utf16z(std::wstring(L"a\0b\0", 4)), false}};
    const auto bytes = EncodeUtf16Le(FormatRegFile({key}));
    const std::wstring file = folder.WriteFile(L"probe.reg", std::string(bytes.begin(), bytes.end()));

    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(windows) + L"\\regedit.exe\" /S \"" + file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    std::vector<RegFileKey> imported;
    ReadKeyTree(HKEY_LOCAL_MACHINE, kClassesRootName, L"Software\\Classes\\" + probe + L"\\Sub", imported);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + probe).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + probe).c_str());
    ASSERT_EQ(imported.size(), 1u);
    ASSERT_EQ(imported[0].values.size(), key.values.size());
    // The registry lists values in its own order.
    const auto byName = [](const RegFileValue& a, const RegFileValue& b) { return a.name < b.name; };
    std::sort(imported[0].values.begin(), imported[0].values.end(), byName);
    std::sort(key.values.begin(), key.values.end(), byName);
    for (size_t i = 0; i < key.values.size(); ++i) {
        EXPECT_EQ(imported[0].values[i].name, key.values[i].name);
        EXPECT_EQ(imported[0].values[i].type, key.values[i].type) << i;
        EXPECT_EQ(imported[0].values[i].data, key.values[i].data) << i;
    }
}

} // namespace
} // namespace nivex
