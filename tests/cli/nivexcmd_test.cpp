// nivexcmd run as a separate program against the test prefix's real registry; tests remove what they add.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <vector>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "reports/browser_page.h"
#include "support/run_program.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::RunProgram;
using testing::RunResult;

using fixtures::kDemoLibrary;

std::wstring NivexCmdPath() { return testing::BinFolder() + L"\\nivexcmd.exe"; }

const wchar_t* const kDialogsKey = L"Software\\Velmora Control Manager\\Dialogs";

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') field += '"', ++i;
        else if (c == '"') quoted = !quoted;
        else if (!quoted && (c == ',' || c == '\n')) {
            rows.back().push_back(field), field.clear();
            if (c == '\n') rows.emplace_back();
        } else if (quoted || c != '\r') field += c;
    }
    rows.pop_back(); // after the last line break
    return rows;
}

std::wstring Default(const std::wstring& path) { return testing::GetRegString(HKEY_CLASSES_ROOT, path, L""); }
bool KeyThere(const std::wstring& path) { return testing::RegKeyPresent(HKEY_CLASSES_ROOT, path); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
RunResult Nivexcmd(const std::wstring& arguments) { return RunProgram(NivexCmdPath(), arguments); }
bool Exists(const std::wstring& path) { return std::filesystem::exists(std::filesystem::path(path)); }

TEST(NivexCmd, ListsExactlyTheControlsThePrefixRegisters) {
    // An independent walk: every class with Control, a non-empty TypeLib and InprocServer32.
    std::map<std::string, std::string> expected;     // clsid -> library id
    std::map<std::string, std::string> libraryNames; // library id -> text of its node
    HKEY clsid = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &clsid), ERROR_SUCCESS);
    wchar_t name[256];
    for (DWORD i = 0, length = 256; RegEnumKeyExW(clsid, i, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                                    ERROR_SUCCESS;
         ++i, length = 256) {
        const std::wstring base = std::wstring(L"CLSID\\") + name;
        const std::wstring lib = Default(base + L"\\TypeLib");
        if (lib.empty() || !KeyThere(base + L"\\Control") || !KeyThere(base + L"\\InprocServer32")) continue;
        expected[WideToUtf8(name)] = WideToUtf8(lib);
        std::wstring text = Default(L"TypeLib\\" + lib + L"\\" + Default(base + L"\\Version"));
        if (!libraryNames.count(WideToUtf8(lib))) libraryNames[WideToUtf8(lib)] = WideToUtf8(text.empty() ? Default(base) : text);
    }
    RegCloseKey(clsid);
    ASSERT_FALSE(expected.empty()) << "the prefix registers no control";

    const RunResult csv = Nivexcmd(L"list --csv");
    ASSERT_EQ(csv.exitCode, 0u) << csv.err;
    const auto rows = CsvRows(csv.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][0], "library_key");
    std::map<std::string, std::string> listed;
    for (size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 5u);
        listed[rows[r][3]] = rows[r][0];
        EXPECT_EQ(rows[r][1], libraryNames[rows[r][0]]) << rows[r][3];
    }
    EXPECT_EQ(listed, expected);
    EXPECT_NE(Nivexcmd(L"list --json").out.find("\"controls\": " + std::to_string(expected.size()) + ","), std::string::npos);
    EXPECT_NE(Nivexcmd(L"list").out.find(std::to_string(expected.size()) + " Controls in "), std::string::npos);
}

