// The command line: the arguments after the program name, the one-shot switches and the quoted path.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "common/text.h"

namespace nivex {
namespace {

TEST(CommandLine, ArgumentsFollowTheProgramNameAndOneBlank) {
    EXPECT_EQ(ArgumentsOf(L"nivex.exe /R C:\\a.ocx"), L"/R C:\\a.ocx");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Nivex\\nivex.exe\" /U \"C:\\x y\\a.ocx\""), L"/U \"C:\\x y\\a.ocx\"");
    EXPECT_EQ(ArgumentsOf(L"nivex.exe"), L"");
    EXPECT_EQ(ArgumentsOf(L"nivex.exe   /R x"), L"  /R x");
}

TEST(CommandLine, SwitchIsTwoCharactersAnyCaseThenOneSkippedCharacterElseInteractive) {
    StartRequest r = ParseStartRequest(L"/r C:\\a.ocx");
    EXPECT_EQ(r.mode, RunMode::Register);
    EXPECT_EQ(r.path, L"C:\\a.ocx");
    r = ParseStartRequest(L"/UC:\\a.ocx");
    EXPECT_EQ(r.mode, RunMode::Unregister);
    EXPECT_EQ(r.path, L":\\a.ocx"); // exactly one character is skipped, whatever it is
    EXPECT_EQ(ParseStartRequest(L"/U \"C:\\x y\\a.ocx\" ").path, L"\"C:\\x y\\a.ocx\" ");
    EXPECT_EQ(ParseStartRequest(L"/R").mode, RunMode::Register);
    EXPECT_EQ(ParseStartRequest(L"/R").path, L"");
    for (const wchar_t* line : {L"", L" /R x", L"/X x", L"-R x"}) EXPECT_EQ(ParseStartRequest(line).mode, RunMode::Interactive);
}

TEST(CommandLine, UnquoteRemovesOnePairOnly) {
    EXPECT_EQ(UnquotePath(L"\"C:\\x y\\a.ocx\""), L"C:\\x y\\a.ocx");
    EXPECT_EQ(UnquotePath(L"C:\\a.ocx"), L"C:\\a.ocx");
    EXPECT_EQ(UnquotePath(L"\""), L"\"");
    EXPECT_EQ(UnquotePath(L"\"\"a\"\""), L"\"a\"");
}

} // namespace
} // namespace nivex
