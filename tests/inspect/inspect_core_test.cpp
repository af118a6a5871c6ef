// The logic of inspection on bytes in memory: file names, version blocks, toolbox bitmaps, dependencies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cli/inspect_output.h"
#include "common/path_split.h"
#include "inspect/compare_rows.h"
#include "inspect/dependency_report.h"
#include "inspect/dependency_scan.h"
#include "inspect/import_walk.h"
#include "inspect/pe_imports.h"
#include "inspect/toolbox_bitmap.h"
#include "inspect/version_block.h"
#include "inspect/version_locator.h"
#include "support/pe_builder.h"
#include "support/reg_value_cases.h"

namespace nivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PathSplit, FolderAndNameSplitAtTheLastBackslashAndSearchPatternsAreRecognised) {
    const std::tuple<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\WINNT\\System32\\comctl32.ocx", L"C:\\WINNT\\System32\\|comctl32.ocx"},
        {L"comctl32.ocx", L"\\|comctl32.ocx"}, // a bare name still gets a folder of "\"
        {L"C:\\Temp\\", L"C:\\Temp\\|"},
        {L"C:\\x/y.dll", L"C:\\|x/y.dll"}, // only the backslash separates
    };
    for (const auto& [path, split] : cases) EXPECT_EQ(GetFilePath(path) + L"|" + GetFileName(path), split);
    const std::pair<std::wstring, bool> patterns[] = {
        {L"C:\\Program Files (x86)\\a b.c.ocx", false}, {L"\\\\?\\C:\\Windows\\kernel32.dll", false}, {L"C:\\Windows\\*.dll", true},
        {L"C:\\Win?\\k.dll", true}, {L"C:\\k32<", true}, {L"C:\\k32>", true}, {L"C:\\k\".dll", true},
        {L"\\\\?\\C:\\Windows\\kernel?2.dll", true}, {std::wstring(L"C:\\a.dll\0b", 10), true}, // the platform would cut at the NUL
    };
    for (const auto& [path, pattern] : patterns) EXPECT_EQ(IsSearchPattern(path), pattern) << ::testing::PrintToString(path);
}

// Little-endian 16-bit words with the terminating NUL.
Bytes Text(const std::wstring& text) { return testing::Utf16Bytes(text, {0, 0}); }
std::size_t Get16(const Bytes& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }

// A node of the 32-bit layout: length, value length, type, key, value, children (each four-aligned).
Bytes Node(const std::wstring& key, const Bytes& value, bool text, const std::vector<Bytes>& children = {}) {
    Bytes bytes(6, 0);
    const Bytes name = Text(key);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.resize((bytes.size() + 3) / 4 * 4, 0);
    bytes.insert(bytes.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        bytes.resize((bytes.size() + 3) / 4 * 4, 0);
        bytes.insert(bytes.end(), child.begin(), child.end());
    }
    testing::Put16(bytes, 0, static_cast<std::uint16_t>(bytes.size()));
    testing::Put16(bytes, 2, static_cast<std::uint16_t>(text ? value.size() / 2 : value.size()));
    testing::Put16(bytes, 4, text ? 1 : 0);
    return bytes;
}

std::size_t NodeAt(const Bytes& block, const std::wstring& key) {
    const Bytes pattern = Text(key);
    return static_cast<std::size_t>(std::search(block.begin() + 6, block.end(), pattern.begin(), pattern.end()) - block.begin()) - 6;
}