// On a platform of major version 5 a server path without a drive is looked up in the system folder.
TEST(NivexCmd, PathsWithoutDriveResolveInTheSystemFolderOnVersionFive) {
    testing::TempFolder folder;
    const std::wstring w2k = folder.File(L"nivexw2k.exe");
    ASSERT_TRUE(CopyFileW(NivexCmdPath().c_str(), w2k.c_str(), FALSE));
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\nivexw2k.exe";
    testing::SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", L"win2k");
    folder.WriteFile(L"relative2k.ocx", std::string(100, 'r'));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    // From C:\windows\system32\ back to the drive root, then down to the scratch folder.
    std::wstring relative;
    for (wchar_t ch : std::wstring(system).substr(3))
        if (ch == L'\\') relative += L"..\\";
    relative += L"..\\" + folder.Text().substr(3) + L"\\relative2k.ocx";
    const std::wstring clsid = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005002}";
    const std::wstring base = L"CLSID\\" + clsid;
    testing::SetRegString(HKEY_CLASSES_ROOT, base, L"", L"Relative Path Control");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", relative);
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005003}");

    const RunResult onFive = RunProgram(w2k, L"list --csv", folder.Text());
    const RunResult onSix = RunProgram(NivexCmdPath(), L"list --csv", folder.Text());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, base.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults.c_str());
    ASSERT_NE(onFive.out.find("Relative Path Control,"), std::string::npos) << onFive.out << onFive.err;
    EXPECT_NE(onFive.out.find(",Registered.," + WideToUtf8(clsid)), std::string::npos) << onFive.out;
    EXPECT_NE(onSix.out.find(",File Not Found!," + WideToUtf8(clsid)), std::string::npos) << onSix.out;
}

class NivexCmdRegistration : public ::testing::Test {
protected:
    testing::TempFolder folder;
    std::wstring file = folder.File(L"e2e control.ocx");
    void SetUp() override { ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE)); }
    void TearDown() override {
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
        }
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText).c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDialogsKey, L"UnregisterDelete");
    }
    static std::wstring Server() {
        return testing::GetRegString(HKEY_CLASSES_ROOT,
                                     std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText + L"\\InprocServer32", L"");
    }
};

TEST_F(NivexCmdRegistration, RegistersAndUnregistersAsToldOrAsTheSettingSaysAndNeverAsks) {
    // No option and no setting: in place, and the file is kept.
    RunResult r = Nivexcmd(L"register " + Quoted(file));
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(r.out, "Registration Successful!\r\ne2e control.ocx was successfully registered in the \"" +
                         WideToUtf8(folder.Text()) + "\\\" directory.\r\n");
    EXPECT_EQ(Server(), file);
    r = Nivexcmd(L"unregister " + Quoted(file));
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_NE(r.out.find("Unregistration Successful!\r\ne2e control.ocx was successfully Unregistered from"),
              std::string::npos);
    EXPECT_TRUE(r.err.empty()) << "asked: " << r.err;
    EXPECT_EQ(Server(), L"");
    EXPECT_TRUE(Exists(file));

    // "UnregisterDelete" 2 deletes the file after the unregistration; --keep overrides it.
    testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, L"UnregisterDelete", L"2");
    ASSERT_EQ(Nivexcmd(L"register " + Quoted(file) + L" --in-place").exitCode, 0u);
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(file) + L" --keep").exitCode, 0u);
    EXPECT_TRUE(Exists(file));
    ASSERT_EQ(Nivexcmd(L"register " + Quoted(file) + L" --in-place").exitCode, 0u);
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(file)).exitCode, 0u);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(Server(), L"");
}

