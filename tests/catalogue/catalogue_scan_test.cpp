// The registry scan and AddControlsForFile over a sandboxed HKEY_CLASSES_ROOT. Then both registry views for real,
// in the 64-bit prefix of views_e2e.sh. That script registered the demo fixture server twice: the x64 build with
// the 64-bit regsvr32 from C:\nivex-views\x64, the x86 build with the system's 32-bit regsvr32 from
// C:\nivex-views\x86. Those cases are skipped anywhere else.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "catalogue/catalogue_scan.h"
#include "catalogue/details_loader.h"
#include "common/desktop.h"
#include "common/paths.h"
#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/registration_commands.h"
#include "support/registry_sandbox.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::SetRegString;

// Registers a class the way a control server does; empty parts are left out.
void RegisterClass(const std::wstring& clsid, const std::wstring& name, const std::wstring& server,
                   const std::wstring& typeLib, const std::wstring& version, bool control = true,
                   DWORD serverType = REG_SZ) {
    const std::wstring base = L"CLSID\\" + clsid;
    SetRegString(HKEY_CLASSES_ROOT, base, L"", name);
    if (control) SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    if (!server.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", server, serverType);
    if (!typeLib.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", typeLib);
    if (!version.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\Version", L"", version);
}

// "started N", then the last index of as many classes as were done, then "finished".
struct CountingObserver : ScanObserver {
    void ScanStarted(int count) override { seen = L"started " + std::to_wstring(count); }
    void ClassDone(int index, const std::wstring&) override { ++done, last = index; }
    void ScanFinished() override {
        seen += L", " + std::to_wstring(last) + L" of " + std::to_wstring(done) + L", finished";
    }
    std::wstring seen;
    int done = 0, last = 0;
};

class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        real = folder.WriteFile(L"Real.ocx", std::string(1536, 'x'));
        catalogue.SetErrorSink([this](const std::wstring& p, const std::wstring& t, long n, const std::wstring& d) {
            errors.push_back(p + L"|" + t + L"|" + std::to_wstring(n) + L"|" + d);
        });
    }
    ~ScanTest() override {
        SetOsIsMajor5(false);
        SetSystemFolder(L"");
    }
    std::vector<std::wstring> ControlKeys(int treeIndex) {
        std::vector<std::wstring> keys;
        const CatalogueTree& tree = catalogue.Tree(treeIndex);
        for (int root : tree.Roots())
            for (int child : tree.Children(root))
                keys.push_back(tree.Node(child).key);
        return keys;
    }
    const CatalogueNode& Node(const wchar_t* key) {
        return catalogue.Tree(Catalogue::kAll).Node(catalogue.FindNodeByKey(key));
    }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    std::wstring real;
    Catalogue catalogue;
    std::vector<std::wstring> errors;
};

TEST_F(ScanTest, KeepsOnlyInProcessControlsWithATypeLibraryAsksEachLibraryNameWithItsOwnVersionAndAddsAFilesNewOnes) {
    SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\{LIB-1}\\1.0", L"", L"Library One");
    RegisterClass(L"{A1}", L"Alpha", real, L"{LIB-1}", L"1.0");
    RegisterClass(L"{B1}", L"NotAControl", real, L"{LIB-1}", L"1.0", false);
    RegisterClass(L"{C1}", L"NoTypeLib", real, L"", L"1.0");
    RegisterClass(L"{D1}", L"EmptyTypeLib", real, L"", L"");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{D1}\\TypeLib", L"", L"");
    RegisterClass(L"{E1}", L"OutOfProcess", L"", L"{LIB-1}", L"1.0");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{E1}\\LocalServer32", L"", real);
    RegisterClass(L"{F1}", L"Beta", real, L"{LIB-1}", L"");
    RegisterClass(L"{G1}", L"Gone", folder.File(L"missing.ocx"), L"{LIB-2}", L"");
    // Every value is decoded as by every other reader: a number names its library.
    RegisterClass(L"{H1}", L"Numeric", real, L"", L"");
    testing::SetRegDword(HKEY_CLASSES_ROOT, L"CLSID\\{H1}\\TypeLib", L"", 7);
    std::vector<std::wstring> asked;
    catalogue.SetLibraryNameLookup([&](const std::wstring& id, const std::wstring& version) {
        asked.push_back(id + L"|" + version);
        return GetLibraryName(id, version);
    });

    CountingObserver observer;
    PopulateList(catalogue, &observer);
    EXPECT_EQ(ControlKeys(Catalogue::kAll), (std::vector<std::wstring>{L"{A1}", L"{F1}", L"{G1}", L"{H1}"}));
    EXPECT_EQ(ControlKeys(Catalogue::kMissing), std::vector<std::wstring>{L"{G1}"});
    // A version never leaks from one class into the next.
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"{LIB-1}|1.0", L"{LIB-2}|", L"7|"}));
    EXPECT_EQ(Node(L"{LIB-1}").text + L"|" + Node(L"{LIB-1}").tag, L"Library One|Registered.");
    EXPECT_EQ(Node(L"{LIB-2}").text, L"Gone"); // no TypeLib entry: the control's name
    EXPECT_EQ(Node(L"7").text, L"Numeric");
    EXPECT_EQ(catalogue.CountsText() + L", " + catalogue.CountsText(Catalogue::kMissing),
              L"4 Controls in 3 Libraries, 1 Missing File(s)");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(observer.seen, L"started 8, 8 of 8, finished");
    PopulateList(catalogue); // a full scan replaces the trees and counters
    EXPECT_EQ(catalogue.CountsText(), L"4 Controls in 3 Libraries");
    EXPECT_EQ(catalogue.Tree(Catalogue::kAll).Count(), 7);

    // AddControlsForFile adds only that file's new classes.
    RegisterClass(L"{I1}", L"Iota", real, L"{LIB-1}", L"1.0");
    RegisterClass(L"{J1}", L"Other", folder.WriteFile(L"other.ocx", "o"), L"{LIB-3}", L"1.0");
    AddControlsForFile(catalogue, ToUpperText(real));
    EXPECT_EQ(ControlKeys(Catalogue::kAll), (std::vector<std::wstring>{L"{A1}", L"{F1}", L"{I1}", L"{G1}", L"{H1}"}));
    EXPECT_EQ(catalogue.CountsText(), L"5 Controls in 3 Libraries");
    EXPECT_TRUE(errors.empty());
    // A catalogued class registered again by another file keeps its node, which names the new file.
    const std::wstring moved = folder.WriteFile(L"moved.ocx", "m");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{A1}\\InprocServer32", L"", moved);
    AddControlsForFile(catalogue, moved);
    EXPECT_EQ(catalogue.controls, 5);
    EXPECT_EQ(Node(L"{A1}").serverPath, moved);
}

