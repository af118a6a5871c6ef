#include "faultnote/bug_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/faultnote_launch.h"
#include "faultnote/system_info.h"

namespace faultnote {
namespace {

TEST(ProductArguments, SplitsAtPercentAfterRemovingOnePairOfQuotes) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Velmora Control Manager%1.0%0012", L"Velmora Control Manager|1.0|0012"},
        {L" \"Velmora Control Manager%1.0%0012\" ", L"Velmora Control Manager|1.0|0012"},
        {L"", L"||"},
        {L"Only a name", L"Only a name||"},
        {L"Name%2.5", L"Name|2.5|"},
        {L"%%", L"||"},
        {L"A%B%C%D%E", L"A|B|C"},
        // Only the surrounding pair goes; inner quotes belong to the fields.
        {L"\"\"Q\"%1%2\"", L"\"Q\"|1|2"},
        {L"\"unbalanced%1%2", L"\"unbalanced|1|2"},
    };
    for (const auto& [arguments, fields] : cases) {
        const ProductInfo info = ParseProductArguments(arguments);
        EXPECT_EQ(info.name + L"|" + info.version + L"|" + info.build, fields)
            << testing::PrintToString(std::wstring(arguments));
    }
}

TEST(ReportText, ExactLinesWithSeparatorsAndEveryLineBreakAsCrLf) {
    // Bare line feeds and carriage returns in a field become CR LF.
    const ReportFields f{{L"Velmora Control Manager", L"1.0", L"0012"}, L"Microsoft Windows XP (Version: 5.1.2600)",
                         L"Ada", L"ada@example.org", L"Run-time error 429\r\nActiveX component can't create object",
                         L"Registering\nan\rOCX", L""};
    const std::wstring sep(49, L'-');
    std::wstring expected;
    for (const std::wstring& line : std::initializer_list<std::wstring>{
             L"Velmora Bug Report Wizard - 12/7/2026", sep, L"Application: Velmora Control Manager",
             L"Version: 1.0.0012", L"OS: Microsoft Windows XP (Version: 5.1.2600)", sep, L"Username: Ada",
             L"Email: ada@example.org", sep,
             L"Reported Error Mesages:", L"Run-time error 429", L"ActiveX component can't create object",
             L"Cause of Error:", L"Registering", L"an", L"OCX", L"Description of Error:", L""})
        expected += line + L"\r\n";
    EXPECT_EQ(BuildReportText(f, L"12/7/2026"), expected);
    // A file holds the report and one more line break: ANSI when lossless, else UTF-8 with a byte order mark.
    const std::string ansi = "Caf\xE9\r\n";
    EXPECT_EQ(ReportFileBytes(L"Caf\u00E9\r\n", &ansi), "Caf\xE9\r\n\r\n");
    EXPECT_EQ(ReportFileBytes(L"\u0416\r\n", nullptr), "\xEF\xBB\xBF\xD0\x96\r\n\r\n");
}

OsVersionRecord Nt(unsigned major, unsigned minor, unsigned long build, ProductType type = ProductType::Workstation) {
    return {true, OsFamily::NT, major, minor, build, type};
}
OsVersionRecord Win9x(unsigned minor, unsigned long build) {
    return {true, OsFamily::Windows9x, 4, minor, build, ProductType::Unknown};
}

