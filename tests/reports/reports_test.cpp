// The report generator and View in Web Browser on real files and a sandboxed registry, the shell recorded.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <filesystem>

#include "catalogue/catalogue_scan.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/temp_files.h"
#include "common/winutil.h"
#include "inspect/file_facts.h"
#include "nivex_version.h"
#include "registry/settings.h"
#include "reports/browser_page.h"
#include "reports/report_generator.h"
#include "reports/report_template.h"
#include "reports/view_in_browser.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::wstring>;

const char* const kTemplate = "<h>%DATE|%CONTROL_COUNT|%LIB_COUNT|%MISSING_COUNT|%APP_VERSION|%CHARSET\r\n"
                              "[HEAD]\r\n[TYPELIB]\r\nL|%TYPELIB_NAME|%FILENAME|%STATUS|%FILE_SIZE|%FILE_VERSION|%CREATION_DATE\r\n"
                              "[CONTROL]\r\nC|%CONTROL_NAME|%CONTROL_VERSION|%CLSID|%PROGID|%TYPELIB|%TOOLBOX_BITMAP\r\n"
                              "[FOOT]\r\n</end>\r\n";
const wchar_t* const kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}";
const wchar_t* const kBrowser = L"C:\\Program Files\\Web Thing\\browse.exe";

// A library of three controls whose file is there, one of a control whose file is missing, and a folder for
// test pages (with blanks in its name).
class ReportTest : public ::testing::Test {
protected:
    ReportTest() {
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\{LIB-1}\\1.0", L"", L"Grid <Library>");
        for (const auto& [id, name] : {std::pair{L"{A1}", L"Grid \u00e9"}, {L"{A2}", L"Chart"}, {L"{A3}", L"Pie"}, {L"{B1}", L"Lost"}})
            for (const auto& [key, value] : {std::pair<const wchar_t*, std::wstring>{L"", name}, {L"\\Control", L""},
                                             {L"\\InprocServer32", id[1] == L'A' ? server : folder.File(L"lost.ocx")},
                                             {L"\\TypeLib", id[1] == L'A' ? L"{LIB-1}" : L"{LIB-2}"}, {L"\\Version", L"1.0"},
                                             {L"\\ProgID", L"Lib." + std::wstring(name)}})
                testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(id) + key, L"", value);
        PopulateList(catalogue);
        fs::create_directory(pages);
        context.tempFolder = pages.wstring();
        context.addTempFile = [this](const std::wstring& path) { temp.Add(path); };
        context.chooseBrowser = [this] { ++chooserOpened; };
    }
    ~ReportTest() override { temp.DeleteAll(); }
    std::string Write(DocType type, ReportOptions options = {}) {
        EXPECT_TRUE(WriteReport(catalogue, type, templatePath, out, options, sink));
        return testing::ReadFileBytes(out);
    }

    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    std::wstring server = folder.WriteFile(L"grid.ocx", std::string(1536, 'g')), templatePath = folder.WriteFile(L"t.tpl", kTemplate);
    std::wstring out = folder.WriteFile(L"report.txt", std::string(100000, 'x')); // an older, longer report
    Catalogue catalogue;
    Texts errors;
    ReportErrorSink sink = [this](long n, const std::wstring& d) { errors.push_back(std::to_wstring(n) + L" " + d); };
    fs::path pages = folder.Path() / L"pages with blanks";
    TempFiles temp;
    BrowserViewContext context;
    int chooserOpened = 0;
};

