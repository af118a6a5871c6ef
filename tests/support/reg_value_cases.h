#pragma once
// Registry values of every type with the one text every reader gives them (registry/reg_value.h): the
// decoder's own test and the test of each reader go through the same table.
#include <cstdint>
#include <string>
#include <vector>

#include "registry/reg_value.h"

namespace nivex::testing {

// The environment reference in the expandable cases and what it expands to.
inline const wchar_t* const kCaseVariable = L"NIVEX_VALUE_CASE";
inline const wchar_t* const kCaseVariableValue = L"C:\\V";

struct RegValueCase {
    RegValueCase(std::uint32_t t, std::vector<std::uint8_t> d, std::wstring shown, std::wstring stored = {},
                 bool noText = false)
        : type(t), data(std::move(d)), text(std::move(shown)), asStored(stored.empty() ? text : stored),
          textless(noText) {}
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::wstring text;     // as the details list, a report, the scan, the settings store and cRegistry show it
    std::wstring asStored; // with references kept (Edit Data)
    bool textless;         // no text form: the settings store falls back to its default
};

inline std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text, std::vector<std::uint8_t> extra = {}) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}

inline std::vector<RegValueCase> RegValueCases() {
    using B = std::vector<std::uint8_t>;
    const std::wstring reference = L"%" + std::wstring(kCaseVariable) + L"%\\x.ocx";
    return {
        {kRegSz, Utf16Bytes(L"abc", {0, 0}), L"abc"},
        {kRegSz, Utf16Bytes(L"abc"), L"abc"},         // no terminator: the last character stays
        {kRegSz, Utf16Bytes(L"abc", {'d'}), L"abcd"}, // odd size: a stray byte is a character
        {kRegSz, Utf16Bytes(L"abc", {0}), L"abc"},    // but half a terminator is none
        {kRegSz, Utf16Bytes(std::wstring(L"ab\0cd\0", 6)), L"ab"},
        {kRegSz, B{}, L""},
        {kRegExpandSz, Utf16Bytes(reference, {0, 0}), std::wstring(kCaseVariableValue) + L"\\x.ocx", reference},
        {kRegMultiSz, Utf16Bytes(std::wstring(L"one\0two\0\0", 9)), L"one two"},
        {kRegMultiSz, Utf16Bytes(std::wstring(L"one\0\0three", 10)), L"one  three"}, // unterminated, an empty one
        {kRegDword, B{0xFF, 0xFF, 0xFF, 0xFF}, L"4294967295"},
        {kRegDword, B{0x01, 0x02, 0x03}, L"01 02 03", L"", true}, // the wrong size: no number is made up
        {kRegDwordBigEndian, B{0x00, 0x00, 0x01, 0x02}, L"258"},
        {kRegQword, B{1, 0, 0, 0, 0, 0, 0, 0x80}, L"9223372036854775809"},
        {kRegBinary, B{0x00, 0x0A, 0xFF}, L"00 0A FF", L"", true},
        {kRegBinary, B{}, L"", L"", true},
        {kRegNone, B{0x7F}, L"7F", L"", true},
    };
}

} // namespace nivex::testing