TEST_F(ScanTest, ServerPathsAreExpandedHiddenFilesMissingAndDrivelessOnesInTheSystemFolderOnlyOnVersionFive) {
    SetEnvironmentVariableW(L"NIVEX_SCAN_TEST", folder.Text().c_str());
    RegisterClass(L"{A1}", L"Expanded", L"%NIVEX_SCAN_TEST%\\Real.ocx", L"{LIB-1}", L"", true, REG_EXPAND_SZ);
    const std::wstring hidden = folder.WriteFile(L"Hidden.ocx", "h");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    RegisterClass(L"{B1}", L"Hidden", hidden, L"{LIB-2}", L"");
    RegisterClass(L"{C1}", L"Relative", L"Real.ocx", L"{LIB-3}", L"");
    SetSystemFolder(folder.Text());
    for (const bool major5 : {true, false}) {
        SetOsIsMajor5(major5);
        PopulateList(catalogue);
        EXPECT_EQ(Node(L"{LIB-1}").tag + L" " + Node(L"{LIB-2}").tag + L" " + Node(L"{LIB-3}").tag,
                  std::wstring(L"Registered. File Not Found! ") + (major5 ? L"Registered." : L"File Not Found!"));
    }
}

// ------------------------------------------------------------------ both registry views for real

using fixtures::kDemoLibrary;
namespace fs = std::filesystem;
constexpr RegistryView k64 = RegistryView::Bits64;
constexpr RegistryView k32 = RegistryView::Bits32;
const std::wstring kServer64 = L"C:\\nivex-views\\x64\\fixture_control.ocx";
const std::wstring kServer32 = L"C:\\nivex-views\\x86\\fixture_control.ocx";
const std::wstring kGauge = kDemoLibrary.classes[0].clsidText;

// A folder of the host, as the prefix's Z: drive shows it.
std::wstring HostFolder(const char* variable) {
    std::wstring text = L"Z:" + Utf8ToWide(std::getenv(variable) ? std::getenv(variable) : "");
    std::replace(text.begin(), text.end(), L'/', L'\\');
    return text;
}

testing::RunResult Nivexcmd(bool x86, const std::wstring& arguments) {
    const std::wstring bin = x86 ? HostFolder("NIVEX_X86_BIN_DIR") : testing::BinFolder();
    return testing::RunProgram(bin + L"\\nivexcmd.exe", arguments);
}

