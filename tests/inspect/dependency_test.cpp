// The import reader on the prefix's own DLLs, the loader's search, the registration message of a server
// whose dependency is gone, and nivexcmd deps / compare run as a program.
#include <windows.h>
#include <dbghelp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/inspect_output.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"
#include "inspect/file_compare.h"
#include "registration/reg_engine.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using Strings = std::vector<std::string>;

std::wstring SystemDir() { return WithTrailingBackslash(QuerySystemDirectory()); }

// An independent reading: the file's bytes walked with the Windows headers' structures and the image
// helper library's address translation.
Strings SystemReading(const std::wstring& path, bool delayed) {
    const std::string bytes = testing::ReadFileBytes(path);
    if (bytes.empty()) return {"<not read>"};
    auto* base = const_cast<char*>(bytes.data());
    IMAGE_NT_HEADERS* nt = ImageNtHeader(base);
    if (!nt) return {"<no headers>"};
    const auto at = [&](DWORD rva) { return static_cast<const BYTE*>(ImageRvaToVa(nt, base, rva, nullptr)); };
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[delayed ? IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT : IMAGE_DIRECTORY_ENTRY_IMPORT];
    Strings names;
    if (dir.VirtualAddress == 0) return names;
    const std::size_t size = delayed ? sizeof(IMAGE_DELAYLOAD_DESCRIPTOR) : sizeof(IMAGE_IMPORT_DESCRIPTOR);
    for (DWORD rva = dir.VirtualAddress;; rva += static_cast<DWORD>(size)) {
        const BYTE* entry = at(rva);
        if (!entry) return {"<outside>"};
        DWORD name = 0;
        if (delayed) {
            name = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(entry)->DllNameRVA;
            if (!name) break;
        } else {
            const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(entry);
            if (!d->Name || !d->FirstThunk) break;
            name = d->Name;
        }
        names.emplace_back(reinterpret_cast<const char*>(at(name)));
    }
    return names;
}

Strings ReaderNames(const PeImports& imports, bool delayed) {
    Strings names;
    for (const auto& m : imports.modules)
        if (m.delayed == delayed) names.push_back(m.name);
    return names;
}

TEST(ImportReader, ThePrefixsSystemDllsReadAsTheSystemMapsThem) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((SystemDir() + L"*.dll").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do files.push_back(SystemDir() + data.cFileName);
    while (FindNextFileW(find, &data) && files.size() < 150);
    FindClose(find);
    // Wine builds its own modules without delay-import tables; those are checked on built images natively.
    int withImports = 0, checked = 0;
    for (const std::wstring& file : files) {
        FileSource source(file);
        const PeImports imports = ReadPeImports(source);
        if (!imports.isPe || imports.machine != OwnMachine()) continue;
        ++checked;
        EXPECT_EQ(imports.problem, "") << WideToUtf8(file);
        EXPECT_EQ(ReaderNames(imports, false), SystemReading(file, false)) << WideToUtf8(file);
        EXPECT_EQ(ReaderNames(imports, true), SystemReading(file, true)) << WideToUtf8(file);
        withImports += ReaderNames(imports, false).empty() ? 0 : 1;
    }
    EXPECT_GT(checked, 50);
    EXPECT_GT(withImports, 40);
}

TEST(ImportResolver, OwnFolderThenSystemThenWindowsThenPath) {
    testing::TempFolder own, onPath;
    const std::wstring kernel = SystemDir() + L"kernel32.dll";
    ASSERT_TRUE(CopyFileW(kernel.c_str(), own.File(L"ole32.dll").c_str(), FALSE));
    onPath.WriteFile(L"pathonly.dll", "x");
    SearchFolders folders = SearchFolders::ForFile(own.File(L"server.ocx"));
    folders.path.insert(folders.path.begin(), onPath.Text());
    ImportResolver resolver(folders);
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("OLE32.dll").value_or(L""), own.File(L"OLE32.dll")));
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("kernel32").value_or(L""), SystemDir() + L"kernel32.dll"));
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("PathOnly.dll").value_or(L""), WithTrailingBackslash(onPath.Text()) + L"PathOnly.dll"));
    EXPECT_FALSE(resolver.Resolve("velmora-nowhere.dll"));
    EXPECT_FALSE(resolver.Resolve("*.dll"));
    // Each folder is listed once, however many names are asked for.
    const std::size_t listings = resolver.FolderListings();
    for (const char* name : {"user32.dll", "gdi32.dll", "nowhere1.dll", "nowhere2.dll"}) resolver.Resolve(name);
    EXPECT_EQ(resolver.FolderListings(), listings);

    const ResolvedImport apiSet = resolver.ResolveImport({"api-ms-win-core-synch-l1-2-0.dll", false});
    EXPECT_TRUE(apiSet.apiSet);
    // Named only where the System folder holds a module of that name.
    EXPECT_TRUE(!apiSet.resolved || StartsWithNoCase(*apiSet.resolved, SystemDir()));
    EXPECT_FALSE(IsMissingImport(apiSet));
}

