#pragma once
// Number and date texts shared by the details panel, comparisons and reports.
#include <cstdint>
#include <string>

#include "common/base_namespace.h"

namespace velmora {

// Rounds to the nearest whole number, halves to the even number (2.5 -> 2, 3.5 -> 4).
long long RoundHalfEven(double value);
// numerator / denominator rounded the same way, exactly, for 64-bit lengths.
std::uint64_t DivideRoundHalfEven(std::uint64_t numerator, std::uint64_t denominator);

// Decimal text with at least minDigits digits, zero-padded on the left (format "00", "0000").
std::wstring FormatMinDigits(long long value, int minDigits);

// "MM/DD/YYYY" whatever the regional settings.
std::wstring DateText(int year, int month, int day);

// Length in kilobytes, rounded half to even, then " KB".
std::wstring SizeKbText(std::uint64_t bytes);

// Eight upper-case hex digits of a version translation: language then code page.
std::wstring TranslationKey(unsigned language, unsigned codePage);

// Upper-case hexadecimal without padding.
std::wstring HexText(std::uint64_t value);

} // namespace velmora
