// nivexcmd run as a separate program against the test prefix's real registry: what it prints, its exit codes
// and what it changes (a dry run, capture, changes nothing). The operations themselves are tested in the
// registration tests; the tests remove what they add (keys, files and backups). And the programs' manifests.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/reg_file.h"
#include "reports/browser_page.h"
#include "support/registry_sandbox.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using std::filesystem::exists;
using testing::RunResult;

RunResult Nivexcmd(const std::wstring& arguments) { return testing::RunNivexcmd(arguments); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
std::wstring Default(const std::wstring& path) { return testing::GetRegString(HKEY_CLASSES_ROOT, path, L""); }
bool KeyThere(const std::wstring& path) { return testing::RegKeyPresent(HKEY_CLASSES_ROOT, path); }
constexpr size_t npos = std::string::npos;
// The mark of the nodes of this program's own view: a 32-bit program on 64-bit Windows is in the 32-bit view.
std::string OwnMark() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? " (32-bit)" : "";
}

// A control's class key as a server registers it.
void WriteControl(const std::wstring& clsid, const std::wstring& name, const std::wstring& server, const std::wstring& lib) {
    const std::wstring base = L"CLSID\\" + clsid;
    testing::SetRegString(HKEY_CLASSES_ROOT, base, L"", name);
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", server);
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", lib);
}

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

// The default value of HKEY_CLASSES_ROOT\path in a registry view (sam: its flag), empty when absent.
std::wstring ViewDefault(const std::wstring& path, REGSAM sam, bool* found = nullptr) {
    HKEY key = nullptr;
    if (found) *found = false;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | sam, &key) != ERROR_SUCCESS) return {};
    if (found) *found = true;
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return value;
}

TEST(NivexCmd, ListsExactlyTheControlsThePrefixRegistersInEachView) {
    // An independent walk of each view: every class with Control, a non-empty TypeLib and InprocServer32.
    std::map<std::string, std::string> expected; // view|clsid -> view|library id
    BOOL wow64 = FALSE;
    const bool twoViews = sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
    for (const auto& [number, sam] : {std::pair{"64", KEY_WOW64_64KEY}, std::pair{"32", KEY_WOW64_32KEY}}) {
        const std::string view = number;
        if (!twoViews && view == "64") continue;
        HKEY clsid = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ | sam, &clsid), ERROR_SUCCESS);
        wchar_t name[256];
        for (DWORD i = 0, length = 256;
             RegEnumKeyExW(clsid, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = 256) {
            const std::wstring base = std::wstring(L"CLSID\\") + name;
            bool control = false, server = false;
            const std::wstring lib = ViewDefault(base + L"\\TypeLib", sam);
            ViewDefault(base + L"\\Control", sam, &control);
            ViewDefault(base + L"\\InprocServer32", sam, &server);
            if (!lib.empty() && control && server)
                expected[view + "|" + WideToUtf8(name)] = view + "|" + WideToUtf8(lib);
        }
        RegCloseKey(clsid);
    }
    ASSERT_FALSE(expected.empty()) << "the prefix registers no control";

    const RunResult csv = Nivexcmd(L"list --csv");
    ASSERT_EQ(csv.exitCode, 0u) << csv.err;
    std::map<std::string, std::string> listed;
    for (const auto& row : CsvRows(csv.out.substr(csv.out.find('\n') + 1))) {
        ASSERT_EQ(row.size(), 6u);
        listed[row[5] + "|" + row[3]] = row[5] + "|" + row[0];
    }
    EXPECT_EQ(listed, expected);
    EXPECT_NE(Nivexcmd(L"list --json").out.find("\"controls\": " + std::to_string(expected.size()) + ","), std::string::npos);
    EXPECT_NE(Nivexcmd(L"list").out.find(std::to_string(expected.size()) + " Controls in "), std::string::npos);
}

