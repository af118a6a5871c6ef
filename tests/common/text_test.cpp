// Text conversion and comparison, rounding and formatting, the shared error text.
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/format.h"
#include "common/paths.h"
#include "common/text.h"

namespace nivex {
namespace {

TEST(Format, HalvesGoToTheEvenNumberAndPaddingNeverCuts) {
    for (const auto& [value, rounded] : {std::pair{0.5, 0LL}, {1.5, 2LL}, {2.5, 2LL}, {2.51, 3LL}, {-2.5, -2LL}})
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    // Lengths past the 32-bit range must not wrap.
    for (const auto& [bytes, text] : {std::pair{2560ull, L"2 KB"}, {3584ull, L"4 KB"}, {513ull, L"1 KB"},
                                      {5ull * 1024 * 1024 * 1024 + 512, L"5242880 KB"}})
        EXPECT_EQ(SizeKbText(bytes), text) << bytes;
    EXPECT_EQ(FormatMinDigits(2002, 2) + L" " + FormatMinDigits(-3, 2), L"2002 -03");
    EXPECT_EQ(DateText(2002, 3, 7), L"03/07/2002");
    EXPECT_EQ(TranslationKey(0x0409, 0x04B0) + L" " + TranslationKey(0x0409, 0), L"040904B0 04090000");
}

TEST(Text, Utf8RoundTripsMalformedInputIsReplacedNotOverreadCaseTrimNulReplaceAndPaths) {
    const std::wstring text = L"Stra\u00dfe \u20ac \U0001F600 end";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"\u00e9"), "\xC3\xA9");
    // A sequence cut off by the end of the text: the byte after the end is not read.
    EXPECT_EQ(Utf8ToWide(std::string_view("a\xC3\xA9", 2)), L"a\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xFF" "b"), L"\uFFFD" L"b");
    EXPECT_EQ(Utf8ToWide("\xE2\x28\xA1"), L"\uFFFD(\uFFFD");

    EXPECT_TRUE(EqualsNoCase(L"C:\\Windows\\X.OCX", L"c:\\windows\\x.ocx"));
    EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
    // Folding must not depend on the runtime's locale.
    EXPECT_TRUE(EqualsNoCase(L"\u00c9T\u00c9 \u0160\u0410\u0401\u03a3", L"\u00e9t\u00e9 \u0161\u0430\u0451\u03c3"));
    EXPECT_FALSE(EqualsNoCase(L"\u00d7", L"\u00f7"));
    EXPECT_EQ(ToUpperText(L"stra\u00dfe \u00ff\u017e"), L"STRA\u00dfE \u0178\u017d");
    EXPECT_TRUE(StartsWithNoCase(L"/register", L"/R"));
    EXPECT_EQ(Trim(L"  a b \t"), L"a b");
    EXPECT_EQ(CutAtNul(std::wstring(L"ab\0cd", 5)), L"ab");
    EXPECT_EQ(ReplaceAll(L"%A-%A%B", L"%A", L"x"), L"x-x%B");
    EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"a"), L"aa");

    EXPECT_EQ(JoinPath(L"C:\\Prog", L"a.wav") + L"|" + JoinPath(L"C:\\", L"b.chm"), L"C:\\Prog\\a.wav|C:\\b.chm");
    SetSystemFolder(L"C:\\windows\\system32");
    EXPECT_EQ(SystemFolder(), L"C:\\windows\\system32\\");
    SetSystemFolder(L"");
    EXPECT_EQ(SystemFolder(), L"\\");
}

TEST(ErrorMessages, NumberAndDescriptionOnTheirOwnLine) {
    const Error error(26001, L"nivex.cRegistry", L"Failed to create registry Key: 'CLSID");
    EXPECT_EQ(ErrorInMessage(L"PopulateList", error),
              L"Error in PopulateList()\r\nError 26001 - Failed to create registry Key: 'CLSID");
    EXPECT_STREQ(error.what(), "Error 26001 - Failed to create registry Key: 'CLSID");
}

} // namespace
} // namespace nivex
