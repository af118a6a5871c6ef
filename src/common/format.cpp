#include "common/format.h"

#include <cmath>

namespace velmora {

long long RoundHalfEven(double value) {
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    long long result = static_cast<long long>(floorValue);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
    return result;
}

std::uint64_t DivideRoundHalfEven(std::uint64_t numerator, std::uint64_t denominator) {
    std::uint64_t quotient = numerator / denominator;
    const std::uint64_t remainder = numerator % denominator;
    const std::uint64_t twice = remainder * 2;
    if (twice > denominator || (twice == denominator && (quotient % 2 != 0))) ++quotient;
    return quotient;
}

std::wstring FormatMinDigits(long long value, int minDigits) {
    const bool negative = value < 0;
    std::wstring digits = std::to_wstring(negative ? -value : value);
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), L'0');
    return negative ? L"-" + digits : digits;
}

std::wstring DateText(int year, int month, int day) {
    return FormatMinDigits(month, 2) + L"/" + FormatMinDigits(day, 2) + L"/" + FormatMinDigits(year, 2);
}

std::wstring SizeKbText(std::uint64_t bytes) {
    return std::to_wstring(DivideRoundHalfEven(bytes, 1024)) + L" KB";
}

std::wstring HexText(std::uint64_t value) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

std::wstring TranslationKey(unsigned language, unsigned codePage) {
    std::wstring page = HexText(codePage & 0xFFFF);
    if (page.size() < 4) page.insert(0, 4 - page.size(), L'0');
    std::wstring key = HexText(language & 0xFFFF) + page;
    if (key.size() < 8) key.insert(0, 8 - key.size(), L'0');
    return key;
}

} // namespace velmora