// Controls written straight into the registry. On a platform of major version 5 a server path without a drive is
// looked up in the system folder; testpage writes the page of a catalogued control only, and never a piece of one.
TEST(NivexCmd, PathsWithoutDriveResolveInTheSystemFolderOnVersionFiveAndTestPageWritesOnlyWholePagesOfControls) {
    testing::TempFolder folder;
    const std::wstring nivexcmd = testing::BinFolder() + L"\\nivexcmd.exe", w2k = folder.File(L"nivexw2k.exe");
    ASSERT_TRUE(CopyFileW(nivexcmd.c_str(), w2k.c_str(), FALSE));
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\nivexw2k.exe";
    testing::SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", L"win2k");
    folder.WriteFile(L"relative2k.ocx", std::string(100, 'r'));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    // From C:\windows\system32\ back to the drive root, then down to the scratch folder.
    std::wstring relative;
    for (wchar_t ch : std::wstring(system).substr(3))
        if (ch == L'\\') relative += L"..\\";
    const std::wstring pathId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005002}";
    WriteControl(pathId, L"Relative Path Control", relative + L"..\\" + folder.Text().substr(3) + L"\\relative2k.ocx",
                 L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005003}");
    const RunResult onFive = testing::RunProgram(w2k, L"list --csv", folder.Text());
    const RunResult onSix = testing::RunProgram(nivexcmd, L"list --csv", folder.Text());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + pathId).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults.c_str());
    EXPECT_NE(onFive.out.find("Relative Path Control" + OwnMark() + ",Registered.," + WideToUtf8(pathId)), npos) << onFive.out;
    EXPECT_NE(onSix.out.find("Relative Path Control" + OwnMark() + ",File Not Found!," + WideToUtf8(pathId)), npos) << onSix.out;

    const std::wstring clsid = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB07}";
    const std::wstring lib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB08}", name = L"<Grid> \"@C\" {x} \u00e9";
    WriteControl(clsid, name, folder.File(L"grid.ocx"), lib);
    const auto page = [&](const std::wstring& id, const wchar_t* file) {
        return Nivexcmd(L"testpage " + id + L" --out " + Quoted(folder.File(file)));
    };
    // Another program has the old page open and lets nobody replace it.
    const std::wstring held = folder.WriteFile(L"held.htm", "old page");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const RunResult written = page(clsid, L"page.htm"), lower = page(ToLowerText(clsid), L"lower.htm");
    const RunResult refusedWrite = page(clsid, L"held.htm");
    CloseHandle(holder);
    const RunResult refused = page(L"{NIVEX-TESTPAGE-ODD}", L"odd.htm"), library = page(lib, L"x.htm");
    const RunResult unknown = page(L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB09}", L"x.htm");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());

    ASSERT_EQ(written.exitCode, 0u) << written.err;
    EXPECT_EQ(testing::ReadFileBytes(folder.File(L"page.htm")), *BrowserPageBytes(name, clsid));
    EXPECT_EQ(lower.exitCode, 0u) << "class identifiers compare without regard to case, as the registry's keys";
    EXPECT_EQ(testing::ReadFileBytes(folder.File(L"lower.htm")), *BrowserPageBytes(name, clsid));
    EXPECT_EQ(refusedWrite.exitCode, 1u);
    EXPECT_EQ(testing::ReadFileBytes(held), "old page");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 5) << "no piece of a page left (3 pages and 2 files)";
    EXPECT_EQ(refused.exitCode, 2u) << "an argument that is no class identifier is a usage error";
    EXPECT_NE(refused.err.find("is not a class identifier"), npos) << refused.err;
    EXPECT_EQ(unknown.exitCode, 4u);
    EXPECT_NE(unknown.err.find("is not a catalogued control"), npos) << unknown.err;
    EXPECT_EQ(library.exitCode, 4u) << "a library is no control";
    EXPECT_FALSE(exists(folder.File(L"odd.htm")) || exists(folder.File(L"x.htm")));
}

// The demo server in a scratch folder; whatever registers it is undone afterwards.
class NivexCmdServer : public ::testing::Test {
protected:
    testing::TempFolder folder;
    std::wstring file = folder.File(L"e2e control.ocx");
    const std::wstring gauge = kDemoLibrary.classes[0].clsidText, lib = kDemoLibrary.libIdText;
    std::vector<std::wstring> backups;

