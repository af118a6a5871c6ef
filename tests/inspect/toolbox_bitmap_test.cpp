#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inspect/toolbox_bitmap.h"

namespace nivex {
namespace {

TEST(ToolboxBitmapReference, SplitsAtTheFirstCommaAndReadsAWhole32BitNumber) {
    const auto id = [](const wchar_t* text) -> std::optional<long> {
        const auto ref = ParseToolboxBitmapRef(text);
        return ref ? std::optional<long>(ref->resourceId) : std::nullopt;
    };
    const std::pair<const wchar_t*, long> good[] = {
        {L"x.ocx,1", 1},   {L"x.ocx,\t 12 ,ignored,too", 12}, {L"x.ocx,&H10", 16},
        {L"x.ocx,-3", -3}, {L"x.ocx,2147483647", 2147483647}, {L"x.ocx,&HFFFFFFFF", -1}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(id(text), value) << ::testing::PrintToString(std::wstring(text));
    // The path is used as it stands: blanks and quotes stay.
    EXPECT_EQ(ParseToolboxBitmapRef(L" \"C:\\a b\\x.ocx\" , 1")->module, L" \"C:\\a b\\x.ocx\" ");
    for (const wchar_t* bad :
         {L"N/A", L"", L"x.ocx", L"x.ocx,", L"x.ocx,  ", L"x.ocx,one", L"x.ocx,1.5", L"x.ocx,2147483648",
          L"x.ocx,99999999999999999999", L"x.ocx,&H", L"x.ocx,&H1G", L"x.ocx,&H123456789", L"x.ocx,-", L"x.ocx,1 2"})
        EXPECT_EQ(id(bad), std::nullopt) << ::testing::PrintToString(std::wstring(bad));
}

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
}

// A packed bitmap as a resource holds it. headerSize 12 writes the old core header (16-bit sizes, three-byte
// colours); otherwise an info header of that size, its masks at 40 when it is large enough to hold them.
struct Dib {
    std::uint32_t headerSize = 40;
    std::int64_t width = 2, height = 2;
    int planes = 1, bitCount = 24;
    std::uint32_t compression = 0, colorsUsed = 0;
    int paletteEntries = 0; // written after the header (and masks)
    bool masksAfterHeader = false;
    std::int64_t bitsDelta = 0; // bytes of pixel data beyond (or short of) what the rows need

    Bytes Build() const {
        Bytes b;
        Put(b, headerSize, 4);
        const bool core = headerSize == 12;
        Put(b, static_cast<std::uint64_t>(width), core ? 2 : 4);
        Put(b, static_cast<std::uint64_t>(height), core ? 2 : 4);
        Put(b, static_cast<std::uint64_t>(planes), 2);
        Put(b, static_cast<std::uint64_t>(bitCount), 2);
        if (!core) {
            Put(b, compression, 4);
            Put(b, 0, 12);
            Put(b, colorsUsed, 4);
            Put(b, 0, 4);
            for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu})
                if (headerSize >= 52) Put(b, mask, 4);
            b.resize(headerSize, 0);
        }
        if (masksAfterHeader)
            for (std::uint32_t mask : {0xFF0000u, 0x00FF00u, 0x0000FFu})
                Put(b, mask, 4);
        for (int i = 0; i < paletteEntries; ++i) {
            b.insert(b.end(), {static_cast<std::uint8_t>(i), 0x20, 0x30});
            if (!core) b.push_back(0x99); // the reserved byte never reaches the platform
        }
        const std::int64_t rows = height < 0 ? -height : height;
        const std::int64_t pixelBytes = (width * bitCount + 31) / 32 * 4 * rows + bitsDelta;
        if (pixelBytes <= (1 << 24)) b.resize(b.size() + static_cast<std::size_t>(pixelBytes), 0x5A);
        return b; // the rows of huge sizes are left out: a test does not write gigabytes
    }
};

