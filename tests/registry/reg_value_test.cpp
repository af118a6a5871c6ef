#include <gtest/gtest.h>

#include "registry/reg_value.h"

namespace nivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// UTF-16 bytes of text, then any extra bytes (a terminator, half of one, a stray byte).
Bytes Utf16(const std::wstring& text, Bytes extra = {}) {
    Bytes bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}

TEST(RegValue, VariantTextOfEveryKind) {
    EXPECT_EQ(VariantText(RegVariant{}), L"");
    EXPECT_EQ(VariantText(RegVariant{std::int16_t{-7}}), L"-7");
    EXPECT_EQ(VariantText(RegVariant{std::int32_t{-2147483647 - 1}}), L"-2147483648");
    EXPECT_EQ(VariantText(RegVariant{Bytes{0x00, 0x0A, 0xFF}}), L"00 0A FF");
}

TEST(RegValue, StringsKeepEveryStoredCharacterWhateverTheTerminatorAndLength) {
    const std::wstring pair(L"one\0two", 7);
    const struct {
        Bytes data;
        std::wstring single, multi;
    } cases[] = {
        {Utf16(L"abc", {0, 0}), L"abc", L"abc"},
        {Utf16(L"abc"), L"abc", L"abc"},
        {Utf16(L"abc", {0}), L"abc", L"abc"},     // odd length: half a NUL is no character
        {Utf16(L"abc", {'d'}), L"abcd", L"abcd"}, // but a stray non-zero byte is kept
        {Bytes{'x'}, L"x", L"x"},
        {Bytes{}, L"", L""},
        {Utf16(pair, {0, 0, 0, 0}), L"one", pair + L'\0'}, // multi-strings keep their separators
        {Utf16(pair), L"one", pair},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RegStringFromBytes(c.data), c.single) << ::testing::PrintToString(c.data);
        EXPECT_EQ(RegMultiStringFromBytes(c.data), c.multi) << ::testing::PrintToString(c.data);
    }
}

TEST(RegValue, NumbersInBothByteOrdersNeverReadPastTheData) {
    EXPECT_EQ(DwordFromBytes({0x00, 0x00, 0x01, 0x02}, true), 258u);
    EXPECT_EQ(DwordFromBytes({0x02, 0x01, 0x00, 0x00}, false), 258u);
    // Short data is zero-padded, long data is cut.
    EXPECT_EQ(DwordFromBytes({0x05}, true), 0x05000000u);
    EXPECT_EQ(DwordFromBytes({1, 0, 0, 0, 9, 9}, false), 1u);
    EXPECT_EQ(QwordFromBytes({1, 0, 0, 0, 0, 0, 0, 1, 9}), 0x0100000000000001ull);
    EXPECT_EQ(QwordFromBytes({2}), 2ull);
}

TEST(RegValue, EnvironmentReferenceNeedsTextBetweenPercentSigns) {
    for (const wchar_t* reference : {L"%a%", L"%%a%", L"x%PATH%y"})
        EXPECT_TRUE(HoldsEnvironmentReference(reference)) << reference;
    for (const wchar_t* plain : {L"100%", L"%%", L"%", L""})
        EXPECT_FALSE(HoldsEnvironmentReference(plain)) << plain;
}

} // namespace
} // namespace nivex