// A small image whose one section holds the resource tree: type, identifier 1, the given languages.
Bytes Image(std::vector<std::uint32_t> languages, bool wide = false, std::uint32_t type = 16, std::uint32_t resourceRva = 0x1000) {
    testing::PeBuilder pe{.pe64 = wide, .imports = {}, .delayImports = {}};
    Bytes b = pe.Build();
    const auto directory = [&](std::size_t at, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ids) {
        testing::Put16(b, at + 14, static_cast<std::uint16_t>(ids.size()));
        for (std::size_t i = 0; i < ids.size(); ++i)
            testing::Put32(b, at + 16 + 8 * i, ids[i].first), testing::Put32(b, at + 20 + 8 * i, ids[i].second);
    };
    testing::Put32(b, pe.importDirectoryAt + 8, resourceRva); // the resource directory follows the import one
    testing::Put32(b, pe.importDirectoryAt + 12, 0x200);
    directory(0x200, {{type, 0x80000018u}});
    directory(0x218, {{1, 0x80000030u}});
    std::vector<std::pair<std::uint32_t, std::uint32_t>> langs;
    for (std::size_t i = 0; i < languages.size(); ++i) {
        langs.push_back({languages[i], static_cast<std::uint32_t>(0x80 + 16 * i)});
        testing::Put32(b, 0x280 + 16 * i, 0x1100), testing::Put32(b, 0x284 + 16 * i, 12); // the data's place
    }
    directory(0x230, langs);
    return b;
}

VersionLocation Locate(const Bytes& file) {
    return LocateVersionResource([&](std::uint64_t offset, std::size_t size) {
        if (offset >= file.size()) return Bytes();
        return Bytes(file.begin() + static_cast<std::ptrdiff_t>(offset),
                     file.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(file.size(), offset + size)));
    });
}

TEST(VersionBlock, LocatedInTheImageTheFirstUsEnglishTranslationElseTheLastWholeBlocksKeptLiesAndShortReadsCut) {
    EXPECT_EQ(ChooseTranslationKey(std::nullopt), L"04090000");
    const std::pair<Bytes, const wchar_t*> cases[] = {
        {testing::Utf16Bytes(L"\u0407\u04E4\u0409\u04B0\u0409\u04E4"), L"040904B0"},
        {testing::Utf16Bytes(L"\u0407\u04E4\u040C\u04E4"), L"040C04E4"},
        {Bytes{}, L"00000000"},
        {Bytes{0x09, 0x04, 0xB0}, L"00000000"},
        {testing::Utf16Bytes(L"\u0407\u04E4\u0409"), L"040704E4"}, // a stray U.S. English language word
    };
    for (const auto& [table, key] : cases) EXPECT_EQ(ChooseTranslationKey(std::span<const std::uint8_t>(table)), key) << table.size();
    const Bytes strings =
        Node(L"StringFileInfo", {}, true,
             {Node(L"040904B0", {}, true,
                   {Node(L"FileDescription", Text(L"Sample"), true), Node(L"FileVersion", Text(L"1.0"), true),
                    Node(L"LegalCopyright", Text(L"Nobody, 2002"), true)})});
    const Bytes vars = Node(L"VarFileInfo", {}, true, {Node(L"Translation", testing::Utf16Bytes(L"\u0409\u04B0"), false)});
    const Bytes whole = Node(L"VS_VERSION_INFO", Bytes(52, 0), false, {strings, vars});
    Bytes block = whole;
    ConfineVersionBlock(block);
    EXPECT_EQ(block, whole);

    const std::size_t varsAt = NodeAt(block, L"VarFileInfo"), translation = NodeAt(block, L"Translation");
    block.resize(block.size() + 200, 0); // room the lie would point into
    testing::Put16(block, translation, 0x4000);
    ConfineVersionBlock(block);
    EXPECT_EQ(Get16(block, translation), varsAt + Get16(whole, varsAt) - translation);

    const std::size_t table = NodeAt(whole, L"040904B0"), description = NodeAt(whole, L"FileDescription"),
                      copyright = NodeAt(whole, L"LegalCopyright");
    // Cut inside the copyright's text, and just after the start of its header (which then does not fit).
    const std::size_t stringsAt = NodeAt(whole, L"StringFileInfo");
    for (const auto& [cut, end] : {std::pair{copyright + 40, copyright + 40}, std::pair{copyright + 4, copyright}}) {
        Bytes shortBlock(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        ConfineVersionBlock(shortBlock);
        EXPECT_EQ(std::tuple(Get16(shortBlock, 0), Get16(shortBlock, stringsAt), Get16(shortBlock, table), Get16(shortBlock, description)),
                  std::tuple(end, end - stringsAt, end - table, Get16(whole, description))) << cut;
    }
    // The 16-bit layout (length, value length, a key in one-byte characters): a root and child claiming too much.
    const std::string root("\x00\x20\0\0VS_VERSION_INFO\0", 20), child("\x00\x10\0\0StringFileInfo\0\0", 20);
    Bytes old(root.begin(), root.end());
    old.insert(old.end(), child.begin(), child.end());
    ConfineVersionBlock(old);
    EXPECT_EQ(std::tuple(Get16(old, 0), Get16(old, 20)), std::tuple(40u, 20u));
    // Arbitrary bytes stay inside the block (the address sanitizer watches natively).
    std::mt19937 random(20020307);
    for (int round = 0; round < 3000; ++round) {
        Bytes noise(random() % 400);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : random() % 24);
        ConfineVersionBlock(noise);
        ASSERT_LE(noise.size() >= kVersionBlockMinimum ? Get16(noise, 0) : 0u, noise.size());
    }
    // The locator finds the one language's bytes, says when there are none, and leaves the rest to the platform.
    for (bool wide : {false, true}) {
        const VersionLocation at = Locate(Image({0x409}, wide));
        EXPECT_EQ(std::tuple(at.result, at.offset, at.size), std::tuple(VersionLocation::Found, 0x300ull, 12u)) << wide;
    }
    Bytes cut = Image({0x409});
    cut.resize(0x220); // inside the resource tree
    const std::tuple<const char*, Bytes, VersionLocation::Result> images[] = {
        {"icons only", Image({0x409}, false, 3), VersionLocation::None},
        {"no resources", Image({0x409}, false, 16, 0), VersionLocation::None},
        {"the user's language chooses", Image({0x407, 0x409}), VersionLocation::Undecided},
        {"outside every section", Image({0x409}, false, 16, 0x9000), VersionLocation::Undecided},
        {"cut", cut, VersionLocation::Undecided},
        {"empty", {}, VersionLocation::Undecided},
    };
    for (const auto& [what, image, result] : images) EXPECT_EQ(Locate(image).result, result) << what;
}

