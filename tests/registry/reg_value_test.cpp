#include <gtest/gtest.h>

#include "registry/reg_value.h"

namespace nivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16(const std::wstring& text, bool withNul) {
    Bytes bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    if (withNul) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

TEST(RegValue, VariantTextOfEveryKind) {
    EXPECT_EQ(VariantText(RegVariant{}), L"");
    EXPECT_EQ(VariantText(RegVariant{std::wstring(L"a b")}), L"a b");
    EXPECT_EQ(VariantText(RegVariant{std::int16_t{-7}}), L"-7");
    EXPECT_EQ(VariantText(RegVariant{std::int32_t{-2147483647 - 1}}), L"-2147483648");
    EXPECT_EQ(VariantText(RegVariant{Bytes{0x00, 0x0A, 0xFF}}), L"00 0A FF");
    EXPECT_EQ(VariantText(RegVariant{Bytes{}}), L"");
}

TEST(RegValue, StringsKeepTheirLastCharacterWhateverTheTerminator) {
    EXPECT_EQ(RegStringFromBytes(Utf16(L"abc", true)), L"abc");
    EXPECT_EQ(RegStringFromBytes(Utf16(L"abc", false)), L"abc");
    EXPECT_EQ(RegStringFromBytes({}), L"");
    // Odd length: half a NUL is no character, but a stray non-zero byte is kept.
    Bytes halfNul = Utf16(L"abc", false);
    halfNul.push_back(0);
    EXPECT_EQ(RegStringFromBytes(halfNul), L"abc");
    Bytes strayByte = Utf16(L"abc", false);
    strayByte.push_back('d');
    EXPECT_EQ(RegStringFromBytes(strayByte), L"abcd");
    EXPECT_EQ(RegStringFromBytes(Bytes{'x'}), L"x");
}

TEST(RegValue, MultiStringsKeepSeparatorsAndDropOnlyARealFinalNul) {
    const std::wstring listed(L"one\0two\0", 8);
    EXPECT_EQ(RegMultiStringFromBytes(Utf16(listed, true)), listed);
    // Written without the closing NUL: the last string stays whole.
    EXPECT_EQ(RegMultiStringFromBytes(Utf16(std::wstring(L"one\0two", 7), false)), std::wstring(L"one\0two", 7));
    Bytes odd = Utf16(std::wstring(L"a\0b", 3), false);
    odd.push_back('c');
    EXPECT_EQ(RegMultiStringFromBytes(odd), std::wstring(L"a\0bc", 4));
    EXPECT_EQ(RegMultiStringFromBytes({}), L"");
}

TEST(RegValue, DwordsInBothByteOrders) {
    EXPECT_EQ(DwordFromBytes({0x00, 0x00, 0x01, 0x02}, true), 258u);
    EXPECT_EQ(DwordFromBytes({0x02, 0x01, 0x00, 0x00}, false), 258u);
    // Short data is zero-padded, long data is cut to four bytes; never read past the end.
    EXPECT_EQ(DwordFromBytes({0x05}, false), 5u);
    EXPECT_EQ(DwordFromBytes({}, true), 0u);
    EXPECT_EQ(DwordFromBytes({1, 0, 0, 0, 9, 9}, false), 1u);
    EXPECT_EQ(QwordFromBytes({1, 0, 0, 0, 0, 0, 0, 1}), 0x0100000000000001ull);
    EXPECT_EQ(QwordFromBytes({2}), 2ull);
}

TEST(RegValue, EnvironmentReferenceNeedsTextBetweenPercentSigns) {
    EXPECT_TRUE(HoldsEnvironmentReference(L"%a%"));
    EXPECT_TRUE(HoldsEnvironmentReference(L"%%a%"));
    EXPECT_FALSE(HoldsEnvironmentReference(L"100%"));
    EXPECT_FALSE(HoldsEnvironmentReference(L"%%"));
    EXPECT_FALSE(HoldsEnvironmentReference(L"%"));
    EXPECT_FALSE(HoldsEnvironmentReference(L""));
}

} // namespace
} // namespace nivex
