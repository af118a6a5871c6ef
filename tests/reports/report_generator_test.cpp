#include <gtest/gtest.h>

#include <windows.h>

#include "catalogue/catalogue_scan.h"
#include "common/handles.h"
#include "common/winutil.h"
#include "inspect/file_facts.h"
#include "nivex_version.h"
#include "registry/settings.h"
#include "reports/report_generator.h"
#include "reports/report_template.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

const char* const kTemplate = "<h>%DATE|%CONTROL_COUNT|%LIB_COUNT|%MISSING_COUNT|%APP_VERSION|%CHARSET\r\n"
                              "[HEAD]\r\n[TYPELIB]\r\nL|%TYPELIB_NAME|%FILENAME|%STATUS|%FILE_SIZE|%FILE_VERSION|%CREATION_DATE\r\n"
                              "[CONTROL]\r\nC|%CONTROL_NAME|%CONTROL_VERSION|%CLSID|%PROGID|%TYPELIB|%TOOLBOX_BITMAP\r\n"
                              "[FOOT]\r\n</end>\r\n";

std::string Today() {
    wchar_t buffer[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, 128);
    return WideToAnsi(buffer);
}

class ReportTest : public ::testing::Test {
protected:
    ReportTest() {
        server = folder.WriteFile(L"grid.ocx", std::string(1536, 'g'));
        templatePath = folder.WriteFile(L"t.tpl", kTemplate);
        out = folder.File(L"report.txt");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\{LIB-1}\\1.0", L"", L"Grid <Library>");
        Register(L"{A1}", L"Grid \u00e9", server, L"{LIB-1}");
        Register(L"{A2}", L"Chart", server, L"{LIB-1}");
        Register(L"{A3}", L"Pie", server, L"{LIB-1}");
        Register(L"{B1}", L"Lost", folder.File(L"lost.ocx"), L"{LIB-2}");
        PopulateList(catalogue);
    }
    static void Register(const std::wstring& clsid, const std::wstring& name, const std::wstring& path,
                         const std::wstring& lib) {
        for (const auto& [key, value] : {std::pair<const wchar_t*, std::wstring>{L"", name}, {L"\\Control", L""},
                                         {L"\\InprocServer32", path}, {L"\\TypeLib", lib}, {L"\\Version", L"1.0"},
                                         {L"\\ProgID", L"Lib." + name}})
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + key, L"", value);
    }
    std::string Write(DocType type, ReportOptions options = {}) {
        errors.clear();
        EXPECT_TRUE(WriteReport(catalogue, type, templatePath, out, options, sink));
        return testing::ReadFileBytes(out);
    }
    std::string LibraryLine() {
        return "L|Grid <Library>|" + WideToAnsi(server) + "|Registered.|2 KB||" + WideToAnsi(GetFileDate(server, L"create")) +
               "\r\n\r\n";
    }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    std::wstring server, templatePath, out;
    Catalogue catalogue;
    std::vector<std::wstring> errors;
    ReportErrorSink sink = [this](long n, const std::wstring& d) { errors.push_back(std::to_wstring(n) + L" " + d); };
};

TEST_F(ReportTest, TextReportHasEveryBlockFollowedByAnEmptyLine) {
    const std::string report = Write(DocType::Text);
    const std::string head = "<h>" + Today() + "|4|2|1|" + std::to_string(NIVEX_VERSION_MAJOR) + "." +
                             std::to_string(NIVEX_VERSION_MINOR) + "|" + WideToAnsi(CodePageWebName(GetACP())) + "\r\n\r\n";
    const std::string expected = head + LibraryLine() +
                                 "C|Grid \xe9|1.0|{A1}|Lib.Grid \xe9|{LIB-1}|\r\n\r\n"
                                 "C|Chart|1.0|{A2}|Lib.Chart|{LIB-1}|\r\n\r\n"
                                 "C|Pie|1.0|{A3}|Lib.Pie|{LIB-1}|\r\n\r\n"
                                 "L|Lost|" + WideToAnsi(folder.File(L"lost.ocx")) + "|Missing File!|N/A|N/A|N/A\r\n\r\n"
                                 "C|Lost|1.0|{B1}|Lib.Lost|{LIB-2}|\r\n\r\n"
                                 "</end>\r\n\r\n";
    EXPECT_EQ(report, expected);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReportTest, OptionsNarrowTheReport) {
    std::string report = Write(DocType::Text, {false, true}); // only the libraries
    EXPECT_EQ(report.find("C|"), std::string::npos);
    EXPECT_NE(report.find(LibraryLine()), std::string::npos);
    EXPECT_NE(report.find("L|Lost|"), std::string::npos);
    report = Write(DocType::Text, {true, false}); // only the missing
    EXPECT_EQ(report.find("L|Grid"), std::string::npos);
    EXPECT_NE(report.find("L|Lost|"), std::string::npos);
    EXPECT_NE(report.find("C|Lost|"), std::string::npos);
}