// "view|control key" -> "library status|library text" of a `nivexcmd list --csv` (the fixtures' names hold no
// comma or quote).
std::map<std::string, std::string> Listed(bool x86, const std::wstring& arguments = L"list --csv") {
    const testing::RunResult list = Nivexcmd(x86, arguments);
    EXPECT_EQ(list.exitCode, 0u) << list.err;
    std::map<std::string, std::string> rows;
    std::istringstream lines(list.out);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line.substr(0, line.find('\r')));
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        if (f.size() == 6) rows[f[5] + "|" + f[3]] = f[2] + "|" + f[1];
    }
    return rows;
}

std::wstring Folder(UINT(WINAPI* query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH];
    const UINT length = query(buffer, MAX_PATH);
    return std::wstring(buffer, length) + L"\\";
}

// A control class written straight into one view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
void RegisterIn(REGSAM view, const std::wstring& clsid, const std::wstring& server, DWORD type = REG_SZ) {
    HKEY cls = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, &cls, nullptr),
              ERROR_SUCCESS);
    const std::pair<const wchar_t*, std::wstring> subkeys[] = {{L"Control", L""}, {L"TypeLib", clsid + L"L"}};
    for (const auto& [name, value] : subkeys)
        RegSetKeyValueW(cls, name, nullptr, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
    RegSetKeyValueW(cls, L"InprocServer32", nullptr, type, server.c_str(), static_cast<DWORD>((server.size() + 1) * 2));
    RegCloseKey(cls);
}

void DeleteClass(REGSAM view, const std::wstring& clsid) {
    HKEY classes = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS | view, &classes) != ERROR_SUCCESS) return;
    RegDeleteTreeW(classes, clsid.c_str());
    RegCloseKey(classes);
}

class RealViews : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("NIVEX_VIEWS_E2E") || OwnView() != k64) GTEST_SKIP() << "runs in views_e2e.sh (x64)";
    }
};

// Listed by both programs with each view's own file and state, filtered by view; a class of both views needs one.
TEST_F(RealViews, BothProgramsListBothViewsWithTheirFilesAndStatesFilterThemAndAskWhichOne) {
    Catalogue catalogue;
    PopulateList(catalogue);
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    for (const auto& [view, server] : {std::pair{k64, kServer64}, std::pair{k32, kServer32}}) {
        const int node = all.FindByKey(kGauge, view);
        ASSERT_NE(node, 0) << ViewNumber(view);
        EXPECT_TRUE(EqualsNoCase(all.Node(node).serverPath, server)) << all.Node(node).serverPath;
        EXPECT_EQ(all.Node(all.Node(node).parent).tag, kStatusRegistered);
    }
    const std::string name = WideToUtf8(kDemoLibrary.name), gauge = WideToUtf8(kGauge);
    auto expectStates = [&](const std::string& state32) {
        for (bool x86 : {false, true}) {
            auto rows = Listed(x86);
            EXPECT_EQ(rows["64|" + gauge] + " / " + rows["32|" + gauge],
                      "Registered.|" + name + " / " + state32 + "|" + name + " (32-bit)") << x86;
        }
    };
    expectStates("Registered.");
    // The same class in both views, the 32-bit file gone: only the 32-bit library is missing.
    const std::wstring away = kServer32 + L".away";
    ASSERT_TRUE(MoveFileW(kServer32.c_str(), away.c_str()));
    expectStates("File Not Found!");
    ASSERT_TRUE(MoveFileW(away.c_str(), kServer32.c_str()));

    const auto only32 = Listed(false, L"list --csv --view 32");
    EXPECT_TRUE(only32.count("32|" + gauge));
    for (const auto& [key, row] : only32)
        EXPECT_EQ(key.substr(0, 3), "32|") << key;
    testing::TempFolder folder;
    const std::wstring page = folder.File(L"page.htm");
    const testing::RunResult ambiguous = Nivexcmd(false, L"testpage " + kGauge + L" --out \"" + page + L"\"");
    EXPECT_EQ(ambiguous.exitCode, 2u);
    EXPECT_NE(ambiguous.err.find("--view 32  Velmora Demo Gauge (32-bit)\r\n"), std::string::npos) << ambiguous.err;
    EXPECT_FALSE(fs::exists(page));
    const testing::RunResult chosen = Nivexcmd(true, L"testpage " + kGauge + L" --out \"" + page + L"\" --view 32");
    EXPECT_EQ(chosen.exitCode, 0u) << chosen.err;
    EXPECT_TRUE(fs::exists(page));
}

