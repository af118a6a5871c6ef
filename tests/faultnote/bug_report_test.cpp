#include "faultnote/bug_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/faultnote_launch.h"
#include "faultnote/system_info.h"

namespace faultnote {
namespace {

TEST(ProductArguments, SplitsAtPercentAfterRemovingOnePairOfQuotes) {
    struct Case {
        const wchar_t* arguments;
        ProductInfo expected;
    };
    const Case cases[] = {
        {L"Velmora Control Manager%1.0%0012", {L"Velmora Control Manager", L"1.0", L"0012"}},
        {L"\"Velmora Control Manager%1.0%0012\"", {L"Velmora Control Manager", L"1.0", L"0012"}},
        {L"", {}},
        {L"   ", {}},
        {L"Only a name", {L"Only a name", L"", L""}},
        {L"Name%2.5", {L"Name", L"2.5", L""}},
        {L"%%", {}},
        {L"A%B%C%D%E", {L"A", L"B", L"C"}},
        // Only the surrounding pair goes; inner quotes belong to the fields.
        {L"\"\"Q\"%1%2\"", {L"\"Q\"", L"1", L"2"}},
        {L"\"unbalanced%1%2", {L"\"unbalanced", L"1", L"2"}},
    };
    for (const Case& c : cases) {
        const ProductInfo info = ParseProductArguments(c.arguments);
        EXPECT_EQ(info.name, c.expected.name) << "arguments: " << testing::PrintToString(std::wstring(c.arguments));
        EXPECT_EQ(info.version, c.expected.version);
        EXPECT_EQ(info.build, c.expected.build);
    }
}

TEST(WizardPages, NextAdvancesToTheLastPageThenFinishesWithoutMoving) {
    WizardPages pages;
    EXPECT_EQ(pages.Current(), 0);
    EXPECT_FALSE(pages.BackEnabled());
    EXPECT_STREQ(pages.NextCaption(), L"Next >>");
    pages.Back(); // nothing below page 0
    EXPECT_EQ(pages.Current(), 0);
    for (int expected = 1; expected <= 3; ++expected) {
        EXPECT_FALSE(pages.Next());
        EXPECT_EQ(pages.Current(), expected);
        EXPECT_TRUE(pages.BackEnabled());
    }
    EXPECT_TRUE(pages.OnLast());
    EXPECT_STREQ(pages.NextCaption(), L"Finish");
    EXPECT_TRUE(pages.Next());
    EXPECT_TRUE(pages.Next()); // Finish can be repeated
    EXPECT_EQ(pages.Current(), 3);
    pages.Back();
    EXPECT_EQ(pages.Current(), 2);
    EXPECT_STREQ(pages.NextCaption(), L"Next >>");
}

TEST(ReportText, ExactLinesWithSeparatorsAndMultiLineTexts) {
    ReportFields f;
    f.product = {L"Velmora Control Manager", L"1.0", L"0012"};
    f.osText = L"Microsoft Windows XP (Version: 5.1.2600)";
    f.userName = L"Ada";
    f.email = L"ada@example.org";
    f.errorMessages = L"Run-time error 429\r\nActiveX component can't create object";
    f.cause = L"Registering\nan OCX"; // a bare line feed becomes CR LF
    f.description = L"";
    const std::wstring sep(49, L'-');
    const std::wstring expected = L"Velmora Bug Report Wizard - 12/7/2026\r\n" + sep + L"\r\n" +
                                  L"Application: Velmora Control Manager\r\n"
                                  L"Version: 1.0.0012\r\n"
                                  L"OS: Microsoft Windows XP (Version: 5.1.2600)\r\n" +
                                  sep + L"\r\n" +
                                  L"Username: Ada\r\n"
                                  L"Email: ada@example.org\r\n" +
                                  sep + L"\r\n" +
                                  L"Reported Error Mesages:\r\n"
                                  L"Run-time error 429\r\nActiveX component can't create object\r\n"
                                  L"Cause of Error:\r\n"
                                  L"Registering\r\nan OCX\r\n"
                                  L"Description of Error:\r\n"
                                  L"\r\n";
    EXPECT_EQ(BuildReportText(f, L"12/7/2026"), expected);
}

TEST(ReportText, EmptyFieldsKeepTheirLabelsAndTheLonePoint) {
    const std::wstring report = BuildReportText(ReportFields{}, L"d");
    EXPECT_NE(report.find(L"\r\nApplication: \r\nVersion: .\r\nOS: \r\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"\r\nUsername: \r\nEmail: \r\n"), std::wstring::npos);
}

TEST(ReportText, LineBreaksNormalised) {
    EXPECT_EQ(NormalizeLineBreaks(L"a\rb\nc\r\nd\n\re"), L"a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(NormalizeLineBreaks(L"\r\n\r\n"), L"\r\n\r\n");
}

TEST(ReportFile, AnsiWhenLosslessElseUtf8WithByteOrderMark) {
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
    struct Case {
        OsVersionRecord record;
        const wchar_t* name;
    };
    const Case cases[] = {
        {Nt(3, 51, 1057), L"Microsoft Windows NT 3.51"},
        {Nt(4, 0, 1381), L"Microsoft Windows NT 4.0"},
        {Nt(4, 0, 1380), L""}, // NT 4 with another build: no name
        {Nt(5, 0, 2195), L"Microsoft Windows 2000"},
        {Nt(5, 1, 2600), L"Microsoft Windows XP"},
        {Win9x(0, 950), L"Microsoft Windows 95"},
        {Win9x(0, 0x040003B6), L"Microsoft Windows 95"}, // 9x keeps major and minor in the build's high word
        {Win9x(0, 1000), L"Windows 95 SP1"},
        {Win9x(3, 1212), L"Windows 95 OSR2"},
        {Win9x(0, 949), L""},
        {Win9x(10, 1998), L"Microsoft Windows 98"},
        {Win9x(10, 2000), L"Microsoft Windows 98 SP1"},
        {Win9x(10, 2222), L"Microsoft Windows 98 SE"},
        {Win9x(90, 3000), L"Microsoft Windows Me"},
        {Nt(5, 2, 3790, ProductType::Server), L"Microsoft Windows Server 2003"},
        {Nt(5, 2, 3790, ProductType::DomainController), L"Microsoft Windows Server 2003"},
        {Nt(5, 2, 3790), L"Microsoft Windows XP Professional x64 Edition"},
        {Nt(6, 0, 6002), L"Microsoft Windows Vista"},
        {Nt(6, 0, 6002, ProductType::Server), L"Microsoft Windows Server 2008"},
        {Nt(6, 1, 7601), L"Microsoft Windows 7"},
        {Nt(6, 1, 7601, ProductType::Server), L"Microsoft Windows Server 2008 R2"},
        {Nt(6, 2, 9200), L"Microsoft Windows 8"},
        {Nt(6, 2, 9200, ProductType::Server), L"Microsoft Windows Server 2012"},
        {Nt(6, 3, 9600), L"Microsoft Windows 8.1"},
        {Nt(6, 3, 9600, ProductType::Server), L"Microsoft Windows Server 2012 R2"},
        {Nt(10, 0, 19045), L"Microsoft Windows 10"},
        {Nt(10, 0, 21999), L"Microsoft Windows 10"},
        {Nt(10, 0, 22000), L"Microsoft Windows 11"},
        {Nt(10, 0, 26100), L"Microsoft Windows 11"},
        {Nt(10, 0, 14393, ProductType::Server), L"Microsoft Windows Server 2016"},
        {Nt(10, 0, 17763, ProductType::Server), L"Microsoft Windows Server 2019"},
        {Nt(10, 0, 20348, ProductType::Server), L"Microsoft Windows Server 2022"},
        {Nt(10, 0, 26100, ProductType::DomainController), L"Microsoft Windows Server 2025"},
        {Nt(10, 0, 19045, ProductType::Unknown), L"Microsoft Windows 10"},
        {Nt(6, 4, 9841), L""},  // a combination the table does not know
        {Nt(11, 0, 30000), L""},
        {{true, OsFamily::Win32s, 3, 10, 0, ProductType::Unknown}, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetOsName(c.record), c.name)
            << "family " << static_cast<int>(c.record.family) << " " << c.record.major << "." << c.record.minor << "."
            << c.record.build;
    }
}

TEST(OsText, NameVersionAndTheFailedQuery) {
    EXPECT_EQ(OsText(Nt(10, 0, 22631)), L"Microsoft Windows 11 (Version: 10.0.22631)");
    // Only the low 16 bits of the build count.
    EXPECT_EQ(OsText(Win9x(10, 0x040A08AE)), L"Microsoft Windows 98 SE (Version: 4.10.2222)");
    EXPECT_EQ(OsText(Nt(4, 0, 1000)), L" (Version: 4.0.1000)");
    EXPECT_EQ(OsText(OsVersionRecord{}),
              L"Error in GetVersionEX() Function (Version: Error in GetVersionEX() Function)");
}

} // namespace
} // namespace faultnote

namespace nivex {
namespace {

TEST(FaultnoteLaunch, ArgumentsCarryTitleVersionAndFourDigitRevision) {
    EXPECT_EQ(FaultnoteArguments(L"Velmora Control Manager", 1, 0, 12), L"Velmora Control Manager%1.0%0012");
    EXPECT_EQ(FaultnoteArguments(L"T", 2, 10, 210), L"T%2.10%0210");
    EXPECT_EQ(FaultnoteArguments(L"T", 3, 1, 12345), L"T%3.1%12345");
}

TEST(FaultnoteLaunch, InstallPathAsFolderOrProgramElseBesideTheMainProgram) {
    const std::wstring installed = L"C:\\Velmora\\Faultnote\\faultnote.exe";
    const std::wstring beside = L"C:\\Nivex\\faultnote.exe";
    const auto probe = [](std::initializer_list<std::wstring> files, std::initializer_list<std::wstring> folders) {
        std::vector<std::wstring> f(files), d(folders);
        // As the file system does, a folder is found with or without its trailing backslash.
        const auto bare = [](std::wstring p) {
            if (p.size() > 3 && p.back() == L'\\') p.pop_back();
            return p;
        };
        return FileSystemProbe{
            [f](const std::wstring& p) { return std::find(f.begin(), f.end(), p) != f.end(); },
            [d, bare](const std::wstring& p) { return std::find(d.begin(), d.end(), bare(p)) != d.end(); }};
    };
    const FileSystemProbe both = probe({installed, beside}, {L"C:\\Velmora\\Faultnote", L"C:\\Nivex"});
    EXPECT_EQ(ChooseFaultnotePath(installed, L"C:\\Nivex", both), installed);
    EXPECT_EQ(ChooseFaultnotePath(L"C:\\Velmora\\Faultnote", L"C:\\Nivex", both), installed);
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