TEST(OsName, HistoricalAndModernSystems) {
    constexpr ProductType kServer = ProductType::Server;
    const std::pair<OsVersionRecord, const wchar_t*> cases[] = {
        {Nt(3, 51, 1057), L"Microsoft Windows NT 3.51"},
        {Nt(4, 0, 1381), L"Microsoft Windows NT 4.0"},
        {Nt(4, 0, 1380), L""}, // NT 4 with another build: no name
        {Nt(5, 0, 2195), L"Microsoft Windows 2000"},
        {Nt(5, 1, 2600), L"Microsoft Windows XP"},
        {Win9x(0, 950), L"Microsoft Windows 95"},
        {Win9x(0, 1000), L"Windows 95 SP1"},
        {Win9x(3, 1212), L"Windows 95 OSR2"},
        {Win9x(0, 949), L""},
        {Win9x(10, 1998), L"Microsoft Windows 98"},
        {Win9x(10, 2000), L"Microsoft Windows 98 SP1"},
        {Win9x(10, 2222), L"Microsoft Windows 98 SE"},
        {Win9x(90, 3000), L"Microsoft Windows Me"},
        {Nt(5, 2, 3790, ProductType::DomainController), L"Microsoft Windows Server 2003"},
        {Nt(5, 2, 3790), L"Microsoft Windows XP Professional x64 Edition"},
        {Nt(6, 0, 6002), L"Microsoft Windows Vista"},
        {Nt(6, 0, 6002, kServer), L"Microsoft Windows Server 2008"},
        {Nt(6, 1, 7601), L"Microsoft Windows 7"},
        {Nt(6, 1, 7601, kServer), L"Microsoft Windows Server 2008 R2"},
        {Nt(6, 2, 9200), L"Microsoft Windows 8"},
        {Nt(6, 2, 9200, kServer), L"Microsoft Windows Server 2012"},
        {Nt(6, 3, 9600), L"Microsoft Windows 8.1"},
        {Nt(6, 3, 9600, kServer), L"Microsoft Windows Server 2012 R2"},
        {Nt(10, 0, 21999, ProductType::Unknown), L"Microsoft Windows 10"},
        {Nt(10, 0, 22000), L"Microsoft Windows 11"},
        {Nt(10, 0, 14393, kServer), L"Microsoft Windows Server 2016"},
        {Nt(10, 0, 17763, kServer), L"Microsoft Windows Server 2019"},
        {Nt(10, 0, 20348, kServer), L"Microsoft Windows Server 2022"},
        {Nt(10, 0, 26100, ProductType::DomainController), L"Microsoft Windows Server 2025"},
        {Nt(6, 4, 9841), L""}, // a combination the table does not know
        {{true, OsFamily::Win32s, 3, 10, 0, ProductType::Unknown}, L""},
    };
    for (const auto& [record, name] : cases)
        EXPECT_EQ(GetOsName(record), name) << "family " << static_cast<int>(record.family) << " " << record.major << "."
                                           << record.minor << "." << record.build;
    EXPECT_EQ(OsText(Nt(10, 0, 22631)), L"Microsoft Windows 11 (Version: 10.0.22631)");
    // Only the low 16 bits of the build count: 9x keeps major and minor in the high word.
    EXPECT_EQ(OsText(Win9x(10, 0x040A08AE)), L"Microsoft Windows 98 SE (Version: 4.10.2222)");
    EXPECT_EQ(OsText(Nt(4, 0, 1000)), L" (Version: 4.0.1000)");
    EXPECT_EQ(OsText(OsVersionRecord{}),
              L"Error in GetVersionEX() Function (Version: Error in GetVersionEX() Function)");
}

} // namespace
} // namespace faultnote

namespace nivex {
namespace {

TEST(FaultnoteLaunch, ArgumentsCarryFourDigitRevisionAndTheInstallPathFallsBackBesideTheMainProgram) {
    EXPECT_EQ(FaultnoteArguments(L"Velmora Control Manager", 1, 0, 12), L"Velmora Control Manager%1.0%0012");
    EXPECT_EQ(FaultnoteArguments(L"T", 3, 10, 12345), L"T%3.10%12345");
    // The install path names the program or its folder; else the copy beside the main program.
    const std::wstring installed = L"C:\\Velmora\\Faultnote\\faultnote.exe";
    const std::wstring beside = L"C:\\Nivex\\faultnote.exe";
    const auto probe = [](std::vector<std::wstring> files, std::vector<std::wstring> folders) {
        return FileSystemProbe{[files](const std::wstring& p) { return std::count(files.begin(), files.end(), p) > 0; },
                               [folders](std::wstring p) {
                                   // As the file system does: a folder with or without its trailing backslash.
                                   if (p.size() > 3 && p.back() == L'\\') p.pop_back();
                                   return std::count(folders.begin(), folders.end(), p) > 0;
                               }};
    };
    const FileSystemProbe both = probe({installed, beside}, {L"C:\\Velmora\\Faultnote", L"C:\\Nivex"});
    EXPECT_EQ(ChooseFaultnotePath(installed, L"C:\\Nivex", both), installed);
    EXPECT_EQ(ChooseFaultnotePath(L"C:\\Velmora\\Faultnote\\", L"C:\\Nivex", both), installed);
    EXPECT_EQ(ChooseFaultnotePath(L"  \"C:\\Velmora\\Faultnote\" ", L"C:\\Nivex", both), installed);
    // Missing, stale, or a folder without the program: the copy beside the main program.
    EXPECT_EQ(ChooseFaultnotePath(L"", L"C:\\Nivex", both), beside);
    EXPECT_EQ(ChooseFaultnotePath(L"D:\\Gone\\faultnote.exe", L"C:\\Nivex", both), beside);
    EXPECT_EQ(ChooseFaultnotePath(L"C:\\Nivex\\", L"C:\\Nivex\\", both), beside);
    EXPECT_EQ(ChooseFaultnotePath(L"C:\\Empty", L"C:\\Nivex", probe({beside}, {L"C:\\Empty"})), beside);
    // Neither: nothing to start.
    EXPECT_EQ(ChooseFaultnotePath(L"D:\\Gone", L"C:\\Nivex", probe({}, {})), L"");
    EXPECT_EQ(ChooseFaultnotePath(L"", L"", both), L"");
}

} // namespace
} // namespace nivex
