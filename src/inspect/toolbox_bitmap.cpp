#include "inspect/toolbox_bitmap.h"

#include <climits>

namespace nivex {

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12; // BITMAPCOREHEADER: 16-bit sizes, three-byte colours
constexpr std::uint32_t kInfoHeaderSize = 40; // BITMAPINFOHEADER
constexpr std::uint32_t kMaxHeaderSize = 4096;
constexpr std::uint32_t kPlainRgb = 0;
constexpr std::uint32_t kColourMasks = 3;
constexpr std::uint32_t kMasksInHeader = 52; // from this size on the masks are part of the header

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

// The platform's text-to-number rule for a whole number: blanks around it, an optional sign, decimal
// digits or "&H" and hexadecimal digits (which give the 32-bit pattern, so "&HFFFFFFFF" is -1).
std::optional<long> ParseWholeNumber(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end) return std::nullopt;
    if (end - begin > 2 && text[begin] == L'&' && (text[begin + 1] == L'H' || text[begin + 1] == L'h')) {
        std::uint64_t value = 0;
        for (std::size_t i = begin + 2; i < end; ++i) {
            const wchar_t ch = text[i];
            int digit = -1;
            if (ch >= L'0' && ch <= L'9')
                digit = ch - L'0';
            else if (ch >= L'a' && ch <= L'f')
                digit = ch - L'a' + 10;
            else if (ch >= L'A' && ch <= L'F')
                digit = ch - L'A' + 10;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        return static_cast<long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    }
    bool negative = false;
    if (text[begin] == L'+' || text[begin] == L'-') {
        negative = text[begin] == L'-';
        ++begin;
    }
    if (begin == end) return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<std::int64_t>(INT32_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<long>(value);
}

// Little-endian fields, whatever the host.
std::uint16_t Read16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
std::uint32_t Read32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

} // namespace

std::optional<ToolboxBitmapRef> ParseToolboxBitmapRef(const std::wstring& reference) {
    const std::size_t comma = reference.find(L',');
    if (comma == std::wstring::npos) return std::nullopt;
    const std::size_t next = reference.find(L',', comma + 1);
    const std::wstring number =
        reference.substr(comma + 1, next == std::wstring::npos ? std::wstring::npos : next - comma - 1);
    const auto id = ParseWholeNumber(number);
    if (!id) return std::nullopt;
    return ToolboxBitmapRef{reference.substr(0, comma), *id};
}

std::optional<CheckedDib> CheckPackedDib(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 4) return std::nullopt;
    const std::uint32_t headerSize = Read32(data);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kPlainRgb;
    std::uint32_t colorsUsed = 0;
    std::uint64_t entrySize = 4;
    std::uint32_t masks[3] = {};
    std::uint64_t maskBytesAfterHeader = 0;

    if (headerSize == kCoreHeaderSize) {
        if (size < headerSize) return std::nullopt;
        width = Read16(data + 4);
        height = Read16(data + 6);
        planes = Read16(data + 8);
        bitCount = Read16(data + 10);
        entrySize = 3;
    } else if (headerSize >= kInfoHeaderSize && headerSize <= kMaxHeaderSize) {
        if (size < headerSize) return std::nullopt;
        width = static_cast<std::int32_t>(Read32(data + 4));
        height = static_cast<std::int32_t>(Read32(data + 8));
        planes = Read16(data + 12);
        bitCount = Read16(data + 14);
        compression = Read32(data + 16);
        colorsUsed = Read32(data + 32);
        if (compression == kColourMasks) {
            const std::uint64_t at = headerSize >= kMasksInHeader ? kInfoHeaderSize : headerSize;
            if (headerSize < kMasksInHeader) maskBytesAfterHeader = sizeof(masks);
            if (size < headerSize + maskBytesAfterHeader) return std::nullopt;
            for (std::size_t i = 0; i < 3; ++i)
                masks[i] = Read32(data + at + 4 * i);
        }
    } else {
        return std::nullopt;
    }

    const bool bitsOk =
        bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    // Run-length data is not taken: its decoding trusts the data.
    const bool compressionOk =
        compression == kPlainRgb || (compression == kColourMasks && (bitCount == 16 || bitCount == 32));
    if (planes != 1 || !bitsOk || !compressionOk || width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    const std::int64_t rows = height < 0 ? -height : height;
    if (width > kMaxDibPixels / rows) return std::nullopt;

    std::uint64_t paletteEntries = 0;
    if (bitCount <= 8) {
        const std::uint64_t maximum = std::uint64_t{1} << bitCount;
        paletteEntries = colorsUsed == 0 ? maximum : colorsUsed;
        if (paletteEntries > maximum) return std::nullopt;
    } else {
        paletteEntries = colorsUsed; // an optional palette hint that is only skipped
    }
    const std::uint64_t bitsOffset = headerSize + maskBytesAfterHeader + paletteEntries * entrySize;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    const std::uint64_t bitsSize = stride * static_cast<std::uint64_t>(rows);
    if (bitsOffset > size || bitsSize > size - bitsOffset) return std::nullopt;

    CheckedDib dib;
    dib.width = static_cast<std::int32_t>(width);
    dib.height = static_cast<std::int32_t>(height);
    dib.bitCount = bitCount;
    dib.compression = compression;
    dib.paletteEntries = bitCount <= 8 ? static_cast<std::uint32_t>(paletteEntries) : 0;
    const std::size_t maskCount = compression == kColourMasks ? 3 : 0;
    // The platform's header as 32-bit words (its 16-bit planes and bit count share the fourth).
    dib.info = {kInfoHeaderSize,
                static_cast<std::uint32_t>(dib.width),
                static_cast<std::uint32_t>(dib.height),
                1u | (static_cast<std::uint32_t>(bitCount) << 16),
                compression,
                static_cast<std::uint32_t>(bitsSize),
                0,
                0,
                dib.paletteEntries,
                0};
    for (std::size_t i = 0; i < maskCount; ++i)
        dib.info.push_back(masks[i]);
    const std::uint8_t* entry = data + headerSize + maskBytesAfterHeader;
    for (std::uint32_t i = 0; i < dib.paletteEntries; ++i, entry += entrySize)
        dib.info.push_back(entry[0] | (static_cast<std::uint32_t>(entry[1]) << 8) |
                           (static_cast<std::uint32_t>(entry[2]) << 16)); // blue, green, red, 0
    dib.bits.assign(data + bitsOffset, data + bitsOffset + bitsSize);
    return dib;
}

} // namespace nivex
