#include <gtest/gtest.h>

#include "common/format.h"

namespace nivex {
namespace {

TEST(Rounding, HalvesGoToTheEvenNumber) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(DivideRoundHalfEven(1536, 1024), 2u);
    EXPECT_EQ(DivideRoundHalfEven(2560, 1024), 2u);
    EXPECT_EQ(DivideRoundHalfEven(3584, 1024), 4u);
    EXPECT_EQ(DivideRoundHalfEven(511, 1024), 0u);
    EXPECT_EQ(DivideRoundHalfEven(513, 1024), 1u);
}

TEST(SizeText, KilobytesOfSmallAndHugeFiles) {
    EXPECT_EQ(SizeKbText(1024), L"1 KB");
    EXPECT_EQ(SizeKbText(1536), L"2 KB");
    EXPECT_EQ(SizeKbText(2560), L"2 KB");
    EXPECT_EQ(SizeKbText(511), L"0 KB");
    EXPECT_EQ(SizeKbText(0), L"0 KB");
    // Lengths past the 32-bit range must not wrap.
    EXPECT_EQ(SizeKbText(2147483648ull), L"2097152 KB");
    EXPECT_EQ(SizeKbText(5ull * 1024 * 1024 * 1024 + 512), L"5242880 KB");
}

TEST(NumberFormats, MinimumDigitsPadButNeverCut) {
    EXPECT_EQ(FormatMinDigits(7, 2), L"07");
    EXPECT_EQ(FormatMinDigits(12, 2), L"12");
    EXPECT_EQ(FormatMinDigits(2002, 2), L"2002");
    EXPECT_EQ(FormatMinDigits(3, 4), L"0003");
    EXPECT_EQ(FormatMinDigits(12345, 4), L"12345");
    EXPECT_EQ(FormatMinDigits(-3, 2), L"-03");
}

TEST(DateTexts, MonthDayYear) {
    EXPECT_EQ(DateText(2002, 3, 7), L"03/07/2002");
    EXPECT_EQ(DateText(1999, 12, 31), L"12/31/1999");
}

TEST(TranslationKeys, LanguageThenCodePageInEightHexDigits) {
    EXPECT_EQ(TranslationKey(0x0409, 0x04B0), L"040904B0");
    EXPECT_EQ(TranslationKey(0x0407, 0x04E4), L"040704E4");
    EXPECT_EQ(TranslationKey(0x0409, 0), L"04090000");
    EXPECT_EQ(TranslationKey(0, 0), L"00000000");
    EXPECT_EQ(TranslationKey(0xFFFF, 0xABCD), L"FFFFABCD");
}

} // namespace
} // namespace nivex
