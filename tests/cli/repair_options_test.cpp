// The repair commands' command lines.
#include <gtest/gtest.h>

#include "cli/repair_options.h"

namespace nivex {
namespace {

const std::wstring kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000D001}";

TEST(RepairOptions, EachCommandTakesItsArgumentsAndOptionsInAnyOrder) {
    CliParseResult top = ParseCliArguments({L"remove-keys", L"--yes", kId});
    ASSERT_EQ(top.error, L"");
    EXPECT_EQ(top.options.command, CliCommand::RemoveKeys);
    RepairParse p = ParseRepairArguments(top.options.command, top.options.rest);
    EXPECT_EQ(p.error, L"");
    EXPECT_TRUE(p.options.yes);
    EXPECT_EQ(p.options.id, kId);

    p = ParseRepairArguments(CliCommand::Edit, {kId, L"Toolbox Bitmap", L""});
    EXPECT_EQ(p.error, L"") << "an empty value clears it";
    EXPECT_NE(ParseRepairArguments(CliCommand::Edit, {L"", L"Version", L"1"}).error, L"");
    p = ParseRepairArguments(CliCommand::Edit, {kId, L"ProgID", L"A.B.1"});
    EXPECT_EQ(p.error, L"");
    EXPECT_EQ(p.options.element + L"=" + p.options.value, L"ProgID=A.B.1");

    p = ParseRepairArguments(CliCommand::FindFile, {L"--recursive", kId, L"--in", L"C:\\x"});
    EXPECT_EQ(p.error, L"");
    EXPECT_TRUE(p.options.recursive);
    EXPECT_EQ(p.options.folder, L"C:\\x");

    p = ParseRepairArguments(CliCommand::Relink, {kId, L"C:\\new.ocx", L"--in-place"});
    EXPECT_EQ(p.error, L"");
    EXPECT_EQ(p.options.placement, CliPlacement::InPlace);
    EXPECT_EQ(p.options.file, L"C:\\new.ocx");

    p = ParseRepairArguments(CliCommand::Restore, {L"backup.reg"});
    EXPECT_EQ(p.options.file, L"backup.reg");
    EXPECT_TRUE(ParseRepairArguments(CliCommand::Restore, {L"--help"}).options.help);
}

TEST(RepairOptions, MistakesAreNamed) {
    const std::pair<CliCommand, std::vector<std::wstring>> bad[] = {
        {CliCommand::RemoveKeys, {}},
        {CliCommand::RemoveKeys, {L"TypeLib\\"}},
        {CliCommand::RemoveKeys, {kId, kId}},
        {CliCommand::RemoveKeys, {kId, L"--force"}},
        {CliCommand::Edit, {kId, L"Status", L"x"}},
        {CliCommand::Edit, {kId, L"progid", L"x"}},
        {CliCommand::FindFile, {kId}},
        {CliCommand::FindFile, {kId, L"--in"}},
        {CliCommand::Relink, {kId}},
        {CliCommand::Relink, {kId, L"f.ocx", L"--in-place", L"--copy-to-system"}},
        {CliCommand::Restore, {}},
        {CliCommand::Restore, {L"a.reg", L"--yes"}},
    };
    for (const auto& [command, args] : bad)
        EXPECT_NE(ParseRepairArguments(command, args).error, L"") << args.size();
    EXPECT_NE(ParseRepairArguments(CliCommand::Edit, {kId, L"Status", L"x"}).error.find(L"\"Toolbox Bitmap\""),
              std::wstring::npos);
}

} // namespace
} // namespace nivex