void Put(Bytes& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
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
        const bool core = headerSize == 12;
        for (const auto& [value, size] : {std::pair<std::uint64_t, int>{headerSize, 4}, {width, core ? 2 : 4}, {height, core ? 2 : 4},
                                          {planes, 2}, {bitCount, 2}})
            Put(b, value, size);
        if (!core) {
            for (const auto& [value, size] : {std::pair<std::uint64_t, int>{compression, 4}, {0, 12}, {colorsUsed, 4}, {0, 4}}) Put(b, value, size);
            for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) Put(b, mask, headerSize >= 52 ? 4 : 0);
            b.resize(headerSize, 0);
        }
        for (std::uint32_t mask : {0xFF0000u, 0x00FF00u, 0x0000FFu}) Put(b, mask, masksAfterHeader ? 4 : 0);
        for (int i = 0; i < paletteEntries; ++i) {
            b.insert(b.end(), {static_cast<std::uint8_t>(i), 0x20, 0x30});
            if (!core) b.push_back(0x99); // the reserved byte never reaches the platform
        }
        const std::int64_t pixelBytes = (width * bitCount + 31) / 32 * 4 * (height < 0 ? -height : height) + bitsDelta;
        if (pixelBytes <= (1 << 24)) b.resize(b.size() + static_cast<std::size_t>(pixelBytes), 0x5A);
        return b; // the rows of huge sizes are left out: a test does not write gigabytes
    }
};