TEST_F(ReportTest, EveryBlockIsFollowedByAnEmptyLineTheOptionsNarrowTheReportAndAnUnusableTemplateIsNamedFirst) {
    wchar_t today[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, today, 128);
    const std::string library = "L|Grid <Library>|" + WideToAnsi(server) + "|Registered.|2 KB||" +
                                WideToAnsi(GetFileDate(server, L"create")) + "\r\n\r\n";
    EXPECT_EQ(Write(DocType::Text), "<h>" + WideToAnsi(today) + "|4|2|1|" + std::to_string(NIVEX_VERSION_MAJOR) + "." +
                                        std::to_string(NIVEX_VERSION_MINOR) + "|" + WideToAnsi(CodePageWebName(GetACP())) + "\r\n\r\n" + library +
                                        "C|Grid \xe9|1.0|{A1}|Lib.Grid \xe9|{LIB-1}|\r\n\r\n"
                                        "C|Chart|1.0|{A2}|Lib.Chart|{LIB-1}|\r\n\r\n"
                                        "C|Pie|1.0|{A3}|Lib.Pie|{LIB-1}|\r\n\r\n"
                                        "L|Lost|" + WideToAnsi(folder.File(L"lost.ocx")) + "|Missing File!|N/A|N/A|N/A\r\n\r\n"
                                        "C|Lost|1.0|{B1}|Lib.Lost|{LIB-2}|\r\n\r\n"
                                        "</end>\r\n\r\n");
    const std::tuple<DocType, ReportOptions, std::vector<std::string>, std::string> cases[] = {
        {DocType::Text, {false, true}, {library, "L|Lost|"}, "C|"},                  // only the libraries
        {DocType::Text, {true, false}, {"L|Lost|", "C|Lost|"}, "L|Grid"},            // only the missing
        {DocType::Html, {}, {"L|Grid &lt;Library&gt;|", "<h>"}, "<Library>"},        // values escaped, template text not
    };
    for (const auto& [type, options, present, absent] : cases) {
        const std::string report = Write(type, options);
        for (const std::string& text : present) EXPECT_NE(report.find(text), std::string::npos) << text;
        EXPECT_EQ(report.find(absent), std::string::npos) << absent;
    }
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(WriteReport(catalogue, DocType::Text, templatePath, folder.File(L"no\\such\\folder\\r.txt"), {}, sink));
    EXPECT_EQ(errors.size(), 1u) << "an unwritable report fails once";

    // An interactive run checks the template first: the message names the file and what is wrong with it.
    const std::wstring locked = folder.WriteFile(L"locked.tpl", kTemplate);
    FileHandle holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::pair<std::wstring, std::wstring> unusable[] = {
        {folder.WriteFile(L"short.tpl", "[HEAD]\r\n[TYPELIB]\r\n[FOOT]\r\n"), L"The section marker [CONTROL] is missing."},
        {folder.File(L"gone.tpl"), L"The file does not exist."},
        {folder.Text(), L"It is a folder, not a file."},
        {locked, L"The file cannot be read: "}};
    for (const auto& [path, problem] : unusable) {
        SaveSetting(L"Options", L"TEXTTemplate", path);
        desktop.messages.clear();
        GenerateReport(catalogue, DocType::Text, {}, nullptr, desktop);
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text.rfind(L"Invalid Template File\n" + path + L"\n" + problem, 0), 0u)
            << WideToAnsi(desktop.messages[0].text);
    }
    EXPECT_TRUE(desktop.fileDialogs.empty());
    SaveSetting(L"Options", L"TEXTTemplate", templatePath);
    GenerateReport(catalogue, DocType::Text, {}, nullptr, desktop); // cancelled save dialog
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].filter + L"|" + desktop.fileDialogs[0].defaultExt, L"Text Document (*.txt)|*.txt|txt");

    // The default templates ship valid and use every token; the page declares the code page it is written in,
    // whatever the machine's is (a text file declares none).
    for (const wchar_t* name : {L"default_HTML.tpl", L"default_TEXT.tpl"}) {
        const std::wstring path = testing::BinFolder() + L"\\templates\\" + name;
        ASSERT_TRUE(IsValidTemplate(path)) << WideToAnsi(path);
        const std::wstring text = ReadTemplateFile(path);
        for (const TokenValues& tokens : {HeadTokens({}), LibraryTokens({}), ControlTokens({})})
            for (const auto& [token, value] : tokens) {
                const std::wstring form = token == L"%CHARSET" ? L"<meta charset=\"%CHARSET\">" : token;
                const bool used = text.find(form) != std::wstring::npos;
                EXPECT_TRUE(used || (token == L"%CHARSET" && name[8] == L'T')) << WideToAnsi(token);
            }
    }
}

