#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "inspect/version_block.h"

namespace nivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::size_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
void Set16(Bytes& bytes, std::size_t at, std::size_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
unsigned Get16(const Bytes& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}
void Pad4(Bytes& bytes) {
    while (bytes.size() % 4 != 0)
        bytes.push_back(0);
}

Bytes Pairs(std::initializer_list<unsigned> words) {
    Bytes bytes;
    for (unsigned w : words)
        Put16(bytes, w);
    return bytes;
}

std::optional<std::span<const std::uint8_t>> Table(const Bytes& bytes) {
    return std::span<const std::uint8_t>(bytes);
}

TEST(TranslationChoice, FirstUsEnglishPairElseTheLast) {
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0409, 0x04B0}))), L"040904B0");
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0407, 0x04E4, 0x0409, 0x04B0, 0x0409, 0x0000}))), L"040904B0");
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0407, 0x04E4}))), L"040704E4");
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0407, 0x04E4, 0x040C, 0x04E4}))), L"040C04E4");
    // Language-neutral and code page 0 still give eight digits.
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0000, 0x0000}))), L"00000000");
    EXPECT_EQ(ChooseTranslationKey(Table(Pairs({0x0C0A, 0x0000}))), L"0C0A0000");
}

TEST(TranslationChoice, NoTableAndEmptyTable) {
    EXPECT_EQ(ChooseTranslationKey(std::nullopt), L"04090000");
    EXPECT_EQ(ChooseTranslationKey(Table(Bytes{})), L"00000000");
}

TEST(TranslationChoice, APartPairAtTheEndIsNeverRead) {
    // Three bytes are no whole pair; six bytes are one pair and a stray language word.
    Bytes three = {0x09, 0x04, 0xB0};
    EXPECT_EQ(ChooseTranslationKey(Table(three)), L"00000000");
    Bytes six = Pairs({0x0407, 0x04E4, 0x0409});
    EXPECT_EQ(ChooseTranslationKey(Table(six)), L"040704E4");
    Bytes seven = six;
    seven.push_back(0xB0);
    EXPECT_EQ(ChooseTranslationKey(Table(seven)), L"040704E4");
}

// A node of the 32-bit layout: length, value length, type, key, value, children (each four-aligned).
Bytes Node(const std::u16string& key, const Bytes& value, bool text, const std::vector<Bytes>& children = {}) {
    Bytes bytes(6, 0);
    for (char16_t c : key)
        Put16(bytes, c);
    Put16(bytes, 0);
    Pad4(bytes);
    bytes.insert(bytes.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad4(bytes);
        bytes.insert(bytes.end(), child.begin(), child.end());
    }
    Set16(bytes, 0, bytes.size());
    Set16(bytes, 2, text ? value.size() / 2 : value.size());
    Set16(bytes, 4, text ? 1 : 0);
    return bytes;
}

Bytes Text(const std::u16string& text) {
    Bytes bytes;
    for (char16_t c : text)
        Put16(bytes, c);
    Put16(bytes, 0);
    return bytes;
}

Bytes SampleBlock() {
    const Bytes strings =
        Node(u"StringFileInfo", {}, true,
             {Node(u"040904B0", {}, true,
                   {Node(u"FileDescription", Text(u"Sample"), true), Node(u"FileVersion", Text(u"1.0"), true),
                    Node(u"LegalCopyright", Text(u"Nobody, 2002"), true)})});
    const Bytes vars = Node(u"VarFileInfo", {}, true, {Node(u"Translation", Pairs({0x0409, 0x04B0}), false)});
    return Node(u"VS_VERSION_INFO", Bytes(52, 0), false, {strings, vars});
}

std::size_t NodeAt(const Bytes& block, const std::u16string& key) {
    const Bytes pattern = Text(key);
    for (std::size_t at = 6; at + pattern.size() <= block.size(); at += 2) {
        if (std::equal(pattern.begin(), pattern.end(), block.begin() + static_cast<std::ptrdiff_t>(at))) return at - 6;
    }
    ADD_FAILURE() << "no node with that key";
    return 0;
}