TEST(ToolboxBitmap, EveryLayoutBecomesAPlainHeaderWithMasksWhatThePlatformWouldReadPastIsRefusedAndReferencesParse) {
    // Expected: height, compression, bytes of the rows, then the masks and colour table after the header.
    const std::tuple<Dib, std::int32_t, std::uint32_t, std::uint32_t, std::vector<std::uint32_t>> taken[] = {
        {Dib{.width = 16, .height = 15}, 15, 0, 48 * 15, {}},
        {Dib{.headerSize = 12, .bitCount = 1, .paletteEntries = 2}, 2, 0, 8, {0x302000, 0x302001}},
        {Dib{.bitCount = 8, .colorsUsed = 2, .paletteEntries = 2}, 2, 0, 8, {0x302000, 0x302001}},
        {Dib{.height = -2, .bitCount = 32, .compression = 3, .masksAfterHeader = true}, -2, 3, 16, {0xFF0000, 0x00FF00, 0x0000FF}},
        {Dib{.headerSize = 108, .bitCount = 16, .compression = 3}, 2, 3, 8, {0xF800, 0x07E0, 0x001F}},
        // A palette hint of a true-colour bitmap is skipped; spare bytes after the rows are not taken.
        {Dib{.colorsUsed = 3, .paletteEntries = 3, .bitsDelta = 7}, 2, 0, 16, {}},
    };
    for (const auto& [dib, height, compression, rowBytes, afterHeader] : taken) {
        const Bytes bytes = dib.Build();
        const auto checked = CheckPackedDib(bytes.data(), bytes.size());
        ASSERT_TRUE(checked) << dib.headerSize << "/" << dib.bitCount;
        const std::uint32_t palette = dib.bitCount <= 8 ? static_cast<std::uint32_t>(dib.paletteEntries) : 0;
        std::vector<std::uint32_t> info = {40, static_cast<std::uint32_t>(dib.width), static_cast<std::uint32_t>(height),
                                           1u | (static_cast<std::uint32_t>(dib.bitCount) << 16), compression, rowBytes, 0, 0, palette, 0};
        info.insert(info.end(), afterHeader.begin(), afterHeader.end());
        EXPECT_EQ(checked->info, info) << dib.headerSize << "/" << dib.bitCount;
        EXPECT_EQ(checked->bits, Bytes(rowBytes, 0x5A));
    }
    const std::int64_t side = std::int64_t{1} << 11; // side * side is the largest bitmap taken
    const std::pair<const char*, Dib> refused[] = {
        {"rows one byte short", Dib{.bitsDelta = -1}}, {"palette cut short", Dib{.bitCount = 8, .paletteEntries = 255, .bitsDelta = -8}},
        {"palette past 2^bits", Dib{.bitCount = 4, .colorsUsed = 17, .paletteEntries = 17}},
        {"palette hint past the data", Dib{.colorsUsed = 0xFFFFFFFF}},
        {"masks cut off", Dib{.bitCount = 32, .compression = 3, .bitsDelta = -16}}, {"unknown header size", Dib{.headerSize = 20}},
        {"header past 4096", Dib{.headerSize = 5000}}, {"two planes", Dib{.planes = 2}}, {"odd bit count", Dib{.bitCount = 2}},
        {"no bit count", Dib{.bitCount = 0}}, {"run-length", Dib{.bitCount = 8, .compression = 1, .paletteEntries = 256}},
        {"masks at 24 bits", Dib{.compression = 3, .masksAfterHeader = true}}, {"no width", Dib{.width = 0}},
        {"negative width", Dib{.width = -2}}, {"no height", Dib{.height = 0}},
        {"huge and empty", Dib{.width = 1 << 24, .height = -(1 << 24)}},
        {"more pixels than taken", Dib{.width = side + 1, .height = side, .bitCount = 1, .paletteEntries = 2}},
    };
    for (const auto& [what, dib] : refused) {
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
    // The reference: split at the first comma, a whole 32-bit number.
    const auto id = [](const wchar_t* text) { return ParseToolboxBitmapRef(text).value_or(ToolboxBitmapRef{L"", -999}).resourceId; };
    const std::pair<const wchar_t*, long> good[] = {{L"x.ocx,1", 1},   {L"x.ocx,\t 12 ,ignored,too", 12}, {L"x.ocx,&H10", 16},
                                                    {L"x.ocx,-3", -3}, {L"x.ocx,2147483647", 2147483647}, {L"x.ocx,&HFFFFFFFF", -1}};
    for (const auto& [text, value] : good) EXPECT_EQ(id(text), value) << ::testing::PrintToString(std::wstring(text));
    // The path is used as it stands: blanks and quotes stay.
    EXPECT_EQ(ParseToolboxBitmapRef(L" \"C:\\a b\\x.ocx\" , 1")->module, L" \"C:\\a b\\x.ocx\" ");
    for (const wchar_t* bad :
         {L"N/A", L"", L"x.ocx", L"x.ocx,", L"x.ocx,  ", L"x.ocx,one", L"x.ocx,1.5", L"x.ocx,2147483648",
          L"x.ocx,99999999999999999999", L"x.ocx,&H", L"x.ocx,&H1G", L"x.ocx,&H123456789", L"x.ocx,-", L"x.ocx,1 2"})
        EXPECT_EQ(id(bad), -999) << ::testing::PrintToString(std::wstring(bad));
}

MentionedNames Scan(const std::string& text) {
    return ScanForDependencies(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// "name*count" of each name in order, the .dll names before the .ocx ones.
std::wstring Shown(const MentionedNames& names) {
    std::wstring out;
    for (const auto* list : {&names.dll, &names.ocx}) {
        for (const auto& item : *list) out += item.name + L"*" + std::to_wstring(item.count) + L" ";
        out += list == &names.dll ? L"| " : L"";
    }
    return out;
}

TEST(DependencyScan, NamesAreListedOnceLowerCasedInTheOrderOfTheirLastOccurrenceAndPiecesGiveTheWholesResult) {
    using namespace std::string_literals;
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"\x01KERNEL32.dll\0ole32.dll\0OLEAUT32.DLL\0-KERNEL32.dll\0"s, L"ole32.dll*1 oleaut32.dll*1 kernel32.dll*2 | "},
        // An underscore separates; a filter text gives the bare extension; a long name keeps its last 23 characters.
        {"see my_ctl.ocx and (*.dll) and averyveryverylongmodulename.dll and caf\xC9.ocx",
         L".dll*1 yverylongmodulename.dll*1 | ctl.ocx*1 caf\u00e9.ocx*1 "},
        // A hit in the first bytes takes the characters that exist instead of losing the whole scan.
        {"a.dll", L"a.dll*1 | "},
        {".OCX", L"| .ocx*1 "},
        {"1234567890abcdefghi.dll", L"1234567890abcdefghi.dll*1 | "},
        // Overlapping hits and text that merely contains the extension.
        {"x.dll.dll y.dllz", L"x.dll*1 x.dll.dll*1 y.dll*1 | "},
        {"dll ocx .dl", L"| "},
        // Letters are the characters with two cases, lowered and read in the ANSI code page.
        {"x\x8A\x9Fz.dll \xD7" "a.dll \xDF\xC9.ocx", L"x\u0161\u00ffz.dll*1 a.dll*1 | \u00e9.ocx*1 "},
    };
    for (const auto& [text, names] : cases) EXPECT_EQ(Shown(Scan(text)), names) << text;
    std::string text;
    std::uint32_t seed = 7;
    const char* pool[] = {"Kernel32.DLL", "_x.ocx", "msvcrt.dll", "longlonglonglonglonglonglong.ocx", ".dll", "a.b.dll"};
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += pool[(seed >> 16) % 6];
        text.append((seed >> 8) % 23, static_cast<char>('a' + (seed >> 20) % 26));
        text.push_back(static_cast<char>((seed >> 4) & 0xFF));
    }
    const std::wstring whole = Shown(Scan(text));
    for (std::size_t piece : {1u, 2u, 3u, 4u, 5u, 19u, 22u, 23u, 24u, 64u, 1000u}) {
        DependencyScanner scanner;
        for (std::size_t at = 0; at < text.size(); at += piece)
            scanner.Feed(reinterpret_cast<const std::uint8_t*>(text.data()) + at, std::min(piece, text.size() - at));
        EXPECT_EQ(Shown(scanner.Result()), whole) << "piece " << piece;
    }
}