TEST_F(ReportTest, ALibraryIsTestedAsItsFirstControlEachBrowserRunWritesItsOwnSafePageAndFailuresAreSaid) {
    const CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    const auto library = PickBrowserControl(tree, tree.FindByKey(L"{LIB-1}"));
    EXPECT_EQ(library.value_or(BrowserViewTarget{}).classId + L"|" + library.value_or(BrowserViewTarget{}).name, L"{A1}|Grid \u00e9");
    EXPECT_EQ(PickBrowserControl(tree, tree.FindByKey(L"{A2}")).value_or(BrowserViewTarget{}).classId, L"{A2}");
    EXPECT_FALSE(PickBrowserControl(tree, 0).has_value());

    desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::NoBrowser);
    EXPECT_EQ(chooserOpened, 0);
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::NoBrowser);
    EXPECT_EQ(chooserOpened, 1);
    const testing::AskedMessage& asked = desktop.messages.at(0);
    EXPECT_EQ(asked.title + L"|" + asked.text, L"No Browser Available|You have not chosen a test browser.\nWould you like to choose one now?");
    EXPECT_EQ(asked.buttons, MsgButtons::YesNo);
    EXPECT_TRUE(temp.Files().empty() && fs::is_empty(pages) && desktop.executions.empty());

    // With a browser: each run writes its own page and opens it quoted; all is deleted at exit.
    desktop.messages.clear();
    SaveSetting(kSectionOptions, kKeyTestBrowser, kBrowser);
    const std::wstring name = L"<Grid> \"@C\" {x} \u00e9";
    for (std::size_t run = 0; run < 2; ++run) {
        ASSERT_EQ(ViewInBrowser(desktop, {name, kId}, context), BrowserViewResult::Opened);
        // The platform's unique ".tmp" and the page beside it, both listed for deletion.
        ASSERT_EQ(temp.Files().size(), 2 * run + 2);
        const fs::path unique = temp.Files()[run * 2], page = temp.Files()[run * 2 + 1];
        EXPECT_EQ(unique.extension(), L".tmp");
        EXPECT_EQ(page, fs::path(unique).replace_extension(L".htm"));
        EXPECT_EQ(page.parent_path(), pages);
        EXPECT_EQ(testing::ReadFileBytes(page), *BrowserPageBytes(name, kId));
        const testing::Execution& e = desktop.executions.at(run);
        EXPECT_EQ(e.verb + L"|" + e.file + L"|" + e.parameters, std::wstring(L"open|") + kBrowser + L"|\"" + page.wstring() + L"\"");
    }
    EXPECT_NE(temp.Files()[1], temp.Files()[3]) << "two runs, two files";
    const Texts listed = temp.Files();
    temp.DeleteAll();
    for (const auto& file : listed) EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_EQ(ViewInBrowser(desktop, {L"Odd", L"{A1}"}, context), BrowserViewResult::Refused); // no GUID, no page
    EXPECT_TRUE(fs::is_empty(pages));
    BrowserViewContext lost = context;
    lost.tempFolder = (folder.Path() / L"gone").wstring();
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, lost), BrowserViewResult::Failed);
    // The shell cannot start the browser: said, and the page written is still deleted at exit.
    desktop.executeResult = SE_ERR_FNF;
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::Failed);
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[0].text, NotAGuidMessage(L"{A1}"));
    EXPECT_EQ(desktop.messages[1].text.rfind(L"Error in mnuTestInBrowser_Click()\r\nError ", 0), 0u) << desktop.messages[1].text;
    EXPECT_EQ(desktop.messages[1].icon, MsgIcon::Critical);
    EXPECT_NE(desktop.messages[2].text.find(L"\"" + std::wstring(kBrowser) + L"\" could not be started"), std::wstring::npos);
    ASSERT_EQ(temp.Files().size(), 2u);
    EXPECT_TRUE(fs::exists(temp.Files()[1]));

    // A page never replaces a file of its name, and only the name's own extension is replaced.
    const std::string bytes = *BrowserPageBytes(L"Grid", kId);
    const std::wstring stale = folder.WriteFile(L"Niv1F.htm", "stale");
    EXPECT_EQ(WritePageBeside(folder.WriteFile(L"Niv1F.tmp", ""), bytes), L"") << "taken: the caller moves on to the next name";
    EXPECT_EQ(testing::ReadFileBytes(stale), "stale");
    EXPECT_EQ(WritePageBeside(folder.WriteFile(L"dotted.folder\\Niv20", ""), bytes), folder.File(L"dotted.folder\\Niv20.htm"));
    EXPECT_EQ(testing::ReadFileBytes(folder.File(L"dotted.folder\\Niv20.htm")), bytes);
    EXPECT_THROW(WritePageBeside(folder.File(L"gone\\Niv21.tmp"), bytes), Error);
}

} // namespace
} // namespace nivex
