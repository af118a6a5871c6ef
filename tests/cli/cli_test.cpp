#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "cli/catalogue_output.h"
#include "cli/cli_options.h"

namespace nivex {
namespace {

TEST(CliArguments, EachCommandTakesItsOptions) {
    CliParseResult r = ParseCliArguments({L"list", L"--missing", L"--csv"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_EQ(r.options.command, CliCommand::List);
    EXPECT_TRUE(r.options.missingOnly);
    EXPECT_EQ(r.options.format, ListFormat::Csv);
    r = ParseCliArguments({L"report", L"--text", L"--out", L"C:\\r.txt", L"--only-libraries", L"--template", L"t.tpl"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_TRUE(r.options.text && r.options.onlyLibraries);
    EXPECT_EQ(r.options.out + L"|" + r.options.templatePath, L"C:\\r.txt|t.tpl");
    r = ParseCliArguments({L"register", L"--copy-to-system", L"C:\\a b\\x.ocx"});
    EXPECT_EQ(r.options.command, CliCommand::Register);
    EXPECT_EQ(r.options.file, L"C:\\a b\\x.ocx");
    EXPECT_EQ(r.options.placement, CliPlacement::CopyToSystem);
    r = ParseCliArguments({L"unregister", L"x.ocx", L"--delete"});
    EXPECT_EQ(r.options.command, CliCommand::Unregister);
    EXPECT_EQ(r.options.removal, CliRemoval::Delete);
    EXPECT_EQ(ParseCliArguments({L"register", L"--help"}).options.command, CliCommand::Help);
}

TEST(CliArguments, BadUsageIsRefusedWithAReason) {
    const std::vector<std::vector<std::wstring>> bad = {
        {}, {L"lst"}, {L"list", L"--json", L"--csv"}, {L"list", L"--html"}, {L"report", L"--out", L"x"},
        {L"report", L"--html", L"--text", L"--out", L"x"}, {L"report", L"--html", L"--out"}, {L"report", L"--html"},
        {L"register", L"a.ocx", L"b.ocx"}, {L"register", L"a.ocx", L"--in-place", L"--copy-to-system"},
        {L"register", L"a.ocx", L"--delete"}, {L"register", L""}};
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(ParseCliArguments(bad[i]).error.empty()) << "case " << i;
    EXPECT_EQ(ParseCliArguments({L"register"}).error, L"register needs a file name.");
    EXPECT_EQ(ParseCliArguments({L"unregister", L"a.ocx", L"--in-place"}).error,
              L"Unknown option '--in-place' for unregister.");
}

TEST(CliArguments, TestPageTakesOneClassAndAnOutputFile) {
    CliParseResult r = ParseCliArguments({L"testpage", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}", L"--out", L"C:\\t p.htm"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.options.command, CliCommand::TestPage);
    EXPECT_EQ(r.options.classId + L"|" + r.options.out, L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}|C:\\t p.htm");
    const std::wstring id = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}";
    EXPECT_EQ(ParseCliArguments({L"testpage", L"--out", L"x"}).error, L"testpage needs a class identifier.");
    EXPECT_EQ(ParseCliArguments({L"testpage", id}).error, L"testpage needs --out FILE.");
    EXPECT_EQ(ParseCliArguments({L"testpage", L"{A}", L"--out", L"x"}).error,
              L"testpage: '{A}' is not a class identifier (a GUID in braces).");
    EXPECT_FALSE(ParseCliArguments({L"testpage", id, id, L"--out", L"x"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"testpage", id, L"--out", L"x", L"--html"}).error.empty());
    EXPECT_NE(CliUsageText().find(L"nivexcmd testpage CLSID --out FILE"), std::wstring::npos);
}

TEST(CatalogueOutputs, JsonEscapesAndKeepsInsertionOrder) {
    Catalogue catalogue;
    ControlRecord r;
    r.DisplayName = L"Quote \" back\\ tab\t";
    r.ClassId = L"{B}";
    r.TypeLibId = L"{LIB}";
    r.Status = kStatusMissing;
    catalogue.AddControlToList(r);
    r.DisplayName = L"Second";
    r.ClassId = L"{A}";
    catalogue.AddControlToList(r);
    const std::wstring json = CatalogueJson(catalogue, {{L"PopulateList", L"t", 5, L"d\x01"}});
    EXPECT_NE(json.find(L"\"counts\": {\"libraries\": 1, \"controls\": 2, \"missing\": 1}"), std::wstring::npos);
    EXPECT_NE(json.find(L"Quote \\\" back\\\\ tab\\t"), std::wstring::npos);
    EXPECT_LT(json.find(L"{B}"), json.find(L"{A}"));
    EXPECT_NE(json.find(L"\"bold\": true"), std::wstring::npos);
    EXPECT_NE(json.find(L"\"description\": \"d\\u0001\""), std::wstring::npos);
    const std::wstring csv = CatalogueCsv(catalogue, Catalogue::kMissing);
    EXPECT_NE(csv.find(L"{LIB},\"Quote \"\" back\\ tab\t\",File Not Found!,{B},\"Quote \"\" back\\ tab\t\""),
              std::wstring::npos);
    const std::wstring text = CatalogueText(catalogue, Catalogue::kAll);
    EXPECT_NE(text.find(L"    Second  {A}\r\n"), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 27), L"2 Controls in 1 Libraries\r\n");
}

} // namespace
} // namespace nivex