PeImports Read(const std::vector<std::uint8_t>& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    return ReadPeImports(source);
}

std::string Shown(const PeImports& imports) {
    std::string out;
    for (const auto& m : imports.modules) out += (m.delayed ? "~" : "") + m.name + " ";
    return out;
}

TEST(PeImports, BothTablesOfBothImageKindsAreReadInOrderAndBrokenOrCutImagesStopTheReadingAndSayWhy) {
    for (const bool pe64 : {true, false}) {
        for (const bool addresses : {false, !pe64}) { // addresses instead of offsets: old 32-bit linkers only
            testing::PeBuilder pe{.machine = pe64 ? kMachineX64 : kMachineX86, .pe64 = pe64,
                                  .imports = {"KERNEL32.dll", "ole32.dll", "api-ms-win-crt-runtime-l1-1-0.dll"},
                                  .delayImports = {"USER32.dll", "Comdlg32.DLL"}, .delayUsesAddresses = addresses,
                                  .imageBase = pe64 ? 0x180000000ull : 0x10000000ull};
            const PeImports imports = Read(pe.Build());
            EXPECT_TRUE(imports.isPe && imports.machine == pe.machine && imports.problem.empty()) << imports.problem;
            EXPECT_EQ(Shown(imports), "KERNEL32.dll ole32.dll api-ms-win-crt-runtime-l1-1-0.dll ~USER32.dll ~Comdlg32.DLL ");
        }
    }
    EXPECT_FALSE(Read({'M', 'Z'}).isPe || Read(std::vector<std::uint8_t>(4096, 0)).isPe);

    testing::PeBuilder small{.imports = {"a.dll", "b.dll"}, .delayImports = {"c.dll"}};
    const std::vector<std::uint8_t> whole = small.Build();
    const std::size_t lastNameEnd = std::string(whole.begin(), whole.end()).find("c.dll") + 6;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // A copy of exactly that length, so that the sanitizers see any read past it.
        const PeImports imports = Read(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        EXPECT_LE(imports.modules.size(), 3u);
        EXPECT_TRUE(!imports.isPe || length >= lastNameEnd || !imports.problem.empty()) << length;
    }
    testing::PeBuilder pe{.imports = {"first.dll", "second.dll"}, .delayImports = {}};
    const std::vector<std::uint8_t> good = pe.Build();
    auto unterminated = good; // the last name runs to the end of the file
    while (unterminated.back() == 0) unterminated.pop_back();
    // Bytes (at, size, value) put in: the import table past the end; a section count the loader refuses; a huge
    // directory count; the second module's name past the end, or (size 0) without its terminator: the first stays.
    const std::tuple<std::size_t, std::size_t, std::uint32_t, std::string, std::string> cases[] = {
        {pe.importDirectoryAt, 4, 0x7FFFFFF0, "", "the import table lies outside the file"},
        {testing::PeLayout::kPeOffset + 6, 2, 0xFFFF, "", "the image has too many sections"},
        {pe.optionalHeaderAt + 108, 4, 0xFFFFFFFF, "first.dll second.dll ", ""},
        {pe.importDescriptorsAt + 20 + 12, 4, 0x00FFFFFF, "first.dll ", "an imported module's name lies outside the file"},
        {0, 0, 0, "first.dll ", "an imported module's name lies outside the file"},
    };
    for (const auto& [at, size, value, modules, problem] : cases) {
        std::vector<std::uint8_t> bytes = size == 0 ? unterminated : good;
        if (size == 2) testing::Put16(bytes, at, static_cast<std::uint16_t>(value));
        if (size == 4) testing::Put32(bytes, at, value);
        const PeImports read = Read(bytes);
        EXPECT_EQ(Shown(read) + "|" + read.problem, modules + "|" + problem) << at;
    }
    // Thousands of descriptors naming the same module and no terminating entry, in a second section.
    std::vector<std::uint8_t> bytes = good;
    const std::uint32_t count = static_cast<std::uint32_t>(kMaxImportDescriptors + 10), raw = static_cast<std::uint32_t>(bytes.size());
    for (std::uint32_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), good.begin() + pe.importDescriptorsAt, good.begin() + pe.importDescriptorsAt + 20);
    const std::uint32_t sh = pe.optionalHeaderAt + 240 + 40;
    testing::Put16(bytes, testing::PeLayout::kPeOffset + 6, 2);
    for (const auto& [at, value] : {std::pair{sh + 8, count * 20}, {sh + 12, 0x100000u}, {sh + 16, count * 20}, {sh + 20, raw},
                                    {pe.importDirectoryAt, 0x100000u}})
        testing::Put32(bytes, at, value);
    const PeImports capped = Read(bytes);
    EXPECT_EQ(capped.modules.size(), kMaxImportDescriptors);
    EXPECT_EQ(capped.problem, "the import table has too many entries");
    const PeImports empty = Read(testing::PeBuilder().Build());
    EXPECT_TRUE(empty.isPe && empty.modules.empty() && empty.problem.empty());
    for (const auto& [name, apiSet] : {std::pair{"api-ms-win-core-synch-l1-2-0.dll", true}, {"API-MS-Win-Crt-Heap-L1-1-0.dll", true},
                                       {"ext-ms-win-ntuser-uicontext-ext-l1-1-0", true}, {"apisetschema.dll", false}})
        EXPECT_EQ(IsApiSetName(name), apiSet) << name;
}