TEST(VersionBlock, AWholeBlockIsLeftAlone) {
    const Bytes original = SampleBlock();
    Bytes block = original;
    ConfineVersionBlock(block);
    EXPECT_EQ(block, original);
}

TEST(VersionBlock, ABlockReadShortEndsItsNodesAtTheCut) {
    const Bytes whole = SampleBlock();
    const std::size_t table = NodeAt(whole, u"040904B0");
    const std::size_t strings = NodeAt(whole, u"StringFileInfo");
    const std::size_t copyright = NodeAt(whole, u"LegalCopyright");

    // Cut inside the copyright's text: every node that reaches the cut now ends there.
    const std::size_t cut = copyright + 40;
    Bytes block(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, 0), cut);
    EXPECT_EQ(Get16(block, strings), cut - strings);
    EXPECT_EQ(Get16(block, table), cut - table);
    EXPECT_EQ(Get16(block, copyright), cut - copyright);
    // Nodes before the cut keep their lengths.
    const std::size_t description = NodeAt(whole, u"FileDescription");
    EXPECT_EQ(Get16(block, description), Get16(whole, description));
}

TEST(VersionBlock, AChildWithoutRoomForItsHeaderEndsItsParentBeforeIt) {
    const Bytes whole = SampleBlock();
    const std::size_t table = NodeAt(whole, u"040904B0");
    const std::size_t copyright = NodeAt(whole, u"LegalCopyright");
    Bytes block(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(copyright + 4));
    ConfineVersionBlock(block);
    // Every level ends where the header that does not fit begins.
    EXPECT_EQ(Get16(block, table), copyright - table);
    EXPECT_EQ(Get16(block, NodeAt(whole, u"StringFileInfo")), copyright - NodeAt(whole, u"StringFileInfo"));
    EXPECT_EQ(Get16(block, 0), copyright);
}

TEST(VersionBlock, AChildLongerThanItsParentIsCutToTheParent) {
    Bytes block = SampleBlock();
    const std::size_t vars = NodeAt(block, u"VarFileInfo");
    const std::size_t translation = NodeAt(block, u"Translation");
    const unsigned varsLength = Get16(block, vars);
    block.resize(block.size() + 200, 0); // room the lie would point into
    Set16(block, translation, 0x4000);
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, translation), vars + varsLength - translation);
}

TEST(VersionBlock, SixteenBitLayoutIsConfinedToo) {
    // wLength, wValueLength, "VS_VERSION_INFO" in one-byte characters, a child "StringFileInfo".
    Bytes child = {0, 0, 0, 0};
    for (char c : std::string("StringFileInfo"))
        child.push_back(static_cast<std::uint8_t>(c));
    child.push_back(0);
    Pad4(child);
    Bytes block = {0, 0, 0, 0};
    for (char c : std::string("VS_VERSION_INFO"))
        block.push_back(static_cast<std::uint8_t>(c));
    block.push_back(0);
    Pad4(block);
    const std::size_t childAt = block.size();
    block.insert(block.end(), child.begin(), child.end());
    Set16(block, 0, 0x2000);
    Set16(block, childAt, 0x1000);
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, 0), block.size());
    EXPECT_EQ(Get16(block, childAt), block.size() - childAt);
}

TEST(VersionBlock, TinyBlocksAreLeftAlone) {
    Bytes block = {0xFF, 0xFF, 0, 0, 0, 0, 0};
    const Bytes original = block;
    ConfineVersionBlock(block);
    EXPECT_EQ(block, original);
}

TEST(VersionBlock, ArbitraryBytesStayInsideTheBlock) {
    // Run under the address sanitizer: any read or write past the block fails the test.
    std::mt19937 random(20020307);
    for (int round = 0; round < 3000; ++round) {
        Bytes block(random() % 400);
        for (auto& b : block)
            b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : random() % 24);
        ConfineVersionBlock(block);
        if (block.size() >= kVersionBlockMinimum) {
            ASSERT_LE(Get16(block, 0), block.size());
        }
    }
}

} // namespace
} // namespace nivex
