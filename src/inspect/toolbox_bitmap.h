#pragma once
// Toolbox bitmaps as other programs' files hold them: the "server file, resource number" reference of a
// control's ToolboxBitmap32 key, and the packed device-independent bitmap of a bitmap resource. Both come
// from files Nivex does not control, so they are read here, in the logic layer, with every size checked.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nivex {

struct ToolboxBitmapRef {
    std::wstring module; // element 0, unchanged
    long resourceId = 0; // element 1 as a 32-bit number
};

// Splits "path, id". No value when the reference has no comma or its number is not a 32-bit integer
// (blanks around the number are allowed).
std::optional<ToolboxBitmapRef> ParseToolboxBitmapRef(const std::wstring& reference);

// A toolbox glyph is a few hundred pixels; a bitmap of more is refused rather than made into a screen
// bitmap several times its size.
inline constexpr std::int64_t kMaxDibPixels = std::int64_t{1} << 22;

// A packed bitmap checked against its size and rewritten with a plain 40-byte info header, its three colour
// masks (with compression 3) and a colour table of four bytes an entry, laid out as the platform's
// BITMAPINFO, so that drawing it never reads outside the resource.
struct CheckedDib {
    std::int32_t width = 0;
    std::int32_t height = 0; // negative for top-down rows
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;    // 0 plain, 3 colour masks; run-length data is refused
    std::uint32_t paletteEntries = 0; // entries in info's colour table
    std::vector<std::uint32_t> info;  // header, masks, colour table
    std::vector<std::uint8_t> bits;   // exactly the rows: stride times |height| bytes
};

// No value for anything the platform would read past the data for, or could not draw: an unknown header,
// planes other than 1, an odd bit count, run-length compression, a palette larger than the bit count
// allows, a width or height of 0, more than kMaxDibPixels, or rows that the data does not hold.
std::optional<CheckedDib> CheckPackedDib(const std::uint8_t* data, std::size_t size);

} // namespace nivex