    void SetUp() override { ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE)); }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + lib).c_str());
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
        }
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Dialogs", L"UnregisterDelete");
        for (const auto& b : backups) DeleteFileW(b.c_str());
    }
    std::wstring Server() const { return Default(L"CLSID\\" + gauge + L"\\InprocServer32"); }
    // Runs nivexcmd and remembers the backup it names.
    RunResult Run(const std::wstring& arguments) {
        RunResult r = Nivexcmd(arguments);
        if (const size_t at = r.out.find("Backup: "); at != npos)
            backups.push_back(Utf8ToWide(r.out.substr(at + 8, r.out.find("\r\n", at) - at - 8)));
        return r;
    }
    void Register() { ASSERT_EQ(Nivexcmd(L"register " + Quoted(file) + L" --in-place").exitCode, 0u); }
};

TEST_F(NivexCmdServer, RegistersListsAndUnregistersAsToldOrAsTheSettingSaysNeverAsksAndExitCodesSayWhatFailed) {
    // No option and no setting: in place, and the file is kept.
    RunResult r = Nivexcmd(L"register " + Quoted(file));
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(r.out, "Registration Successful!\r\ne2e control.ocx was successfully registered in the \"" +
                         WideToUtf8(folder.Text()) + "\\\" directory.\r\n");
    EXPECT_EQ(Server(), file);
    // Listed (the forms are checked on the whole prefix); --missing lists the tree of missing files.
    const std::string library = WideToUtf8(lib), control = WideToUtf8(gauge);
    EXPECT_NE(Nivexcmd(L"list --csv").out.find(library + ",Velmora Demo Controls" + OwnMark() + ",Registered.," + control + ","), npos);
    EXPECT_NE(Nivexcmd(L"list --missing").out.find(" Missing File(s)\r\n"), npos);
    r = Nivexcmd(L"unregister " + Quoted(file));
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_NE(r.out.find("Unregistration Successful!\r\ne2e control.ocx was successfully Unregistered from"), npos);
    EXPECT_TRUE(r.err.empty()) << "asked: " << r.err;
    EXPECT_EQ(Server(), L"");
    EXPECT_TRUE(exists(file));

    // "UnregisterDelete" 2 deletes the file after the unregistration; --keep overrides it.
    testing::SetRegString(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Dialogs", L"UnregisterDelete", L"2");
    Register();
    EXPECT_EQ(Server(), file);
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(file) + L" --keep").exitCode, 0u);
    EXPECT_TRUE(exists(file));
    Register();
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(file)).exitCode, 0u);
    EXPECT_FALSE(exists(file));

    // Exit codes tell what happened, and failures say why on standard error.
    r = Nivexcmd(L"lisst");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("Unknown command"), npos);
    EXPECT_TRUE(r.out.empty());
    const std::wstring bad = folder.WriteFile(L"bad.tpl", "[FOOT]\r\n[HEAD]\r\n");
    r = Nivexcmd(L"report --text --template " + Quoted(bad) + L" --out " + Quoted(folder.File(L"r.txt")));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("Invalid Template File"), npos);
    EXPECT_FALSE(exists(folder.File(L"r.txt")));
    r = Nivexcmd(L"report --html --out " + Quoted(folder.File(L"r.htm")));
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(testing::ReadFileBytes(folder.File(L"r.htm")).find("</html>"), npos);

    const std::wstring noEntry = folder.File(L"plain.dll"), failing = folder.File(L"denied.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kNoEntryFile).c_str(), noEntry.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kFailFile).c_str(), failing.c_str(), FALSE));
    r = Nivexcmd(L"register " + Quoted(noEntry) + L" --in-place");
    EXPECT_EQ(r.exitCode, 12u);
    EXPECT_EQ(r.err, "Registration Failed!\r\nRegistration of plain.dll failed.\r\nInvalid ActiveX Control\r\n");
    EXPECT_TRUE(r.out.empty());
    r = Nivexcmd(L"unregister " + Quoted(failing) + L" --delete");
    EXPECT_EQ(r.exitCode, 16u);
    EXPECT_NE(r.err.find("DllUnregisterServer returned error 0x80070005"), npos) << r.err;
    EXPECT_TRUE(exists(failing)) << "deleted after a failure";
    EXPECT_EQ(Nivexcmd(L"unregister " + Quoted(folder.File(L"absent.ocx"))).exitCode, 11u);
}