struct DepServer {
    testing::TempFolder folder;
    std::wstring server;
    explicit DepServer(bool withLeaf) {
        for (const wchar_t* name : {L"fixture_depserver.dll", L"fixture_dephelper.dll", L"velmoradep.dll"})
            EXPECT_TRUE(CopyFileW(testing::FixturePath(name).c_str(), folder.File(name).c_str(), FALSE));
        if (!withLeaf) {
            EXPECT_TRUE(DeleteFileW(folder.File(L"velmoradep.dll").c_str()));
        }
        server = folder.File(L"fixture_depserver.dll");
    }
};

TEST(LoadFailure, AServerWhoseDependencyIsGoneNamesItWithTheChain) {
    {
        DepServer complete(true);
        EXPECT_EQ(RegisterServer(complete.server, kModeRegister), RegOutcome::Completed) << "the fixture itself works";
        EXPECT_EQ(ExplainLoadFailure(complete.server), L"");
    }
    DepServer broken(false);
    RegDetail detail;
    EXPECT_EQ(RegisterServer(broken.server, kModeRegister, &detail), RegOutcome::LoadFailed);
    EXPECT_EQ(detail.loadError, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(detail.reason.find(L"\nfixture_depserver.dll needs velmoradep.dll (through fixture_dephelper.dll), "
                                 L"which was not found."),
              std::wstring::npos)
        << WideToUtf8(detail.reason);

    const DependencyReport report = BuildDependencyReport(broken.server);
    ASSERT_FALSE(report.imports.empty());
    EXPECT_EQ(report.machine, OwnMachine());
    const auto helper = std::find_if(report.imports.begin(), report.imports.end(),
                                     [](const ResolvedImport& m) { return m.name == "fixture_dephelper.dll"; });
    ASSERT_NE(helper, report.imports.end());
    EXPECT_TRUE(EqualsNoCase(helper->resolved.value_or(L""), broken.folder.File(L"fixture_dephelper.dll")));
}

TEST(LoadFailure, A32BitServerGoesToThe32BitHelperOrNamesIt) {
    const std::wstring server = testing::FixturePath(L"fixture_x86.dll");
    if (GetFileAttributesW(server.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no 32-bit compiler";
    const std::wstring helper = HelperFolder() + L"\\x86\\nivexcmd.exe";
    const bool present = GetFileAttributesW(helper.c_str()) != INVALID_FILE_ATTRIBUTES;
    RegDetail detail;
    EXPECT_EQ(RegisterServer(server, kModeRegister, &detail), present ? RegOutcome::Completed : RegOutcome::ThreadFailed);
    if (!present) {
        EXPECT_NE(detail.reason.find(helper), std::wstring::npos) << WideToUtf8(detail.reason);
    }
    EXPECT_EQ(BuildDependencyReport(server).machine, kMachineX86);
}

TEST(FileScan, PiecesOfTheFileGiveTheSameNamesAsTheWholeAndAnUnreadableFileNone) {
    testing::TempFolder folder;
    std::string bytes(3 * 1024 * 1024 + 8000, '\x01');
    const std::string names[] = {"ALPHA.DLL", "x_beta.ocx", "gamma.dll"};
    // Names across each piece boundary, split at every position of their window.
    std::size_t at = 0;
    for (std::size_t boundary = 1 << 20; boundary < bytes.size(); boundary += 1 << 20)
        for (std::size_t shift = 0; shift < 12; ++shift) {
            const std::string& n = names[shift % 3];
            at = boundary - shift - 4 + (shift % 5) * 1000;
            bytes.replace(at, n.size(), n);
        }
    bytes.replace(0, 9, "first.dll");
    const std::wstring path = folder.WriteFile(L"big.bin", bytes);
    const auto fromFile = ScanFileForDependencies(path);
    ASSERT_TRUE(fromFile);
    const MentionedNames whole = ScanForDependencies(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ASSERT_EQ(fromFile->dll.size(), whole.dll.size());
    for (std::size_t i = 0; i < whole.dll.size(); ++i) EXPECT_EQ(fromFile->dll[i].name, whole.dll[i].name);
    ASSERT_EQ(fromFile->ocx.size(), whole.ocx.size());
    EXPECT_EQ(whole.dll.front().name, L"first.dll");

    // Locked against reading: nothing, not a failure of the program.
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ScanFileForDependencies(path));
    const auto rows = CompareFiles(L"big.bin", path, L"big.bin", path);
    CloseHandle(lock);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[2].first, L"Unknown");
}

TEST(Compare, RowsOfRealFiles) {
    testing::TempFolder folder;
    const std::wstring a = folder.WriteFile(L"a.ocx", std::string(1500, 'a'));
    const std::wstring b = folder.WriteFile(L"B.OCX", std::string(1700, 'b'));
    const std::wstring c = folder.WriteFile(L"c.ocx", std::string(1100, 'c'));
    const std::wstring d = folder.WriteFile(L"d.ocx", std::string(1400, 'd'));
    auto marks = [](const std::vector<CompareRow>& rows) {
        std::wstring m;
        for (const auto& r : rows) m += r.same ? L'Y' : L'N';
        return m;
    };
    EXPECT_EQ(CompareFiles(L"a.ocx", a, L"b.ocx", b)[1].same, false);
    EXPECT_EQ(CompareFiles(L"c.ocx", c, L"d.ocx", d)[1].same, true);
    EXPECT_EQ(CompareFiles(L"b.ocx", b, L"B.OCX", b)[0].same, true);
    EXPECT_EQ(marks(CompareFiles(L"a.ocx", a, L"a.ocx", a)), L"YYYYYYYY");
    const std::wstring fixture = testing::FixturePath(L"fixture_version_german_first.dll");
    EXPECT_EQ(marks(CompareFiles(L"v.dll", fixture, L"v.dll", fixture)), L"YYYYYYYY");
    // Upper-casing is the system's, not only A to Z.
    EXPECT_EQ(UpperCaseName(L"\u00e9t\u00e9.ocx"), L"\u00c9T\u00c9.OCX");
}

// ---- nivexcmd ----

using CmdRun = testing::RunResult;
CmdRun Nivexcmd(const std::wstring& arguments) { return testing::RunNivexcmd(arguments); }

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(NivexcmdInspect, DepsAndCompareGiveWhatTheWindowsShow) {
    DepServer broken(false);
    const CmdRun json = Nivexcmd(L"deps " + Quoted(broken.server) + L" --json");
    ASSERT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_EQ(Utf8ToWide(json.out), DependencyReportJson(BuildDependencyReport(broken.server)));
    EXPECT_NE(json.out.find("\"machine\": \"x64\""), std::string::npos);
    const CmdRun text = Nivexcmd(L"deps " + Quoted(broken.server));
    EXPECT_EQ(Utf8ToWide(text.out), DependencyReportText(BuildDependencyReport(broken.server)));

    const CmdRun registering = Nivexcmd(L"register " + Quoted(broken.server) + L" --in-place");
    EXPECT_EQ(registering.exitCode, 11u);
    EXPECT_NE(registering.err.find("needs velmoradep.dll (through fixture_dephelper.dll), which was not found"),
              std::string::npos)
        << registering.err;

    const CmdRun missing = Nivexcmd(L"deps " + Quoted(broken.folder.File(L"velmoradep.dll")));
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("velmoradep.dll does not exist!"), std::string::npos) << missing.err;
    EXPECT_EQ(Nivexcmd(L"deps").exitCode, 2u);
    EXPECT_EQ(Nivexcmd(L"compare " + Quoted(broken.server)).exitCode, 2u);
    EXPECT_EQ(Nivexcmd(L"deps a b").exitCode, 2u);

    const std::wstring helper = broken.folder.File(L"fixture_dephelper.dll");
    const CmdRun compare = Nivexcmd(L"compare " + Quoted(broken.server) + L" " + Quoted(helper) + L" --json");
    ASSERT_EQ(compare.exitCode, 0u) << compare.err;
    EXPECT_EQ(Utf8ToWide(compare.out),
              CompareRowsJson(CompareFiles(L"fixture_depserver.dll", broken.server, L"fixture_dephelper.dll", helper)));
    EXPECT_NE(compare.out.find("{\"element\": \"Filename\", \"first\": \"FIXTURE_DEPSERVER.DLL\", \"second\": "
                               "\"FIXTURE_DEPHELPER.DLL\", \"same\": false}"),
              std::string::npos)
        << compare.out;
    const CmdRun gone = Nivexcmd(L"compare " + Quoted(broken.server) + L" " + Quoted(broken.folder.File(L"velmoradep.dll")));
    EXPECT_EQ(gone.exitCode, 1u);
    // A folder is called one, not something that does not exist.
    for (const std::wstring& command : {L"deps " + Quoted(broken.folder.Text()),
                                        L"compare " + Quoted(broken.folder.Text()) + L" " + Quoted(broken.server)}) {
        const CmdRun run = Nivexcmd(command);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_NE(run.err.find("is a folder, not a file."), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace nivex