TEST_F(ReportTest, HtmlReportEscapesRegistryValuesAndAnUnwritableOneFailsOnce) {
    const std::string report = Write(DocType::Html);
    EXPECT_NE(report.find("L|Grid &lt;Library&gt;|"), std::string::npos);
    EXPECT_NE(report.find("<h>"), std::string::npos); // template text itself is untouched
    EXPECT_FALSE(WriteReport(catalogue, DocType::Text, templatePath, folder.File(L"no\\such\\folder\\r.txt"), {}, sink));
    ASSERT_EQ(errors.size(), 1u);
}

TEST_F(ReportTest, InteractiveRunChecksTemplateAsksWhereAndOpensTheReport) {
    testing::ScriptedDesktop desktop;
    // A template that cannot be used: the message names the file and what is wrong with it.
    const std::wstring locked = folder.WriteFile(L"locked.tpl", kTemplate);
    FileHandle holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::pair<std::wstring, std::wstring> unusable[] = {
        {folder.WriteFile(L"bad.tpl", "[HEAD]\r\n[CONTROL]\r\n[TYPELIB]\r\n[FOOT]\r\n"),
         L"The section marker [CONTROL] comes before [TYPELIB]"},
        {folder.WriteFile(L"short.tpl", "[HEAD]\r\n[TYPELIB]\r\n[FOOT]\r\n"), L"The section marker [CONTROL] is missing."},
        {folder.File(L"gone.tpl"), L"The file does not exist."},
        {folder.Text(), L"It is a folder, not a file."},
        {locked, L"The file cannot be read: "}};
    for (const auto& [path, problem] : unusable) {
        SaveSetting(L"Options", L"TEXTTemplate", path);
        desktop.messages.clear();
        GenerateReport(catalogue, DocType::Text, {}, nullptr, desktop);
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].title, L"Error");
        EXPECT_EQ(desktop.messages[0].text.rfind(L"Invalid Template File\n" + path + L"\n" + problem, 0), 0u)
            << WideToAnsi(desktop.messages[0].text);
    }
    EXPECT_TRUE(desktop.fileDialogs.empty());

    SaveSetting(L"Options", L"TEXTTemplate", templatePath);
    GenerateReport(catalogue, DocType::Text, {}, nullptr, desktop); // cancelled save dialog
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].filter + L"|" + desktop.fileDialogs[0].defaultExt, L"Text Document (*.txt)|*.txt|txt");

    desktop.fileAnswers.push_back(out);
    GenerateReport(catalogue, DocType::Text, {false, false, true}, nullptr, desktop); // shown when finished
    EXPECT_TRUE(OrdinaryFileExists(out));
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(desktop.executions[0].verb + L" " + desktop.executions[0].file, L"open " + out);
}

TEST(DefaultTemplates, ShipValidAndUseEveryToken) {
    for (const wchar_t* name : {L"default_HTML.tpl", L"default_TEXT.tpl"}) {
        const std::wstring path = testing::BinFolder() + L"\\templates\\" + name;
        ASSERT_TRUE(IsValidTemplate(path)) << WideToAnsi(path);
        const std::wstring text = ReadTemplateFile(path);
        for (const wchar_t* token : {L"%DATE", L"%CONTROL_COUNT", L"%LIB_COUNT", L"%MISSING_COUNT", L"%APP_VERSION",
                                     L"%TYPELIB_NAME", L"%FILENAME", L"%STATUS", L"%FILE_SIZE", L"%CREATION_DATE",
                                     L"%ACCESSED_DATE", L"%MODIFIED_DATE", L"%FILE_DESCRIPTION", L"%FILE_VERSION",
                                     L"%FILE_COPYRIGHT", L"%CONTROL_NAME", L"%CONTROL_VERSION", L"%CLSID",
                                     L"%PROGID", L"%TOOLBOX_BITMAP"})
            EXPECT_NE(text.find(token), std::wstring::npos) << WideToAnsi(token);
    }
    // The page declares the code page it is written in, whatever the machine's is.
    EXPECT_NE(ReadTemplateFile(testing::BinFolder() + L"\\templates\\default_HTML.tpl").find(L"<meta charset=\"%CHARSET\">"),
              std::wstring::npos);
}

} // namespace
} // namespace nivex