class FakeModules final : public ModuleProvider {
public:
    std::map<std::wstring, PeImports> files; // path -> imports

    void Add(const std::string& name, std::vector<std::string> imports, std::uint16_t machine = kMachineX64,
             std::vector<std::string> delayed = {}) {
        PeImports& facts = files[L"C:\\s\\" + ModuleNameText(name)];
        facts = {true, machine, {}, ""};
        for (auto& m : imports) facts.modules.push_back({m, false});
        for (auto& m : delayed) facts.modules.push_back({m, true});
    }
    std::optional<std::wstring> Resolve(const std::string& name) override {
        const std::wstring path = L"C:\\s\\" + ModuleNameText(ModuleKey(name));
        return files.count(path) ? std::optional(path) : std::nullopt;
    }
    const PeImports& Imports(const std::wstring& path) override { return files[path]; }
    std::wstring Blocker(const std::wstring& file, std::uint16_t own = kMachineX64) {
        const auto blocker = FindLoadBlocker(L"C:\\s\\" + file, *this, own);
        return blocker ? LoadBlockerText(*blocker, file, own) : L"<none>";
    }
};

TEST(DependencyReport, ALoadFailureNamesTheFirstMissingModuleWithItsChainOrTheMachineAndTheViewerAndNivexcmdShowIt) {
    FakeModules m;
    m.Add("server.ocx", {"KERNEL32.dll", "helper.dll", "other.dll"}, kMachineX64, {"lazy.dll"});
    m.Add("kernel32.dll", {"api-ms-win-core-x-l1-1-0.dll"});
    m.Add("helper.dll", {"kernel32.dll", "inner.dll"});
    m.Add("inner.dll", {"helper.dll", "velmoradep.dll"}); // a cycle back to helper
    EXPECT_EQ(m.Blocker(L"server.ocx"), L"server.ocx needs velmoradep.dll (through helper.dll, inner.dll), which was not found");
    // Found everywhere: nothing to say; delay-loaded and API-set modules are never asked for.
    m.Add("velmoradep.dll", {});
    m.Add("other.dll", {"server.ocx"}); // a cycle back to the server itself
    m.Add("a.dll", {"gone.dll"});
    m.Add("old.ocx", {"gone.dll"}, kMachineX86);
    m.Add("new.ocx", {}, kMachineX64);
    m.Add("arm.ocx", {}, kMachineArm64);
    m.Add("mixed.ocx", {"helper32.dll"}, kMachineX64);
    m.Add("helper32.dll", {}, kMachineX86);
    m.files[L"C:\\s\\text.txt"] = PeImports{}; // not a PE image: nothing to say
    const std::tuple<const wchar_t*, std::uint16_t, const wchar_t*> cases[] = {
        {L"server.ocx", kMachineX64, L"<none>"},
        {L"a.dll", kMachineX64, L"a.dll needs gone.dll, which was not found"}, // a direct import has no chain
        {L"old.ocx", kMachineX64, L"a 32-bit control server cannot be loaded by the 64-bit Nivex"},
        {L"old.ocx", kMachineX86, L"old.ocx needs gone.dll, which was not found"},
        {L"new.ocx", kMachineX86, L"a 64-bit control server cannot be loaded by the 32-bit Nivex"},
        {L"arm.ocx", kMachineX64, L"a control server built for arm64 cannot be loaded by the 64-bit Nivex"},
        {L"mixed.ocx", kMachineX64, L"mixed.ocx needs helper32.dll, which is built for 32-bit programs and cannot be loaded by the 64-bit Nivex"},
        {L"text.txt", kMachineX64, L"<none>"},
    };
    for (const auto& [file, own, text] : cases) EXPECT_EQ(m.Blocker(file, own), text) << own;
    DependencyReport report{L"C:\\x\\ctl.ocx", true, kMachineX86, Scan("ole32.dll my_ctl.ocx"), {}};
    report.imports = {{"gone\"q.dll", false, false, std::nullopt},
                      {"api-ms-win-crt-heap-l1-1-0.dll", false, true, std::nullopt},
                      {"USER32.dll", true, false, std::wstring(L"C:\\w\\user32.dll")}};
    const wchar_t* const nodes[] = {L"gone\"q.dll (not found)!", L"api-ms-win-crt-heap-l1-1-0.dll (API set)",
                                    L"USER32.dll (delay-loaded) - C:\\w\\user32.dll"}; // "!": shown missing
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ImportNodeText(report.imports[i]) + (IsMissingImport(report.imports[i]) ? L"!" : L""), nodes[i]);
    EXPECT_EQ(MachineCaptionNote(report, kMachineX64) + L"|" + MachineCaptionNote(report, kMachineX86),
              L" [32-bit x86 file, not loadable by the 64-bit Nivex]|");
    EXPECT_EQ(DependencyReportJson(report),
              L"{\"file\": \"C:\\\\x\\\\ctl.ocx\", \"machine\": \"x86\", \"mentioned\": {\"dll\": [\"ole32.dll\"], "
              L"\"ocx\": [\"ctl.ocx\"]}, \"imports\": ["
              L"{\"name\": \"gone\\\"q.dll\", \"delayed\": false, \"apiSet\": false, \"resolved\": null}, "
              L"{\"name\": \"api-ms-win-crt-heap-l1-1-0.dll\", \"delayed\": false, \"apiSet\": true, \"resolved\": null}, "
              L"{\"name\": \"USER32.dll\", \"delayed\": true, \"apiSet\": false, \"resolved\": \"C:\\\\w\\\\user32.dll\"}]}\r\n");
    report.machine.reset();
    report.imports.clear();
    EXPECT_NE(DependencyReportJson(report).find(L"\"machine\": null"), std::wstring::npos);
    EXPECT_EQ(DependencyReportText(report), L"File: C:\\x\\ctl.ocx\r\nMachine: (not a PE image)\r\nDLL Dependencies\r\n"
                                            L"  ole32.dll\r\nOCX Dependencies\r\n  ctl.ocx\r\nImported Modules\r\n");
}

