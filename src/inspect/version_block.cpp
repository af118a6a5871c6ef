#include "inspect/version_block.h"

#include "common/format.h"

namespace nivex {

namespace {

constexpr unsigned kUsEnglish = 0x0409;
constexpr int kDeepestConfined = 3;

unsigned Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<unsigned>(bytes[at]) | (static_cast<unsigned>(bytes[at + 1]) << 8);
}

void Write16(std::span<std::uint8_t> bytes, std::size_t at, std::size_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~static_cast<std::size_t>(3);
}

// Node header: length, value length, (32-bit layout only) value type; then the NUL-terminated key.
struct Layout {
    std::size_t header;
    std::size_t charSize;
    bool typed;
};

// The caller has made sure that the header of the node at `at` lies before `limit`.
void ConfineNode(std::span<std::uint8_t> block, const Layout& layout, std::size_t at, std::size_t limit, int depth) {
    std::size_t length = Read16(block, at);
    if (length > limit - at) {
        length = limit - at;
        Write16(block, at, length);
    }
    if (depth == kDeepestConfined) return;
    const std::size_t end = at + length;

    std::size_t pos = at + layout.header;
    for (;;) {
        // A key that runs past its node leaves no room for children: the walk never enters them.
        if (pos + layout.charSize > end) return;
        const bool nul = layout.charSize == 2 ? Read16(block, pos) == 0 : block[pos] == 0;
        pos += layout.charSize;
        if (nul) break;
    }
    std::size_t valueBytes = Read16(block, at + 2);
    if (layout.typed && Read16(block, at + 4) != 0) valueBytes *= 2; // text values count characters
    std::size_t child = at + Align4(pos - at) + Align4(valueBytes);
    while (child < end) {
        if (end - child < layout.header + layout.charSize) {
            // A child without room for its header: the node ends before it.
            Write16(block, at, child - at);
            return;
        }
        ConfineNode(block, layout, child, end, depth + 1);
        const std::size_t childLength = Read16(block, child);
        if (childLength == 0) return;
        child += Align4(childLength);
    }
}

} // namespace

std::wstring ChooseTranslationKey(std::optional<std::span<const std::uint8_t>> table) {
    if (!table) return kDefaultTranslationKey;
    unsigned language = 0;
    unsigned codePage = 0;
    const std::size_t pairs = table->size() / 4;
    for (std::size_t i = 0; i < pairs; ++i) {
        language = Read16(*table, i * 4);
        codePage = Read16(*table, i * 4 + 2);
        if (language == kUsEnglish) break;
    }
    return TranslationKey(language, codePage);
}

void ConfineVersionBlock(std::span<std::uint8_t> block) {
    if (block.size() < kVersionBlockMinimum) return;
    // The platform tells the layouts apart the same way: a 16-bit block has its key's first character here.
    const bool sixteenBit = block[4] >= 0x20;
    const Layout layout = sixteenBit ? Layout{4, 1, false} : Layout{6, 2, true};
    ConfineNode(block, layout, 0, block.size(), 0);
}

} // namespace nivex
