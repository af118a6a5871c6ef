#include <gtest/gtest.h>

#include "app/catalogue.h"
#include "cli/catalogue_output.h"
#include "cli/cli_options.h"

namespace nivex {
namespace {

TEST(CliArguments, ListAndReportForms) {
    CliParseResult r = ParseCliArguments({L"list", L"--missing", L"--csv"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_EQ(r.options.command, CliCommand::List);
    EXPECT_TRUE(r.options.missingOnly);
    EXPECT_EQ(r.options.format, ListFormat::Csv);
    r = ParseCliArguments({L"report", L"--text", L"--out", L"C:\\r.txt", L"--only-libraries", L"--template", L"t.tpl"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_TRUE(r.options.text);
    EXPECT_EQ(r.options.out, L"C:\\r.txt");
    EXPECT_EQ(r.options.templatePath, L"t.tpl");
    EXPECT_TRUE(r.options.onlyLibraries);
    EXPECT_EQ(ParseCliArguments({L"--help"}).options.command, CliCommand::Help);
}

TEST(CliArguments, BadUsageIsRefusedWithAReason) {
    EXPECT_FALSE(ParseCliArguments({}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"lst"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"list", L"--json", L"--csv"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"list", L"--html"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"report", L"--out", L"x"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"report", L"--html", L"--text", L"--out", L"x"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"report", L"--html", L"--out"}).error.empty());
    EXPECT_FALSE(ParseCliArguments({L"report", L"--html"}).error.empty());
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