TEST_F(NivexCmdServer, RepairCommandsRemoveRestoreEditAndRelinkAfterABackupAndAFailingRelinkLeavesTheOldRegistration) {
    Register();
    // Identifiers compare without regard to case, as the registry compares them.
    RunResult r = Nivexcmd(L"remove-keys " + ToLowerText(lib));
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("  HKEY_CLASSES_ROOT\\TypeLib\\" + WideToUtf8(lib) + "\r\n  HKEY_CLASSES_ROOT\\CLSID\\" +
                         WideToUtf8(gauge)),
              npos) << r.out;
    EXPECT_EQ(Server(), file) << "without --yes nothing is removed";

    r = Run(L"remove-keys " + lib + L" --yes");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(backups[0].find(L"\\Velmora Software\\Nivex\\Backups\\"), std::wstring::npos);
    EXPECT_NE(r.out.find("Removed HKEY_CLASSES_ROOT\\TypeLib\\" + WideToUtf8(lib)), npos);
    EXPECT_FALSE(KeyThere(L"TypeLib\\" + lib));
    EXPECT_EQ(Server(), L"");
    EXPECT_TRUE(KeyThere(kDemoLibrary.classes[0].progId)) << "only the keys the catalogue names go";
    EXPECT_EQ(Nivexcmd(L"remove-keys " + lib + L" --yes").exitCode, 4u) << "no longer in the catalogue";

    ASSERT_EQ(Nivexcmd(L"restore " + Quoted(backups[0])).exitCode, 0u);
    EXPECT_EQ(Server(), file);
    EXPECT_TRUE(KeyThere(L"TypeLib\\" + lib));
    EXPECT_EQ(Nivexcmd(L"remove-keys TypeLib").exitCode, 2u) << "not an identifier";
    EXPECT_EQ(Nivexcmd(L"restore " + Quoted(folder.File(L"none.reg"))).exitCode, 1u);

    // edit writes one element after a backup and refuses unknown ones.
    r = Run(L"edit " + gauge + L" Version 9.9");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("Before: 1.0\r\nAfter: 9.9\r\nBackup: "), npos) << r.out;
    EXPECT_EQ(Default(L"CLSID\\" + gauge + L"\\Version"), L"9.9");
    ASSERT_EQ(Run(L"edit " + gauge + L" \"Toolbox Bitmap\" \"x.ocx, 3\"").exitCode, 0u);
    EXPECT_EQ(Default(L"CLSID\\" + gauge + L"\\ToolboxBitmap32"), L"x.ocx, 3");
    EXPECT_EQ(Nivexcmd(L"edit {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000C0FF} Version 1").exitCode, 4u);

    // The file moves into a subfolder: the registration now points at nothing.
    std::filesystem::create_directories(folder.Path() / L"moved");
    const std::wstring moved = folder.File(L"moved\\e2e control.ocx");
    ASSERT_TRUE(MoveFileW(file.c_str(), moved.c_str()));
    EXPECT_EQ(Nivexcmd(L"find-file " + gauge + L" --in " + Quoted(folder.Text())).exitCode, 4u) << "not recursive";
    r = Nivexcmd(L"find-file " + gauge + L" --in " + Quoted(folder.Text()) + L" --recursive");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, WideToUtf8(moved) + "\r\n");

    // A mistyped file is refused before anything is deleted or backed up.
    const size_t backupCount = backups.size();
    r = Run(L"relink " + ToLowerText(gauge) + L" " + Quoted(folder.File(L"mistyped.ocx")));
    EXPECT_EQ(r.exitCode, 1u) << r.out << r.err;
    EXPECT_NE(r.err.find("does not exist"), npos) << r.err;
    EXPECT_EQ(backups.size(), backupCount);
    EXPECT_EQ(Server(), file);

    const std::wstring failing = folder.File(L"failing.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kFailFile).c_str(), failing.c_str(), FALSE));
    r = Run(L"relink " + gauge + L" " + Quoted(failing) + L" --in-place");
    EXPECT_EQ(r.exitCode, 16u) << r.out << r.err;
    EXPECT_NE(r.err.find("put the old registration back"), npos) << r.err;
    EXPECT_EQ(Server(), file);
    r = Run(L"relink " + gauge + L" " + Quoted(moved) + L" --in-place");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(Server(), moved);
    EXPECT_EQ(Nivexcmd(L"relink {6E1C0A55-0D2B-4A7E-9C1F-2B2B0000C0FF} " + Quoted(moved)).exitCode, 4u);
}

