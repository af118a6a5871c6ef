// nivexcmd's repair commands run as a separate program against the test prefix's real registry.
// The tests remove what they add (keys and backup files).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/reg_backup.h"
#include "registration/reg_file.h"
#include "support/run_program.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::RunResult;

RunResult Nivexcmd(const std::wstring& arguments) { return testing::RunNivexcmd(arguments); }

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// The text after "Backup: " on its own line.
std::wstring BackupPath(const std::string& out) {
    const size_t at = out.find("Backup: ");
    if (at == std::string::npos) return {};
    return Utf8ToWide(out.substr(at + 8, out.find("\r\n", at) - at - 8));
}

class RepairCommands : public ::testing::Test {
protected:
    testing::TempFolder folder;
    std::wstring file = folder.File(L"VelmoraDemo.ocx");
    std::vector<std::wstring> backups;
    const std::wstring gauge = kDemoLibrary.classes[0].clsidText;

    void SetUp() override {
        ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE));
        const RunResult r = Nivexcmd(L"register " + Quoted(file) + L" --in-place");
        ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    }
    void TearDown() override {
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteKeyW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
            RegDeleteKeyW(HKEY_CLASSES_ROOT, cls.progId);
        }
        const std::wstring lib = std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText;
        RegDeleteTreeW(HKEY_CLASSES_ROOT, lib.c_str());
        RegDeleteKeyW(HKEY_CLASSES_ROOT, lib.c_str());
        for (const auto& b : backups)
            DeleteFileW(b.c_str());
    }
    std::vector<std::wstring> Paths() const {
        std::vector<std::wstring> paths{std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText};
        for (const auto& cls : kDemoLibrary.classes)
            paths.push_back(std::wstring(L"CLSID\\") + cls.clsidText);
        return paths;
    }
    std::wstring Snapshot() const {
        std::vector<RegFileKey> keys;
        for (const auto& p : Paths())
            ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, p, keys);
        return FormatRegFile(keys);
    }
    static std::wstring Server(const std::wstring& clsid) {
        return testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32", L"");
    }
};

TEST_F(RepairCommands, RemoveKeysListsFirstRemovesWithYesAndRestoreBringsEverythingBack) {
    const std::wstring lib = kDemoLibrary.libIdText;
    const std::wstring before = Snapshot();

    // Identifiers compare without regard to case, as the registry compares them.
    RunResult r = Nivexcmd(L"remove-keys " + ToLowerText(lib));
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("HKEY_CLASSES_ROOT\\TypeLib\\" + WideToUtf8(lib)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("HKEY_CLASSES_ROOT\\CLSID\\" + WideToUtf8(gauge)), std::string::npos);
    EXPECT_EQ(Snapshot(), before) << "without --yes nothing is removed";

    r = Nivexcmd(L"remove-keys " + lib + L" --yes");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    const std::wstring backup = BackupPath(r.out);
    backups.push_back(backup);
    ASSERT_TRUE(std::filesystem::exists(backup)) << r.out;
    EXPECT_NE(backup.find(L"\\Velmora Software\\Nivex\\Backups\\"), std::wstring::npos);
    EXPECT_NE(r.out.find("Removed HKEY_CLASSES_ROOT\\TypeLib\\" + WideToUtf8(lib)), std::string::npos);
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + lib));
    EXPECT_EQ(Server(gauge), L"");
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, kDemoLibrary.classes[0].progId))
        << "only the keys the catalogue names go";

    EXPECT_EQ(Nivexcmd(L"remove-keys " + lib + L" --yes").exitCode, 4u) << "no longer in the catalogue";
    r = Nivexcmd(L"restore " + Quoted(backup));
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(Snapshot(), before);

    EXPECT_EQ(Nivexcmd(L"remove-keys TypeLib").exitCode, 2u) << "not an identifier";
    EXPECT_EQ(Nivexcmd(L"restore " + Quoted(folder.File(L"none.reg"))).exitCode, 1u);
}

TEST_F(RepairCommands, EditWritesOneElementAfterABackupAndRefusesUnknownOnes) {
    RunResult r = Nivexcmd(L"edit " + gauge + L" Version 9.9");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    backups.push_back(BackupPath(r.out));
    EXPECT_NE(r.out.find("Before: 1.0\r\nAfter: 9.9\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + gauge + L"\\Version", L""), L"9.9");
    r = Nivexcmd(L"edit " + gauge + L" \"Toolbox Bitmap\" \"x.ocx, 3\"");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    backups.push_back(BackupPath(r.out));
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + gauge + L"\\ToolboxBitmap32", L""), L"x.ocx, 3");

    EXPECT_EQ(Nivexcmd(L"edit " + gauge + L" Status x").exitCode, 2u);
    EXPECT_EQ(Nivexcmd(L"edit {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000C0FF} Version 1").exitCode, 4u);
}

TEST_F(RepairCommands, AMovedFileIsFoundAndRelinkedAndAFailingOneLeavesTheOldRegistration) {
    // The file moves into a subfolder: the registration now points at nothing.
    std::filesystem::create_directories(folder.Path() / L"moved");
    const std::wstring moved = folder.File(L"moved\\VelmoraDemo.ocx");
    ASSERT_TRUE(MoveFileW(file.c_str(), moved.c_str()));

    RunResult r = Nivexcmd(L"find-file " + gauge + L" --in " + Quoted(folder.Text()));
    EXPECT_EQ(r.exitCode, 4u) << "not recursive: nothing at the top";
    r = Nivexcmd(L"find-file " + gauge + L" --in " + Quoted(folder.Text()) + L" --recursive");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, WideToUtf8(moved) + "\r\n");

    // A mistyped file is refused before anything is deleted.
    const std::wstring before = Snapshot();
    r = Nivexcmd(L"relink " + ToLowerText(gauge) + L" " + Quoted(folder.File(L"mistyped.ocx")));
    EXPECT_EQ(r.exitCode, 1u) << r.out << r.err;
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    EXPECT_TRUE(BackupPath(r.out).empty());
    EXPECT_EQ(Snapshot(), before);

    // A server whose entry point fails: the old keys come back.
    const std::wstring failing = folder.File(L"failing.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kFailFile).c_str(), failing.c_str(), FALSE));
    r = Nivexcmd(L"relink " + gauge + L" " + Quoted(failing) + L" --in-place");
    backups.push_back(BackupPath(r.out));
    EXPECT_EQ(r.exitCode, 16u) << r.out << r.err;
    EXPECT_NE(r.err.find("put the old registration back"), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), before);

    r = Nivexcmd(L"relink " + gauge + L" " + Quoted(moved) + L" --in-place");
    backups.push_back(BackupPath(r.out));
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(Server(gauge), moved);
    EXPECT_EQ(Nivexcmd(L"relink {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000C0FF} " + Quoted(moved)).exitCode, 4u);
}

} // namespace
} // namespace nivex
