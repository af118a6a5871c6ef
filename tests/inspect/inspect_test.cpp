// Inspection against real files and fixture servers, and nivexcmd deps / compare run as a program.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "cli/inspect_output.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"
#include "inspect/file_compare.h"
#include "inspect/file_facts.h"
#include "registration/reg_engine.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

std::wstring Fixture(const std::wstring& variant) { return testing::FixturePath(L"fixture_version_" + variant + L".dll"); }

// Version texts, dates, the one-open read against the single facts, sizes, existence, scanning and comparing.
TEST(FileFacts, VersionTextDatesTheOneOpenReadSizesExistenceTheScanInPiecesAndTheComparisonOfRealFiles) {
    using namespace std::string_literals;
    testing::TempFolder folder;
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> versions[] = {
        {L"german_first", L"FileDescription", L"English description"}, // U.S. English wherever it is listed
        {L"no_translation", L"FileDescription", L"Neutral code page"},
        {L"empty_field", L"filedescription", L"Has empty fields"}, // names without regard to case
        {L"empty_field", L"Comments", L"N/A"},                     // present but empty
        {L"none", L"FileDescription", L""},
        {L"oversized", L"FileDescription", L"Before the cap"}, // a resource past the cap is read up to it
        {L"oversized", L"LegalCopyright", L"N/A"},
    };
    for (const auto& [variant, field, text] : versions) EXPECT_EQ(GetFileVersionField(Fixture(variant), field), text) << WideToUtf8(variant);
    const std::wstring dated = folder.WriteFile(L"dated.ocx", "d");
    // Noon UTC stays on the same calendar day in every time zone but the farthest.
    const SYSTEMTIME accessed{1999, 12, 6, 25, 12, 0, 0, 0}, written{2002, 3, 4, 7, 12, 0, 0, 0};
    FILETIME access{}, write{};
    FileHandle file(CreateFileW(dated.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SystemTimeToFileTime(&accessed, &access) && SystemTimeToFileTime(&written, &write));
    ASSERT_TRUE(file && SetFileTime(file.Get(), nullptr, &access, &write));
    file.Reset();
    // Any other name chooses no time, so the last-write date stands in.
    for (const wchar_t* which : {L"access", L"modify", L"Create", L"ACCESS", L"modify ", L""})
        EXPECT_EQ(GetFileDate(dated, which), which == std::wstring(L"access") ? L"12/25/1999" : L"03/07/2002") << WideToUtf8(which);
    for (const std::wstring& other : {folder.Text(), folder.File(L"missing.txt"), std::wstring()})
        EXPECT_EQ(GetFileDate(other, L"modify"), L"Unknown") << WideToUtf8(other);

    const std::vector<std::wstring> fields = {L"FileDescription", L"FileVersion", L"LegalCopyright", L"Comments"};
    std::vector<std::wstring> files = {dated, folder.WriteFile(L"plain.ocx", std::string(3000, 'x')), folder.WriteFile(L"short.ocx", "M"),
                                       folder.WriteFile(L"headless.ocx", "MZ not really an image")};
    for (const wchar_t* variant : {L"german_first", L"german_only", L"no_translation", L"empty_field", L"odd_translation", L"none", L"oversized"})
        files.push_back(Fixture(variant));
    // A file open for writing: no dates, even where the listing has them, but its version text is still read.
    files.push_back(folder.File(L"locked.dll"));
    ASSERT_TRUE(CopyFileW(Fixture(L"german_first").c_str(), files.back().c_str(), FALSE));
    FileHandle writer(CreateFileW(files.back().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(GetFileDate(files.back(), L"modify") + GetFileVersionField(files.back(), L"FileDescription"), L"UnknownEnglish description");
    for (const std::wstring& path : files) {
        for (const bool fromListing : {true, false}) {
            // Reading a file's bytes moves its access time: what to expect is taken right before.
            ListedFile listed;
            ASSERT_TRUE(FileExistenceCache().IsOrdinaryFile(path, &listed)) << WideToUtf8(path);
            std::wstring expected = GetFileDate(path, L"create") + L"|" + GetFileDate(path, L"access") + L"|" + GetFileDate(path, L"modify");
            const FileReportFacts facts = ReadFileReportFacts(path, fields, fromListing ? &listed : nullptr);
            std::wstring read = facts.dates.created + L"|" + facts.dates.accessed + L"|" + facts.dates.modified;
            for (size_t i = 0; i < fields.size(); ++i) expected += L"|" + GetFileVersionField(path, fields[i]);
            for (const std::wstring& field : facts.fields) read += L"|" + field;
            EXPECT_EQ(read, expected) << WideToUtf8(path);
        }
    }
    // Kilobytes round half to even (tested natively; the details panel shows a real file's); no length is error 53.
    for (const std::wstring& path : {folder.File(L"missing.bin"), folder.Text(), folder.File(L"*.ocx"), L""s}) {
        try {
            ADD_FAILURE() << WideToUtf8(path) << ": " << WideToUtf8(FileSizeText(path));
        } catch (const Error& e) {
            EXPECT_EQ(std::to_wstring(e.Number()) + L" " + e.Description(), L"53 File not found") << WideToUtf8(path);
        }
    }
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"Sub").c_str(), nullptr) && CreateDirectoryW(folder.File(L"Hidden Sub").c_str(), nullptr));
    // Hidden and system files with a version resource, which is not read either.
    for (const wchar_t* name : {L"hidden.dll", L"system.dll"}) ASSERT_TRUE(CopyFileW(Fixture(L"german_first").c_str(), folder.File(name).c_str(), FALSE));
    for (const auto& [name, bytes] : {std::pair{L"Normal.dll", 1000}, {L"readonly.dll", 1500}, {L"hiddenro.dll", 10},
                                      {L"A long server name.ocx", 4000}, {L"Sub\\inner.dll", 5000}})
        folder.WriteFile(name, std::string(bytes, 'b'));
    for (const auto& [name, attributes] : {std::pair{L"Hidden Sub", FILE_ATTRIBUTE_HIDDEN}, {L"hidden.dll", FILE_ATTRIBUTE_HIDDEN},
                                           {L"system.dll", FILE_ATTRIBUTE_SYSTEM}, {L"readonly.dll", FILE_ATTRIBUTE_READONLY},
                                           {L"hiddenro.dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY}})
        ASSERT_TRUE(SetFileAttributesW(folder.File(name).c_str(), attributes));
    FileExistenceCache cache;
    const auto check = [&](const std::wstring& path) {
        std::uint64_t cachedLength = 0, searchedLength = 0;
        const bool cached = cache.IsOrdinaryFile(path, &cachedLength);
        EXPECT_EQ(cached, OrdinaryFileExists(path, &searchedLength)) << WideToUtf8(path);
        EXPECT_EQ(cachedLength, searchedLength) << WideToUtf8(path);
        return cached;
    };
    for (const wchar_t* name :
         {L"NORMAL.DLL", L"normal.dll", L"ReadOnly.DLL", L"a LONG server NAME.OCX", L"sub\\INNER.dll", L"Normal.dll.", L"Sub\\..\\Normal.dll"})
        EXPECT_TRUE(check(folder.File(name))) << WideToUtf8(name);
    for (const wchar_t* name :
         {L"HIDDEN.DLL", L"system.dll", L"hiddenro.dll", L"Sub", L"Sub\\", L"Hidden Sub", L"missing.dll", L"Normal.dl",
          L"Normal.dll.bak", L"No Such Folder\\Normal.dll", L"Normal.dll\\inner.dll", L"Hidden Sub\\anything.dll",
          L"Normal.dl?", L"Norm*.dll", L"*", L"Su?\\inner.dll", L"Normal<"})
        EXPECT_FALSE(check(folder.File(name))) << WideToUtf8(name);
    for (const wchar_t* name : {L"hidden.dll", L"system.dll"}) EXPECT_EQ(GetFileVersionField(folder.File(name), L"FileDescription"), L"");
    // Relative paths resolve as the directory search resolves them.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path() / L"Sub");
    EXPECT_TRUE(check(L"inner.dll") && check(L"..\\Normal.dll"));
    std::filesystem::current_path(previous);

    // A file made after its folder was listed is seen after Clear (how often folders are listed: the benchmarks).
    FileExistenceCache fresh;
    EXPECT_FALSE(fresh.IsOrdinaryFile(folder.File(L"later.dll")));
    folder.WriteFile(L"later.dll", "x");
    fresh.Clear();
    EXPECT_TRUE(fresh.IsOrdinaryFile(folder.File(L"later.dll")));
    std::string bytes(3 * 1024 * 1024 + 8000, '\x01');
    // Names in the first and the last piece and across a boundary (the scan is tested natively in pieces of every size).
    bytes.replace(0, 9, "first.dll");
    bytes.replace((2 << 20) - 4, 10, "x_beta.ocx");
    bytes.replace(bytes.size() - 9, 9, "GAMMA.DLL");
    const std::wstring big = folder.WriteFile(L"big.bin", bytes);
    const auto shown = [](const std::optional<MentionedNames>& found) {
        std::wstring text = found ? L"" : L"<none>";
        const MentionedNames names = found.value_or(MentionedNames{});
        for (const auto* list : {&names.dll, &names.ocx}) for (const auto& name : *list) text += name.name + L" ";
        return text;
    };
    const std::wstring whole = shown(ScanForDependencies(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(shown(ScanFileForDependencies(big)), whole);
    FileHandle appender(CreateFileW(big.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(shown(ScanFileForDependencies(big)), whole) << "read in pieces while another program writes it";
    appender.Reset();
    // Locked against reading: no names, and dates the comparison cannot read.
    HANDLE lock = CreateFileW(big.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(shown(ScanFileForDependencies(big)), L"<none>");
    EXPECT_EQ(CompareFiles(L"big.bin", big, L"big.bin", big).at(2).first, L"Unknown");
    CloseHandle(lock);

    const std::wstring fixture = testing::FixturePath(L"fixture_version_german_first.dll");
    const auto sized = [&](const wchar_t* name, int size) { return folder.WriteFile(name, std::string(size, 'a')); };
    const std::tuple<std::wstring, std::wstring, std::wstring, std::wstring, std::wstring> compared[] = {
        {L"c.ocx", sized(L"c.ocx", 1100), L"d.ocx", sized(L"d.ocx", 1400), L"NY"},
        {L"b.ocx", sized(L"B.OCX", 1700), L"B.OCX", folder.File(L"B.OCX"), L"YYYYYYYY"},
        {L"v.dll", fixture, L"v.dll", fixture, L"YYYYYYYY"},
    };
    for (const auto& [firstName, first, secondName, second, expected] : compared) {
        std::wstring marks;
        for (const auto& row : CompareFiles(firstName, first, secondName, second)) marks += row.same ? L'Y' : L'N';
        EXPECT_EQ(marks.substr(0, expected.size()), expected) << WideToUtf8(firstName);
    }
    EXPECT_EQ(UpperCaseName(L"\u00e9t\u00e9.ocx"), L"\u00c9T\u00c9.OCX") << "the system's upper case, not only A to Z";
    // Past 4 GB: a Linux file system makes the hole on its own.
    const std::wstring path = folder.File(L"sparse.bin");
    LARGE_INTEGER end{};
    end.QuadPart = 5ll * 1024 * 1024 * 1024 + 1536;
    FileHandle sparse(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (!SetFilePointerEx(sparse.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(sparse.Get())) GTEST_SKIP() << "no room for 5 GB";
    sparse.Reset();
    std::uint64_t found = 0, cached = 0;
    EXPECT_TRUE(OrdinaryFileExists(path, &found) && FileExistenceCache().IsOrdinaryFile(path, &cached));
    EXPECT_EQ(FileSizeText(path) + L"|" + std::to_wstring(found) + L"|" + std::to_wstring(cached),
              L"5242882 KB|" + std::to_wstring(end.QuadPart) + L"|" + std::to_wstring(end.QuadPart));
}

std::wstring SystemDir() { return WithTrailingBackslash(QuerySystemDirectory()); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// The resolver's search order, a load failure explained, and nivexcmd deps / compare giving what the windows show.
TEST(Dependencies, FoundInOwnFolderSystemWindowsThenPathAMissingModuleExplainsALoadFailureAndNivexcmdShowsIt) {
    testing::TempFolder own, onPath;
    ASSERT_TRUE(CopyFileW((SystemDir() + L"kernel32.dll").c_str(), own.File(L"ole32.dll").c_str(), FALSE));
    onPath.WriteFile(L"pathonly.dll", "x");
    SearchFolders folders = SearchFolders::ForFile(own.File(L"server.ocx"));
    folders.path.insert(folders.path.begin(), onPath.Text());
    ImportResolver resolver(folders);
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("OLE32.dll").value_or(L""), own.File(L"OLE32.dll")));
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("kernel32").value_or(L""), SystemDir() + L"kernel32.dll"));
    EXPECT_TRUE(EqualsNoCase(resolver.Resolve("PathOnly.dll").value_or(L""), WithTrailingBackslash(onPath.Text()) + L"PathOnly.dll"));
    EXPECT_FALSE(resolver.Resolve("velmora-nowhere.dll") || resolver.Resolve("*.dll"));
    const ResolvedImport apiSet = resolver.ResolveImport({"api-ms-win-core-synch-l1-2-0.dll", false});
    // Named only where the System folder holds a module of that name.
    EXPECT_TRUE(apiSet.apiSet && (!apiSet.resolved || StartsWithNoCase(*apiSet.resolved, SystemDir())) &&
                !IsMissingImport(apiSet));
    // fixture_depserver.dll needs fixture_dephelper.dll, which needs velmoradep.dll: copied, the last one left out.
    testing::TempFolder folder;
    for (const wchar_t* name : {L"fixture_depserver.dll", L"fixture_dephelper.dll"})
        ASSERT_TRUE(CopyFileW(testing::FixturePath(name).c_str(), folder.File(name).c_str(), FALSE));
    const std::wstring server = folder.File(L"fixture_depserver.dll"), helper = folder.File(L"fixture_dephelper.dll");
    RegDetail detail;
    EXPECT_EQ(RegisterServer(server, kModeRegister, &detail), RegOutcome::LoadFailed);
    EXPECT_EQ(detail.loadError, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(detail.reason.find(L"\nfixture_depserver.dll needs velmoradep.dll (through fixture_dephelper.dll), which was not found."),
              std::wstring::npos) << WideToUtf8(detail.reason);
    EXPECT_EQ(BuildDependencyReport(server).machine, OwnMachine());

    const testing::RunResult json = testing::RunNivexcmd(L"deps " + Quoted(server) + L" --json");
    ASSERT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_EQ(Utf8ToWide(json.out), DependencyReportJson(BuildDependencyReport(server)));
    EXPECT_EQ(Utf8ToWide(testing::RunNivexcmd(L"deps " + Quoted(server)).out), DependencyReportText(BuildDependencyReport(server)));
    const std::wstring gone = Quoted(folder.File(L"velmoradep.dll"));
    for (const std::wstring& usage : {std::wstring(L"deps"), L"compare " + Quoted(server), std::wstring(L"deps a b")})
        EXPECT_EQ(testing::RunNivexcmd(usage).exitCode, 2u) << WideToUtf8(usage);
    const testing::RunResult compare = testing::RunNivexcmd(L"compare " + Quoted(server) + L" " + Quoted(helper) + L" --json");
    ASSERT_EQ(compare.exitCode, 0u) << compare.err;
    EXPECT_EQ(Utf8ToWide(compare.out), CompareRowsJson(CompareFiles(L"fixture_depserver.dll", server, L"fixture_dephelper.dll", helper)));
    EXPECT_EQ(testing::RunNivexcmd(L"compare " + Quoted(server) + L" " + gone).exitCode, 1u);
    // A missing file; a folder is called one, not something that does not exist.
    const std::wstring dir = Quoted(folder.Text()) + L" ", isDir = L" is a folder, not a file.";
    for (const auto& [command, message] : {std::pair{L"deps " + gone, std::wstring(L"velmoradep.dll does not exist!")},
                                           {L"deps " + dir, isDir}, {L"compare " + dir + Quoted(server), isDir}}) {
        const testing::RunResult run = testing::RunNivexcmd(command);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_NE(Utf8ToWide(run.err).find(message), std::wstring::npos) << run.err;
    }
    // With the leaf in place the fixture itself works.
    ASSERT_TRUE(CopyFileW(testing::FixturePath(L"velmoradep.dll").c_str(), folder.File(L"velmoradep.dll").c_str(), FALSE));
    EXPECT_EQ(ExplainLoadFailure(server), L"");
    EXPECT_EQ(RegisterServer(server, kModeRegister), RegOutcome::Completed);

    const std::wstring x86 = testing::FixturePath(L"fixture_x86.dll");
    if (GetFileAttributesW(x86.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no 32-bit compiler";
    EXPECT_EQ(BuildDependencyReport(x86).machine, kMachineX86);
}

} // namespace
} // namespace nivex
