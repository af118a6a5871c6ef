// nivexcmd's command lines, and the text, JSON and CSV forms of the catalogue it prints.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "cli/catalogue_output.h"
#include "cli/repair_options.h"
#include "registry/registry_view.h"

namespace nivex {
namespace {

const std::wstring kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000D001}";

// The error a command line gets, from the command line or from a repair command's own arguments.
std::wstring Error(const std::vector<std::wstring>& args) {
    const CliParseResult r = ParseCliArguments(args);
    CliCommand repair = CliCommand::None;
    if (!r.error.empty() || !IsRepairCommand(args[0], repair)) return r.error;
    return ParseRepairArguments(repair, r.options.rest).error;
}

// What a command line sets, in one line.
std::wstring Parsed(const std::vector<std::wstring>& args) {
    const CliParseResult r = ParseCliArguments(args);
    const CliOptions& o = r.options;
    const wchar_t* const commands[] = {L"none", L"help", L"version", L"list", L"report", L"register", L"unregister",
                                       L"remove-keys", L"edit", L"restore", L"find-file", L"relink", L"testpage"};
    std::wstring s = r.error + commands[static_cast<int>(o.command)];
    const wchar_t* const placements[] = {L"", L" copy", L" in-place"};
    const wchar_t* const removals[] = {L"", L" delete", L" keep"};
    for (const auto& [on, text] : {std::pair{o.missingOnly, L" missing"}, {o.format == ListFormat::Json, L" json"},
                                   {o.format == ListFormat::Csv, L" csv"}, {o.html, L" html"}, {o.text, L" text"},
                                   {o.onlyMissing, L" only-missing"}, {o.onlyLibraries, L" only-libraries"}})
        if (on) s += text;
    s += placements[static_cast<int>(o.placement)] + std::wstring(removals[static_cast<int>(o.removal)]);
    for (const auto& [name, value] : {std::pair{L" out=", o.out}, {L" template=", o.templatePath}, {L" file=", o.file},
                                      {L" class=", o.classId}})
        if (!value.empty()) s += name + value;
    if (o.view) s += L" view=" + std::wstring(ViewNumber(*o.view));
    return s;
}

TEST(CliArguments, EachCommandTakesItsOptionsInAnyOrderAndBadUsageIsRefusedWithAReason) {
    const std::pair<std::vector<std::wstring>, std::wstring> good[] = {
        {{L"list", L"--missing", L"--csv"}, L"list missing csv"},
        {{L"report", L"--text", L"--out", L"C:\\r.txt", L"--only-libraries", L"--template", L"t.tpl"},
         L"report text only-libraries out=C:\\r.txt template=t.tpl"},
        {{L"register", L"--copy-to-system", L"C:\\a b\\x.ocx"}, L"register copy file=C:\\a b\\x.ocx"},
        {{L"register", L"x.ocx", L"--in-place"}, L"register in-place file=x.ocx"},
        {{L"unregister", L"x.ocx", L"--delete"}, L"unregister delete file=x.ocx"},
        {{L"unregister", L"--keep", L"x.ocx"}, L"unregister keep file=x.ocx"},
        {{L"register", L"--help"}, L"help"},
        {{L"testpage", kId, L"--out", L"C:\\t p.htm"}, L"testpage out=C:\\t p.htm class=" + kId},
        {{L"list", L"--view", L"32"}, L"list view=32"},
        {{L"report", L"--text", L"--out", L"r", L"--view", L"64"}, L"report text out=r view=64"},
        {{L"testpage", kId, L"--out", L"p", L"--view", L"both"}, L"testpage out=p class=" + kId},
    };
    for (const auto& [args, expected] : good) EXPECT_EQ(Parsed(args), expected);

    const std::vector<std::vector<std::wstring>> bad = {
        {}, {L"lst"}, {L"list", L"--json", L"--csv"}, {L"list", L"--html"}, {L"report", L"--out", L"x"},
        {L"report", L"--html", L"--text", L"--out", L"x"}, {L"report", L"--html", L"--out"}, {L"report", L"--html"},
        {L"register", L"a.ocx", L"b.ocx"}, {L"register", L"a.ocx", L"--in-place", L"--copy-to-system"},
        {L"register", L"a.ocx", L"--delete"}, {L"register", L""}, {L"testpage", kId, kId, L"--out", L"x"},
        {L"testpage", kId, L"--out", L"x", L"--html"}, {L"remove-keys"}, {L"remove-keys", L"TypeLib\\"},
        {L"remove-keys", kId, kId}, {L"remove-keys", kId, L"--force"}, {L"edit", L"", L"Version", L"help"},
        {L"edit", kId, L"progid", L"x"}, {L"find-file", kId}, {L"find-file", kId, L"--in"}, {L"relink", kId},
        {L"relink", kId, L"f.ocx", L"--in-place", L"--copy-to-system"}, {L"restore"}, {L"restore", L"a.reg", L"--yes"},
        {L"list", L"--view", L"x86"}, {L"list", L"--view"}, {L"register", L"f.ocx", L"--view", L"32"}, // machine type
        {L"register"}, {L"unregister", L"a.ocx", L"--in-place"}, {L"testpage", L"--out", L"x"}, {L"testpage", kId}};
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_NE(Error(bad[i]), L"") << "case " << i;
    EXPECT_EQ(Error({L"testpage", L"{A}", L"--out", L"x"}), L"testpage: '{A}' is not a class identifier (a GUID in braces).");
    EXPECT_NE(Error({L"edit", kId, L"Status", L"x"}).find(L"\"Toolbox Bitmap\""), std::wstring::npos);
    EXPECT_EQ(Error({L"edit", kId, L"Toolbox Bitmap", L""}), L"") << "an empty value clears it";
}

TEST(CatalogueOutputs, EscapeTheirTextsKeepInsertionOrderAndCountTheTreeShown) {
    Catalogue catalogue;
    catalogue.AddControlToList({L"Quote \" back\\ tab\t", L"{B}", L"", L"{LIB}", kStatusMissing, L""});
    catalogue.AddControlToList({L"Second", L"{A}", L"", L"{LIB}", kStatusMissing, L""});
    const std::wstring json = CatalogueJson(catalogue, {{L"PopulateList", L"t", 5, L"d\x01"}});
    for (const wchar_t* part : {L"\"counts\": {\"libraries\": 1, \"controls\": 2, \"missing\": 1}",
                                L"Quote \\\" back\\\\ tab\\t", L"\"bold\": true", L"\"description\": \"d\\u0001\""})
        EXPECT_NE(json.find(part), std::wstring::npos) << part;
    EXPECT_LT(json.find(L"{B}"), json.find(L"{A}"));
    EXPECT_NE(CatalogueCsv(catalogue, Catalogue::kMissing)
                  .find(L"{LIB},\"Quote \"\" back\\ tab\t\",File Not Found!,{B},\"Quote \"\" back\\ tab\t\""),
              std::wstring::npos);
    const std::wstring text = CatalogueText(catalogue, Catalogue::kAll);
    EXPECT_NE(text.find(L"    Second  {A}\r\n"), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 27), L"2 Controls in 1 Libraries\r\n");
    EXPECT_NE(CatalogueText(catalogue, Catalogue::kMissing).find(L"\r\n1 Missing File(s)\r\n"), std::wstring::npos);
}

} // namespace
} // namespace nivex
