// What keeps a backup restorable and a restore confined: names a .reg line cannot carry, the read-back
// comparison, the header that tells backups apart, the deletions Restore accepts, and the volume root.
#include <gtest/gtest.h>

#include "registration/reg_file.h"
#include "registration/repair_rules.h"

namespace nivex {
namespace {

RegFileKey Key(std::wstring path, std::wstring valueName = L"v") {
    RegFileKey key;
    key.path = std::move(path);
    key.values.push_back(RegFileValue{std::move(valueName), 1, {'x', 0, 0, 0}, false});
    return key;
}

TEST(BackupRules, NamesALineCannotCarryAreFoundAndEverythingElseReadsBackTheSame) {
    struct Case {
        RegFileKey key;
        bool writable;
    };
    const Case cases[] = {
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}", L"odd \"name\" \\ ] ;"), true},
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}", L"two\nlines"), false},
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}", L"ends\r"), false},
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}", std::wstring(L"nul\0x", 5)), false},
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}\\sub\rkey"), false},
        {Key(L"HKEY_CLASSES_ROOT\\CLSID\\{x}\\[bracketed] key"), true},
    };
    for (const Case& c : cases) {
        const std::vector<RegFileKey> keys{c.key};
        EXPECT_EQ(UnwritableName(keys).empty(), c.writable) << c.key.path;
        if (!c.writable) continue;
        const RegFileParse back = ParseRegFileText(FormatRegFile(keys, {L"a comment"}));
        ASSERT_TRUE(back.error.empty()) << back.error;
        EXPECT_TRUE(SameKeys(back.keys, keys)) << c.key.path;
        EXPECT_EQ(back.comments, std::vector<std::wstring>{L"a comment"});
    }
    // The comparison sees every difference a broken file could make.
    const RegFileKey original = Key(L"HKEY_CLASSES_ROOT\\A");
    RegFileKey longer = original, renamed = original, removed = original;
    longer.values[0].data.push_back(0);
    renamed.values[0].name = L"w";
    removed.remove = true;
    for (const RegFileKey& changed : {longer, renamed, removed})
        EXPECT_FALSE(SameKeys({changed}, {original}));
    EXPECT_FALSE(SameKeys({}, {original}));
}

TEST(BackupRules, TheHeaderNamesOperationNamesAndViewAndAForeignFileHasNone) {
    BackupHeader header;
    header.operation = L"Edit Data";
    header.control = L"Gauge\r\nControl"; // one line whatever the registry held
    header.library = L"Demo Library";
    header.view = RegistryView::Bits32;
    header.version = L"1.2.3";
    const std::vector<std::wstring> comments = BackupHeaderComments(header);
    const RegFileParse parsed = ParseRegFileText(FormatRegFile({Key(L"HKEY_CLASSES_ROOT\\A")}, comments));
    const BackupHeader back = ParseBackupHeader(parsed.comments);
    EXPECT_EQ(back.operation + L"|" + back.control + L"|" + back.library + L"|" + back.version,
              L"Edit Data|Gauge  Control|Demo Library|1.2.3");
    EXPECT_EQ(back.view, RegistryView::Bits32);

    // Empty fields read back as written: the read-back after a backup compares the comments too.
    const std::vector<std::wstring> empty = BackupHeaderComments(BackupHeader{});
    EXPECT_EQ(ParseRegFileText(FormatRegFile({}, empty)).comments, empty);

    EXPECT_TRUE(ParseBackupHeader({L"exported by hand"}).operation.empty());
    // Without a view the file cannot say where its keys go: not taken for one of ours.
    EXPECT_TRUE(ParseBackupHeader({comments[0], comments[1]}).operation.empty());
    EXPECT_NE(RestoreQuestion(L"x.reg", ParseBackupHeader({}), {L"W"}, {L"D"}).find(L"not one of Nivex's backups"),
              std::wstring::npos);
    const std::wstring ours = RestoreQuestion(L"x.reg", back, {L"HKEY_CLASSES_ROOT\\W"}, {L"HKEY_CLASSES_ROOT\\D"});
    EXPECT_EQ(ours.find(L"not one of"), std::wstring::npos);
    EXPECT_NE(ours.find(L"deleted with everything below them:\nHKEY_CLASSES_ROOT\\D\n"), std::wstring::npos) << ours;
    EXPECT_NE(ours.find(L"written:\nHKEY_CLASSES_ROOT\\W\n"), std::wstring::npos);
    EXPECT_NE(ours.find(L"32-bit"), std::wstring::npos);
}

TEST(BackupRules, RestoreDeletesOnlyInsideOneClassOrLibraryKey) {
    const std::wstring id = L"{0E59F1D2-1FBE-11D0-8FF2-00A0D10038BC}";
    const std::pair<std::wstring, bool> cases[] = {
        {L"HKEY_CLASSES_ROOT\\CLSID\\" + id, true},
        {L"hkey_classes_root\\clsid\\{0e59f1d2-1fbe-11d0-8ff2-00a0d10038bc}\\Version", true},
        {L"HKEY_CLASSES_ROOT\\TypeLib\\" + id + L"\\1.0\\0\\win64", true},
        {L"HKEY_CLASSES_ROOT\\CLSID", false},
        {L"HKEY_CLASSES_ROOT\\TypeLib", false},
        {L"HKEY_CLASSES_ROOT\\Interface\\" + id, false},
        {L"HKEY_CLASSES_ROOT\\CLSID\\NotAGuid", false},
        {L"HKEY_CLASSES_ROOT\\CLSID\\" + id + L"\\\\..", false},
        {L"HKEY_CURRENT_USER\\CLSID\\" + id, false},
    };
    for (const auto& [path, allowed] : cases)
        EXPECT_EQ(DeletionAllowed(path), allowed) << path;
}

TEST(BackupRules, BackupNamesCarryTheNameAndTheProgramDriveIsTheVolumeRoot) {
    EXPECT_EQ(BackupFileName(2026, 12, 7, 3, 5, 9, L"{ABC}", L"Demo: Gauge/Dial?."),
              L"2026-12-07 030509 {ABC} Demo_ Gauge_Dial_.reg");
    EXPECT_EQ(BackupFileName(2026, 12, 7, 3, 5, 9, L"{ABC}", L" . "), L"2026-12-07 030509 {ABC}.reg");
    EXPECT_EQ(BackupFileName(2026, 12, 7, 3, 5, 9, L"{A}", std::wstring(200, L'n')).size(),
              std::wstring(L"2026-12-07 030509 {A} .reg").size() + 60);

    const std::pair<std::wstring, std::wstring> roots[] = {
        {L"C:\\Program Files\\Nivex\\", L"C:\\"},
        {L"d:", L"d:\\"},
        {L"\\\\server\\share\\Tools\\Nivex\\", L"\\\\server\\share\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"\\\\server", L""},
        {L"\\\\\\share", L""},
        {L"relative\\path", L""},
    };
    for (const auto& [path, root] : roots)
        EXPECT_EQ(VolumeRoot(path), root) << path;
}

} // namespace
} // namespace nivex
