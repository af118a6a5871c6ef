#include "registry/reg_value.h"

namespace nivex {

namespace {
// Whole UTF-16 units, the last one zero-padded when the byte length is odd.
std::wstring UnitsFromBytes(std::span<const std::uint8_t> data) {
    std::wstring text((data.size() + 1) / 2, L'\0');
    for (size_t i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned>(data[i]);
        text[i / 2] = static_cast<wchar_t>(static_cast<unsigned>(text[i / 2]) | (i % 2 ? byte << 8 : byte));
    }
    return text;
}

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;
} // namespace

std::wstring VariantText(const RegVariant& v) {
    return std::visit(Overloaded{
                          [](const std::monostate&) { return std::wstring(); },
                          [](const std::wstring& s) { return s; },
                          [](std::int16_t n) { return std::to_wstring(n); },
                          [](std::int32_t n) { return std::to_wstring(n); },
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
                      },
                      v);
}

std::wstring RegStringFromBytes(std::span<const std::uint8_t> data) {
    std::wstring text = UnitsFromBytes(data);
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.erase(nul);
    return text;
}

std::wstring RegMultiStringFromBytes(std::span<const std::uint8_t> data) {
    std::wstring text = UnitsFromBytes(data);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::uint32_t DwordFromBytes(std::span<const std::uint8_t> data, bool bigEndian) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        const std::uint32_t byte = i < data.size() ? data[i] : 0;
        value |= byte << (8 * (bigEndian ? 3 - i : i));
    }
    return value;
}

std::uint64_t QwordFromBytes(const std::vector<std::uint8_t>& data) {
    std::uint64_t value = 0;
    for (size_t i = 0; i < 8 && i < data.size(); ++i)
        value |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    return value;
}

bool HoldsEnvironmentReference(std::wstring_view text) {
    const size_t first = text.find(L'%');
    return first != std::wstring_view::npos && text.find(L'%', first + 2) != std::wstring_view::npos;
}

} // namespace nivex