TEST(CompareRows, RowsInOrderEachWithItsOwnFactSameOnlyWhenTheTextsAreEqual) {
    const CompareFacts a{L"CTL.OCX", CompactSizeText(1100), L"01/02/2020", L"01/03/2020", L"01/04/2020", L"", L"1.0", L"N/A"};
    CompareFacts b = a;
    b.size = CompactSizeText(2560); // halves to even
    b.version = L"1.0 ";
    std::wstring shown;
    for (const auto& r : CompareRows(a, b)) shown += r.element + L"=" + r.first + L"/" + r.second + (r.same ? L" Y\n" : L" N\n");
    EXPECT_EQ(shown, L"Filename=CTL.OCX/CTL.OCX Y\nFile Size=1KB/2KB N\nCreation Date=01/02/2020/01/02/2020 Y\n"
                     L"Accessed Date=01/03/2020/01/03/2020 Y\nModified Date=01/04/2020/01/04/2020 Y\nDescription=/ Y\n"
                     L"Version=1.0/1.0  N\nCopyright=N/A/N/A Y\n");
    EXPECT_EQ(CompactSizeText(1400) + CompactSizeText(1700) + CompactSizeText(std::nullopt), L"1KB2KBN/A");
    EXPECT_EQ(CompareRowsJson({CompareRows(a, b)[0]}),
              L"[{\"element\": \"Filename\", \"first\": \"CTL.OCX\", \"second\": \"CTL.OCX\", \"same\": true}]\r\n");
}

} // namespace
} // namespace nivex
