#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/path_split.h"
#include "inspect/version_block.h"

namespace nivex {
namespace {

TEST(PathSplit, FolderAndNameSplitAtTheLastBackslash) {
    const struct {
        const wchar_t *path, *folder, *name;
    } cases[] = {
        {L"C:\\WINNT\\System32\\comctl32.ocx", L"C:\\WINNT\\System32\\", L"comctl32.ocx"},
        {L"comctl32.ocx", L"\\", L"comctl32.ocx"}, // a bare name still gets a folder of "\"
        {L"C:\\Temp\\", L"C:\\Temp\\", L""},
        {L"C:\\x/y.dll", L"C:\\", L"x/y.dll"}, // only the backslash separates
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetFilePath(c.path), c.folder) << ::testing::PrintToString(std::wstring(c.path));
        EXPECT_EQ(GetFileName(c.path), c.name) << ::testing::PrintToString(std::wstring(c.path));
    }
}

TEST(PathSplit, SearchPatternsAreRecognised) {
    for (const wchar_t* plain : {L"C:\\Program Files (x86)\\a b.c.ocx", L"\\\\?\\C:\\Windows\\kernel32.dll"})
        EXPECT_FALSE(IsSearchPattern(plain)) << ::testing::PrintToString(std::wstring(plain));
    for (const wchar_t* pattern : {L"C:\\Windows\\*.dll", L"C:\\Win?\\k.dll", L"C:\\k32<", L"C:\\k32>", L"C:\\k\".dll",
                                   L"\\\\?\\C:\\Windows\\kernel?2.dll"})
        EXPECT_TRUE(IsSearchPattern(pattern)) << ::testing::PrintToString(std::wstring(pattern));
    EXPECT_TRUE(IsSearchPattern(std::wstring(L"C:\\a.dll\0b", 10))); // the platform would cut at the NUL
}

using Bytes = std::vector<std::uint8_t>;

// Little-endian 16-bit words; Text adds the terminating NUL.
Bytes Words(std::u16string words) {
    Bytes bytes;
    for (char16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}
Bytes Text(const std::u16string& text) {
    return Words(text + u'\0');
}
void Set16(Bytes& bytes, std::size_t at, std::size_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
unsigned Get16(const Bytes& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}
void Pad4(Bytes& bytes) {
    bytes.resize((bytes.size() + 3) / 4 * 4, 0);
}

TEST(TranslationChoice, FirstUsEnglishPairElseTheLastAndNeverAPartPair) {
    EXPECT_EQ(ChooseTranslationKey(std::nullopt), L"04090000");
    const std::pair<Bytes, const wchar_t*> cases[] = {
        {Words(u"\u0407\u04E4\u0409\u04B0\u0409\u04E4"), L"040904B0"},
        {Words(u"\u0407\u04E4\u040C\u04E4"), L"040C04E4"},
        {Bytes{}, L"00000000"},
        {Bytes{0x09, 0x04, 0xB0}, L"00000000"},
        {Words(u"\u0407\u04E4\u0409"), L"040704E4"}, // a stray U.S. English language word
    };
    for (const auto& [table, key] : cases)
        EXPECT_EQ(ChooseTranslationKey(std::span<const std::uint8_t>(table)), key) << table.size();
}

// A node of the 32-bit layout: length, value length, type, key, value, children (each four-aligned).
Bytes Node(const std::u16string& key, const Bytes& value, bool text, const std::vector<Bytes>& children = {}) {
    Bytes bytes(6, 0);
    const Bytes name = Text(key);
    bytes.insert(bytes.end(), name.begin(), name.end());
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

Bytes SampleBlock() {
    const Bytes strings =
        Node(u"StringFileInfo", {}, true,
             {Node(u"040904B0", {}, true,
                   {Node(u"FileDescription", Text(u"Sample"), true), Node(u"FileVersion", Text(u"1.0"), true),
                    Node(u"LegalCopyright", Text(u"Nobody, 2002"), true)})});
    const Bytes vars = Node(u"VarFileInfo", {}, true, {Node(u"Translation", Words(u"\u0409\u04B0"), false)});
    return Node(u"VS_VERSION_INFO", Bytes(52, 0), false, {strings, vars});
}

std::size_t NodeAt(const Bytes& block, const std::u16string& key) {
    const Bytes pattern = Text(key);
    const auto at = std::search(block.begin() + 6, block.end(), pattern.begin(), pattern.end());
    EXPECT_NE(at, block.end()) << "no node with that key";
    return static_cast<std::size_t>(at - block.begin()) - 6;
}

TEST(VersionBlock, AWholeBlockIsLeftAloneAndALieIsCutToItsParent) {
    const Bytes original = SampleBlock();
    Bytes block = original;
    ConfineVersionBlock(block);
    EXPECT_EQ(block, original);

    const std::size_t vars = NodeAt(block, u"VarFileInfo");
    const std::size_t translation = NodeAt(block, u"Translation");
    block.resize(block.size() + 200, 0); // room the lie would point into
    Set16(block, translation, 0x4000);
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, translation), vars + Get16(original, vars) - translation);
}

TEST(VersionBlock, ABlockReadShortEndsItsNodesAtTheCutOrBeforeAHeaderThatDoesNotFit) {
    const Bytes whole = SampleBlock();
    const std::size_t strings = NodeAt(whole, u"StringFileInfo");
    const std::size_t table = NodeAt(whole, u"040904B0");
    const std::size_t description = NodeAt(whole, u"FileDescription");
    const std::size_t copyright = NodeAt(whole, u"LegalCopyright");
    // Cut inside the copyright's text, and just after the start of its header.
    for (const auto& [cut, end] : {std::pair{copyright + 40, copyright + 40}, std::pair{copyright + 4, copyright}}) {
        Bytes block(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        ConfineVersionBlock(block);
        EXPECT_EQ(Get16(block, 0), end) << cut;
        EXPECT_EQ(Get16(block, strings), end - strings) << cut;
        EXPECT_EQ(Get16(block, table), end - table) << cut;
        EXPECT_EQ(Get16(block, description), Get16(whole, description)) << cut;
    }
}

TEST(VersionBlock, SixteenBitLayoutIsConfinedToo) {
    // Length, value length, a key in one-byte characters: a root and its child, both claiming too much.
    const std::string root("\x00\x20\0\0VS_VERSION_INFO\0", 20), child("\x00\x10\0\0StringFileInfo\0\0", 20);
    Bytes block(root.begin(), root.end());
    block.insert(block.end(), child.begin(), child.end());
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, 0), 40u);
    EXPECT_EQ(Get16(block, 20), 20u);
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