TEST_F(NivexCmdRegistration, ExitCodesTellWhatHappenedAndFailuresSayWhy) {
    RunResult r = Nivexcmd(L"lisst");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("Unknown command"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
    r = Nivexcmd(L"--help");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("nivexcmd register FILE [--copy-to-system | --in-place]"), std::string::npos);

    const std::wstring bad = folder.WriteFile(L"bad.tpl", "[FOOT]\r\n[HEAD]\r\n");
    r = Nivexcmd(L"report --text --template " + Quoted(bad) + L" --out " + Quoted(folder.File(L"r.txt")));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("Invalid Template File"), std::string::npos);
    EXPECT_FALSE(Exists(folder.File(L"r.txt")));
    r = Nivexcmd(L"report --html --out " + Quoted(folder.File(L"r.htm")));
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const std::string html = testing::ReadFileBytes(folder.Path() / L"r.htm");
    EXPECT_NE(html.find("</html>"), std::string::npos);

    const std::wstring noEntry = folder.File(L"plain.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kNoEntryFile).c_str(), noEntry.c_str(), FALSE));
    r = Nivexcmd(L"register " + Quoted(noEntry) + L" --in-place");
    EXPECT_EQ(r.exitCode, 12u);
    EXPECT_EQ(r.err, "Registration Failed!\r\nRegistration of plain.dll failed.\r\nInvalid ActiveX Control\r\n");
    EXPECT_TRUE(r.out.empty());
    const std::wstring failing = folder.File(L"denied.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kFailFile).c_str(), failing.c_str(), FALSE));
    r = Nivexcmd(L"unregister " + Quoted(failing) + L" --delete");
    EXPECT_EQ(r.exitCode, 16u);
    EXPECT_NE(r.err.find("DllUnregisterServer returned error 0x80070005"), std::string::npos) << r.err;
    EXPECT_TRUE(Exists(failing)) << "deleted after a failure";
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(folder.File(L"absent.ocx"))).exitCode, 11u);
}

TEST(NivexCmd, TestPageWritesTheBrowserPageOfACataloguedControlOnlyAndNeverAPieceOfOne) {
    testing::TempFolder folder;
    const std::wstring clsid = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB07}";
    const std::wstring name = L"<Grid> \"@C\" {x} \u00e9";
    const std::wstring base = L"CLSID\\" + clsid;
    testing::SetRegString(HKEY_CLASSES_ROOT, base, L"", name);
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", folder.File(L"grid.ocx"));
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB08}");
    const std::wstring out = folder.File(L"page.htm");
    // Another program has the old page open and lets nobody replace it: the write fails and leaves the old
    // page, and no piece of the new one, behind.
    const std::wstring held = folder.WriteFile(L"held.htm", "old page");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const RunResult written = Nivexcmd(L"testpage " + clsid + L" --out " + Quoted(out));
    const RunResult lower = Nivexcmd(L"testpage " + ToLowerText(clsid) + L" --out " + Quoted(folder.File(L"lower.htm")));
    const RunResult refusedWrite = Nivexcmd(L"testpage " + clsid + L" --out " + Quoted(held));
    const RunResult refused = Nivexcmd(L"testpage {NIVEX-TESTPAGE-ODD} --out " + Quoted(folder.File(L"odd.htm")));
    const RunResult unknown = Nivexcmd(L"testpage {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB09} --out " + Quoted(folder.File(L"x.htm")));
    const RunResult library = Nivexcmd(L"testpage {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB08} --out " + Quoted(folder.File(L"x.htm")));
    const RunResult usage = Nivexcmd(L"testpage " + clsid);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, base.c_str());
    CloseHandle(holder);

    ASSERT_EQ(written.exitCode, 0u) << written.err;
    EXPECT_EQ(testing::ReadFileBytes(out), *BrowserPageBytes(name, clsid));
    EXPECT_EQ(lower.exitCode, 0u) << "class identifiers compare without regard to case, as the registry's keys";
    EXPECT_EQ(testing::ReadFileBytes(folder.File(L"lower.htm")), *BrowserPageBytes(name, clsid));
    EXPECT_EQ(refusedWrite.exitCode, 1u);
    EXPECT_EQ(testing::ReadFileBytes(held), "old page");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3u) << "page.htm, lower.htm and held.htm only";
    EXPECT_EQ(refused.exitCode, 2u) << "an argument that is no class identifier is a usage error";
    EXPECT_NE(refused.err.find("is not a class identifier"), std::string::npos) << refused.err;
    EXPECT_FALSE(Exists(folder.File(L"odd.htm")));
    EXPECT_EQ(unknown.exitCode, 4u);
    EXPECT_NE(unknown.err.find("is not a catalogued control"), std::string::npos) << unknown.err;
    EXPECT_EQ(library.exitCode, 4u) << "a library is no control";
    EXPECT_FALSE(Exists(folder.File(L"x.htm")));
    EXPECT_EQ(usage.exitCode, 2u);
}

} // namespace
} // namespace nivex