TEST(PackedDib, TakesEveryLayoutAsAPlainHeaderWithItsMasksAndFourByteColours) {
    struct Expect {
        std::int32_t height;
        std::uint32_t compression;
        std::vector<std::uint32_t> afterHeader; // masks, then colour table
        std::size_t bits;
    };
    const std::pair<Dib, Expect> cases[] = {
        {Dib{.width = 16, .height = 15}, {15, 0, {}, 48 * 15}},
        {Dib{.headerSize = 12, .bitCount = 1, .paletteEntries = 2}, {2, 0, {0x302000, 0x302001}, 8}},
        {Dib{.bitCount = 8, .colorsUsed = 2, .paletteEntries = 2}, {2, 0, {0x302000, 0x302001}, 8}},
        {Dib{.height = -2, .bitCount = 32, .compression = 3, .masksAfterHeader = true},
         {-2, 3, {0xFF0000, 0x00FF00, 0x0000FF}, 16}},
        {Dib{.headerSize = 108, .bitCount = 16, .compression = 3}, {2, 3, {0xF800, 0x07E0, 0x001F}, 8}},
        // A palette hint of a true-colour bitmap is skipped; spare bytes after the rows are not taken.
        {Dib{.colorsUsed = 3, .paletteEntries = 3, .bitsDelta = 7}, {2, 0, {}, 16}},
    };
    for (const auto& [dib, expect] : cases) {
        const Bytes bytes = dib.Build();
        const auto checked = CheckPackedDib(bytes.data(), bytes.size());
        ASSERT_TRUE(checked) << dib.headerSize << "/" << dib.bitCount;
        ASSERT_EQ(checked->info.size(), 10 + expect.afterHeader.size());
        EXPECT_EQ(checked->info[0], 40u);
        EXPECT_EQ(static_cast<std::int32_t>(checked->info[2]), expect.height);
        EXPECT_EQ(checked->info[3], 1u | (static_cast<std::uint32_t>(dib.bitCount) << 16));
        EXPECT_EQ(checked->info[4], expect.compression);
        EXPECT_EQ(checked->info[5], expect.bits);
        EXPECT_EQ(checked->info[8], checked->paletteEntries);
        EXPECT_EQ(std::vector<std::uint32_t>(checked->info.begin() + 10, checked->info.end()), expect.afterHeader);
        EXPECT_EQ(checked->bits, Bytes(expect.bits, 0x5A));
    }
}

TEST(PackedDib, RefusesWhatThePlatformWouldReadPastOrCouldNotDraw) {
    const std::int64_t side = std::int64_t{1} << 11; // side * side is the largest bitmap taken
    const std::pair<const char*, Dib> cases[] = {
        {"rows one byte short", Dib{.bitsDelta = -1}},
        {"palette cut short", Dib{.bitCount = 8, .paletteEntries = 255, .bitsDelta = -8}},
        {"palette past 2^bits", Dib{.bitCount = 4, .colorsUsed = 17, .paletteEntries = 17}},
        {"palette hint past the data", Dib{.colorsUsed = 0xFFFFFFFF}},
        {"masks cut off", Dib{.bitCount = 32, .compression = 3, .bitsDelta = -16}},
        {"unknown header size", Dib{.headerSize = 20}},
        {"header past 4096", Dib{.headerSize = 5000}},
        {"two planes", Dib{.planes = 2}},
        {"odd bit count", Dib{.bitCount = 2}},
        {"no bit count", Dib{.bitCount = 0}},
        {"run-length", Dib{.bitCount = 8, .compression = 1, .paletteEntries = 256}},
        {"masks at 24 bits", Dib{.compression = 3, .masksAfterHeader = true}},
        {"no width", Dib{.width = 0}},
        {"negative width", Dib{.width = -2}},
        {"no height", Dib{.height = 0}},
        {"huge and empty", Dib{.width = 1 << 24, .height = -(1 << 24)}},
        {"more pixels than taken", Dib{.width = side + 1, .height = side, .bitCount = 1, .paletteEntries = 2}},
    };
    for (const auto& [what, dib] : cases) {
        const Bytes bytes = dib.Build();
        EXPECT_FALSE(CheckPackedDib(bytes.data(), bytes.size())) << what;
    }
    const Bytes largest = Dib{.width = side, .height = side, .bitCount = 1, .paletteEntries = 2}.Build();
    EXPECT_TRUE(CheckPackedDib(largest.data(), largest.size()));
    // Every cut of a good bitmap is refused, with nothing read past the cut (the sanitizers watch).
    const Bytes whole = Dib{.headerSize = 12, .bitCount = 8, .paletteEntries = 256}.Build();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(CheckPackedDib(cut.data(), cut.size())) << size;
    }
}

} // namespace
} // namespace nivex
