#include <gtest/gtest.h>

#include "common/format.h"

namespace nivex {
namespace {

TEST(Rounding, HalvesGoToTheEvenNumber) {
    for (const auto& [value, rounded] : {std::pair{0.5, 0LL}, {1.5, 2LL}, {2.5, 2LL}, {2.51, 3LL}, {-1.5, -2LL}, {-2.5, -2LL}})
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    for (const auto& [bytes, kb] : {std::pair{1536ull, 2ull}, {2560ull, 2ull}, {3584ull, 4ull}, {511ull, 0ull}, {513ull, 1ull}})
        EXPECT_EQ(DivideRoundHalfEven(bytes, 1024), kb) << bytes;
}

TEST(Formats, SizesDigitsDatesAndTranslationKeys) {
    EXPECT_EQ(SizeKbText(2560), L"2 KB");
    // Lengths past the 32-bit range must not wrap.
    EXPECT_EQ(SizeKbText(2147483648ull), L"2097152 KB");
    EXPECT_EQ(SizeKbText(5ull * 1024 * 1024 * 1024 + 512), L"5242880 KB");
    // Minimum digits pad but never cut.
    EXPECT_EQ(FormatMinDigits(7, 2) + L" " + FormatMinDigits(2002, 2) + L" " + FormatMinDigits(-3, 2), L"07 2002 -03");
    EXPECT_EQ(DateText(2002, 3, 7), L"03/07/2002");
    EXPECT_EQ(TranslationKey(0x0409, 0x04B0), L"040904B0");
    EXPECT_EQ(TranslationKey(0x0409, 0), L"04090000");
    EXPECT_EQ(TranslationKey(0xFFFF, 0xABCD), L"FFFFABCD");
}

} // namespace
} // namespace nivex