// System32, Program Files and the imports' folders are those of the server's own process.
TEST_F(RealViews, System32ProgramFilesAndImportsAreThoseOfTheServersOwnProcess) {
    const std::wstring in32 = L"{4E1D0000-0000-4000-8000-000000000032}",
                       in64 = L"{4E1D0000-0000-4000-8000-000000000064}",
                       programFiles = L"{4E1D0000-0000-4000-8000-0000000000F1}";
    wchar_t x86Files[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"ProgramFiles(x86)", x86Files, MAX_PATH), 0u);
    const std::wstring wow64 = Folder(GetSystemWow64DirectoryW);
    const fs::path onlyInWow64 = wow64 + L"nivexviews_wow.ocx", pfFile = fs::path(x86Files) / L"NivexViews" / L"pf.ocx";
    fs::create_directories(pfFile.parent_path());
    for (const fs::path& file : {onlyInWow64, pfFile})
        std::ofstream(file, std::ios::binary) << "x";
    const std::wstring inSystem32 = Folder(GetSystemDirectoryW) + L"nivexviews_wow.ocx";
    RegisterIn(KEY_WOW64_32KEY, in32, inSystem32);
    RegisterIn(KEY_WOW64_64KEY, in64, inSystem32);
    RegisterIn(KEY_WOW64_32KEY, programFiles, L"%ProgramFiles%\\NivexViews\\pf.ocx", REG_EXPAND_SZ);
    for (bool x86 : {false, true}) {
        auto rows = Listed(x86);
        const auto status = [&](const char* view, const std::wstring& id) {
            const std::string& row = rows[view + WideToUtf8(id)];
            return row.substr(0, row.find('|'));
        };
        // Found in SysWOW64, not in System32, and in the x86 Program Files.
        EXPECT_EQ(status("32|", in32) + " " + status("64|", in64) + " " + status("32|", programFiles),
                  "Registered. File Not Found! Registered.") << x86;
    }
    for (const auto& [view, id] :
         {std::pair{KEY_WOW64_32KEY, in32}, {KEY_WOW64_64KEY, in64}, {KEY_WOW64_32KEY, programFiles}})
        DeleteClass(view, id);
    fs::remove(onlyInWow64);
    fs::remove_all(pfFile.parent_path());

    const std::wstring x86Fixtures = HostFolder("NIVEX_X86_FIXTURE_DIR");
    testing::TempFolder folder;
    const std::wstring server = folder.File(L"fixture_depserver.dll");
    ASSERT_TRUE(CopyFileW((x86Fixtures + L"\\fixture_depserver.dll").c_str(), server.c_str(), FALSE));
    for (const wchar_t* name : {L"fixture_dephelper.dll", L"velmoradep.dll"})
        ASSERT_TRUE(CopyFileW((x86Fixtures + L"\\" + name).c_str(), (wow64 + name).c_str(), FALSE));
    const testing::RunResult deps = Nivexcmd(false, L"deps \"" + server + L"\" --json");
    EXPECT_EQ(deps.exitCode, 0u) << deps.err;
    EXPECT_NE(ToLowerText(Utf8ToWide(deps.out)).find(L"\\\\syswow64\\\\fixture_dephelper.dll\""), std::wstring::npos)
        << deps.out;
    for (const wchar_t* name : {L"fixture_dephelper.dll", L"velmoradep.dll"})
        DeleteFileW((wow64 + name).c_str());
}

// What a registration leaves is looked for in the view of the server's machine type, from either program.
TEST_F(RealViews, ControlsOfARegisteredFileAreFoundInTheViewOfItsMachineType) {
    Catalogue catalogue;
    catalogue.SetErrorSink(
        [](const std::wstring&, const std::wstring&, long, const std::wstring& d) { ADD_FAILURE() << WideToUtf8(d); });
    AddControlsForFile(catalogue, kServer32);
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int gauge32 = all.FindByKey(kGauge, k32);
    ASSERT_NE(gauge32, 0);
    EXPECT_EQ(all.FindByKey(kGauge, k64), 0);
    EXPECT_EQ(all.Node(gauge32).text, std::wstring(kDemoLibrary.classes[0].name) + L" (32-bit)");
    EXPECT_EQ(catalogue.controls, 2);
    AddControlsForFile(catalogue, kServer64);
    EXPECT_NE(all.FindByKey(kGauge, k64), 0);
    EXPECT_EQ(catalogue.controls, 4);
    // The tray's Unregister takes the file's own view only.
    for (int node : ControlsServedBy(catalogue, kServer32))
        EXPECT_EQ(all.Node(node).view, k32);
    EXPECT_EQ(ControlsServedBy(catalogue, kServer32).size(), 2u);

    int node = gauge32;
    const ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr, TheDesktop());
    const SelectedControl& chosen = details.selection;
    EXPECT_EQ(std::tuple(details.complete, chosen.view, ToLowerText(chosen.resolvedPath), chosen.missing),
              std::tuple(true, k32, ToLowerText(kServer32), false));
}

} // namespace
} // namespace nivex
