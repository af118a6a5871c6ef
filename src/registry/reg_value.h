#pragma once
// Registry values as the program handles them, and the decoding of raw value data.
// Portable: the bytes come from the platform layer, the rules live here so they run under the sanitizers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nivex {

// Empty (monostate) is the "no value" default.
using RegVariant = std::variant<std::monostate, std::wstring, std::int16_t, std::int32_t, std::vector<std::uint8_t>>;

// Value types as the platform numbers them.
constexpr std::int32_t kRegNone = 0;
constexpr std::int32_t kRegSz = 1;
constexpr std::int32_t kRegExpandSz = 2;
constexpr std::int32_t kRegBinary = 3;
constexpr std::int32_t kRegDword = 4;
constexpr std::int32_t kRegDwordBigEndian = 5;
constexpr std::int32_t kRegLink = 6;
constexpr std::int32_t kRegMultiSz = 7;
constexpr std::int32_t kRegQword = 11;

// Text form: text as is, integers in decimal, bytes as upper-case hex pairs separated by blanks
// ("00 0A FF"), empty for monostate.
std::wstring VariantText(const RegVariant& v);

// UTF-16 string data as stored, which may lack its terminating NUL or have an odd byte length.
// A trailing odd byte becomes a character of its own (high byte zero), so nothing stored is lost.
// Single strings end at the first NUL.
std::wstring RegStringFromBytes(std::span<const std::uint8_t> data);
// Multi-strings keep their inner NUL separators; only one final NUL, when really there, is dropped.
std::wstring RegMultiStringFromBytes(std::span<const std::uint8_t> data);

// The first four bytes (missing ones read as zero) as a little-endian or big-endian 32-bit value.
std::uint32_t DwordFromBytes(std::span<const std::uint8_t> data, bool bigEndian);
// The first eight bytes (missing ones read as zero), little-endian.
std::uint64_t QwordFromBytes(const std::vector<std::uint8_t>& data);

// The same for a byte vector (and brace lists of bytes).
inline std::wstring RegStringFromBytes(const std::vector<std::uint8_t>& data) {
    return RegStringFromBytes(std::span<const std::uint8_t>(data));
}
inline std::wstring RegMultiStringFromBytes(const std::vector<std::uint8_t>& data) {
    return RegMultiStringFromBytes(std::span<const std::uint8_t>(data));
}
inline std::uint32_t DwordFromBytes(const std::vector<std::uint8_t>& data, bool bigEndian) {
    return DwordFromBytes(std::span<const std::uint8_t>(data), bigEndian);
}

// True when the text holds a "%" and another "%" at least two characters after it,
// so that it names an environment reference and is stored as REG_EXPAND_SZ.
bool HoldsEnvironmentReference(std::wstring_view text);

} // namespace nivex
