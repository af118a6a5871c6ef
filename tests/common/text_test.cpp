#include <gtest/gtest.h>

#include "common/paths.h"
#include "common/text.h"

namespace nivex {
namespace {

TEST(Utf8, RoundTripsAllPlanesAndMalformedInputBecomesReplacementNotOverread) {
    const std::wstring text = L"Stra\u00dfe \u20ac \U0001F600 end";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(Utf8ToWide("a\xC3"), L"a\uFFFD");
    // A sequence cut off by the end of the text: the byte after the end is not read.
    EXPECT_EQ(Utf8ToWide(std::string_view("a\xC3\xA9", 2)), L"a\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xFF" "b"), L"\uFFFD" L"b");
    EXPECT_EQ(Utf8ToWide("\xE2\x28\xA1"), L"\uFFFD(\uFFFD");
}

TEST(TextHelpers, CaseTrimNulAndReplace) {
    EXPECT_TRUE(EqualsNoCase(L"C:\\Windows\\X.OCX", L"c:\\windows\\x.ocx"));
    EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
    // Folding must not depend on the runtime's locale.
    EXPECT_TRUE(EqualsNoCase(L"\u00c9T\u00c9 \u0160\u0410\u0401\u03a3", L"\u00e9t\u00e9 \u0161\u0430\u0451\u03c3"));
    EXPECT_EQ(ToUpperText(L"stra\u00dfe \u00ff\u017e"), L"STRA\u00dfE \u0178\u017d");
    EXPECT_FALSE(EqualsNoCase(L"\u00d7", L"\u00f7"));
    EXPECT_TRUE(StartsWithNoCase(L"/register", L"/R"));
    EXPECT_EQ(Trim(L"  a b \t"), L"a b");
    EXPECT_EQ(CutAtNul(std::wstring(L"ab\0cd", 5)), L"ab");
    EXPECT_EQ(CutAtNul(L"abc"), L"abc");
    EXPECT_EQ(ReplaceAll(L"%A-%A%B", L"%A", L"x"), L"x-x%B");
    EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"a"), L"aa");
}

TEST(Paths, JoinAddsBackslashOnlyWhenMissing) {
    EXPECT_EQ(JoinPath(L"C:\\Prog", L"Media\\a.wav"), L"C:\\Prog\\Media\\a.wav");
    EXPECT_EQ(JoinPath(L"C:\\", L"Nivex.chm"), L"C:\\Nivex.chm");
    EXPECT_EQ(WithTrailingBackslash(L""), L"\\");
    SetSystemFolder(L"C:\\windows\\system32");
    EXPECT_EQ(SystemFolder(), L"C:\\windows\\system32\\");
    SetSystemFolder(L"");
    EXPECT_EQ(SystemFolder(), L"\\");
}

} // namespace
} // namespace nivex