TEST(NivexCmdCapture, ListsWhatRegisteringWouldWriteAndExportsItWithoutRegistering) {
    testing::TempFolder folder;
    const std::wstring server = testing::FixturePath(kDemoLibrary.fileName);
    const std::wstring classKey = std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText;
    const std::wstring reg = folder.File(L"out.reg");
    const testing::RunResult json = Nivexcmd(L"capture " + Quoted(server) + L" --json --reg " + Quoted(reg));
    EXPECT_EQ(json.exitCode, 0u) << json.err;
    const std::string view = sizeof(void*) == 8 ? "\"view\": \"64-bit\"" : "\"view\": \"32-bit\"";
    EXPECT_NE(json.out.find(view), std::string::npos) << json.out;
    const std::string inproc = WideToUtf8(L"HKEY_CLASSES_ROOT\\\\CLSID\\\\" + std::wstring(kDemoLibrary.classes[0].clsidText) +
                                          L"\\\\InprocServer32\", \"mark\": \"new\"");
    EXPECT_NE(json.out.find(inproc), std::string::npos) << json.out;
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, classKey)) << "a dry run registered the server";

    const std::string bytes = testing::ReadFileBytes(reg);
    const RegFileParse parsed = ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(parsed.error, L"");
    EXPECT_TRUE(std::any_of(parsed.keys.begin(), parsed.keys.end(), [&](const RegFileKey& k) {
        return EqualsNoCase(k.path, L"HKEY_CLASSES_ROOT\\" + classKey + L"\\InprocServer32") && !k.values.empty() &&
               k.values[0].name.empty();
    }));
    EXPECT_EQ(Nivexcmd(L"capture").exitCode, 2u);
}

TEST(NivexCmdCapture, AServerThatCrashesOrOverflowsItsStackIsAFailureWithItsException) {
    testing::TempFolder folder;
    const std::wstring reg = folder.File(L"never.reg");
    using Case = std::tuple<std::wstring, const wchar_t*, const char*>;
    for (const auto& [command, fixture, exception] :
         {Case{L"register", fixtures::kOverflowFile, "exception 0xC00000FD (stack overflow) in DllRegisterServer"},
          Case{L"unregister", fixtures::kCrashFile, "exception 0xC0000005 (access violation) in DllUnregisterServer"},
          Case{L"capture --reg " + Quoted(reg), fixtures::kCrashFile,
               "exception 0xC0000005 (access violation) in DllRegisterServer"}}) {
        const RunResult run = Nivexcmd(command + L" " + Quoted(testing::FixturePath(fixture)));
        EXPECT_EQ(run.exitCode, 17u) << WideToUtf8(command) << ": " << run.out << run.err;
        EXPECT_NE(run.err.find(exception), npos) << run.err;
        EXPECT_EQ(run.out.find("Successful"), npos) << run.out;
        EXPECT_FALSE(exists(reg));
    }
}

// The architecture of this build, and asInvoker, without which 32-bit Windows runs a program under file
// virtualisation (its writes to Program Files land elsewhere).
TEST(ProgramManifests, NameThisBuildsArchitectureAndRunAsInvoker) {
    const std::string architecture = sizeof(void*) == 8 ? "\"amd64\"" : "\"x86\"";
    for (const wchar_t* program : {L"nivex.exe", L"nivexcmd.exe", L"faultnote.exe"}) {
        HMODULE image = LoadLibraryExW((testing::BinFolder() + L"\\" + program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC found = image ? FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr; // RT_MANIFEST
        const std::string manifest = found ? std::string(static_cast<const char*>(LockResource(LoadResource(image, found))),
                                                         SizeofResource(image, found))
                                           : std::string();
        if (image) FreeLibrary(image);
        EXPECT_NE(manifest.find("processorArchitecture=" + architecture), std::string::npos) << WideToUtf8(program);
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << WideToUtf8(program);
    }
}


} // namespace
} // namespace nivex
