#pragma once
// Registry values as the program handles them: the one decoding of raw value data into a value and its text.
// Portable: the bytes come from the platform layer (registry/reg_read.h), the rules live here so they run
// under the sanitizers. Every reader of registry values (the scan, the control's registration, Edit Data,
// the settings store, cRegistry) decodes through DecodeRegValue, so one value reads the same everywhere.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nivex {

// Empty (monostate) is the "no value" default. 16- and 32-bit signed numbers are what callers write;
// decoded numbers are unsigned.
using RegVariant = std::variant<std::monostate, std::wstring, std::int16_t, std::int32_t, std::uint32_t, std::uint64_t,
                                std::vector<std::uint8_t>>;

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

// Expands environment references; the platform supplies it.
using EnvironmentExpander = std::wstring (*)(const std::wstring& text);

// The choices a reader makes. Everything else is decoded one way for every reader.
struct RegTextOptions {
    // REG_EXPAND_SZ with its environment references expanded; false keeps them as stored (what an editor
    // shows and writes back).
    bool expand = true;
    // Data without a text form (REG_BINARY, REG_NONE, REG_LINK, unknown types, numbers of the wrong size) as
    // its bytes, whose text is hex pairs; false makes it no value, so that the reader's default applies.
    bool keepBytes = true;
    // How the platform reader expands REG_EXPAND_SZ (a server's path as its own process would); null: as this
    // program's environment says.
    EnvironmentExpander expander = nullptr;
};

// REG_SZ and REG_EXPAND_SZ: the UTF-16 text up to its first NUL; a missing terminator loses nothing, and a
// trailing odd byte is a character of its own (high byte zero) unless it is zero.
// REG_MULTI_SZ: its strings joined by a blank, as the system's registry editor lists them.
// REG_DWORD and REG_DWORD_BIG_ENDIAN of four bytes: std::uint32_t; REG_QWORD of eight bytes: std::uint64_t.
// Anything else: the bytes, or monostate when options.keepBytes is false.
// expand may be null (references stay).
RegVariant DecodeRegValue(std::uint32_t type, std::span<const std::uint8_t> data, const RegTextOptions& options = {},
                          EnvironmentExpander expand = nullptr);

// Text form: text as is, numbers in decimal (decoded DWORDs unsigned, as the system's registry editor shows
// them), bytes as upper-case hex pairs separated by blanks ("00 0A FF"), empty for monostate.
std::wstring VariantText(const RegVariant& v);

// The text of DecodeRegValue; nullopt when that gave no value.
std::optional<std::wstring> RegValueText(std::uint32_t type, std::span<const std::uint8_t> data,
                                         const RegTextOptions& options = {}, EnvironmentExpander expand = nullptr);

// True when the text holds a "%" and another "%" at least two characters after it,
// so that it names an environment reference and is stored as REG_EXPAND_SZ.
bool HoldsEnvironmentReference(std::wstring_view text);

} // namespace nivex
