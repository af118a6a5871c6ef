#include "registry/reg_value.h"

namespace nivex {

namespace {
// Whole UTF-16 units; an odd last byte becomes a unit of its own (dropped when zero: half a terminator).
std::wstring UnitsFromBytes(std::span<const std::uint8_t> data) {
    std::wstring text(data.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(data[2 * i] | (static_cast<unsigned>(data[2 * i + 1]) << 8));
    if (data.size() % 2 && data.back() != 0) text += static_cast<wchar_t>(data.back());
    return text;
}

std::wstring UpToNul(std::wstring text) {
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.erase(nul);
    return text;
}

std::uint64_t Number(std::span<const std::uint8_t> data, bool bigEndian) {
    std::uint64_t value = 0;
    for (size_t i = 0; i < data.size(); ++i)
        value = (value << 8) | data[bigEndian ? i : data.size() - 1 - i];
    return value;
}

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;
} // namespace

RegVariant DecodeRegValue(std::uint32_t type, std::span<const std::uint8_t> data, const RegTextOptions& options,
                          EnvironmentExpander expand) {
    switch (type) {
    case kRegSz:
        return UpToNul(UnitsFromBytes(data));
    case kRegExpandSz: {
        std::wstring text = UpToNul(UnitsFromBytes(data));
        return options.expand && expand ? expand(text) : text;
    }
    case kRegMultiSz: {
        std::wstring text = UnitsFromBytes(data);
        // The list ends in an empty string: its NULs are terminators, the ones inside separate.
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        for (wchar_t& c : text)
            if (c == L'\0') c = L' ';
        return text;
    }
    case kRegDword:
    case kRegDwordBigEndian:
        if (data.size() == 4) return static_cast<std::uint32_t>(Number(data, type == kRegDwordBigEndian));
        break;
    case kRegQword:
        if (data.size() == 8) return Number(data, false);
        break;
    default:
        break;
    }
    // No text form, or a number whose size is not its type's: the bytes as they are, never a made-up number.
    if (!options.keepBytes) return std::monostate();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::wstring VariantText(const RegVariant& v) {
    return std::visit(Overloaded{
                          [](const std::monostate&) { return std::wstring(); },
                          [](const std::wstring& s) { return s; },
                          [](const std::vector<std::uint8_t>& bytes) {
                              static const wchar_t kDigits[] = L"0123456789ABCDEF";
                              std::wstring text;
                              for (size_t i = 0; i < bytes.size(); ++i) {
                                  if (i) text += L' ';
                                  text += kDigits[bytes[i] >> 4];
                                  text += kDigits[bytes[i] & 0x0F];
                              }
                              return text;
                          },
                          [](auto number) { return std::to_wstring(number); },
                      },
                      v);
}

std::optional<std::wstring> RegValueText(std::uint32_t type, std::span<const std::uint8_t> data,
                                         const RegTextOptions& options, EnvironmentExpander expand) {
    RegVariant value = DecodeRegValue(type, data, options, expand);
    if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
    if (auto* text = std::get_if<std::wstring>(&value)) return std::move(*text);
    return VariantText(value);
}

bool HoldsEnvironmentReference(std::wstring_view text) {
    const size_t first = text.find(L'%');
    return first != std::wstring_view::npos && text.find(L'%', first + 2) != std::wstring_view::npos;
}

} // namespace nivex
