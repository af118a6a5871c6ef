// The dependency scan, the PE import reader and the load-failure walk, on bytes in memory.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/inspect_output.h"
#include "inspect/compare_rows.h"
#include "inspect/dependency_report.h"
#include "inspect/dependency_scan.h"
#include "inspect/import_walk.h"
#include "inspect/pe_imports.h"
#include "support/pe_builder.h"

namespace nivex {
namespace {

using Names = std::vector<std::wstring>;

Names NamesOf(const std::vector<MentionedName>& list) {
    Names out;
    for (const auto& item : list) out.push_back(item.name);
    return out;
}

MentionedNames Scan(const std::string& text) {
    return ScanForDependencies(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

MentionedNames ScanInPieces(const std::string& text, std::size_t piece) {
    DependencyScanner scanner;
    for (std::size_t at = 0; at < text.size(); at += piece)
        scanner.Feed(reinterpret_cast<const std::uint8_t*>(text.data()) + at, std::min(piece, text.size() - at));
    return scanner.Result();
}

TEST(DependencyScan, NamesAreListedOnceLowerCasedInTheOrderOfTheirLastOccurrence) {
    using namespace std::string_literals;
    const MentionedNames names = Scan("\x01KERNEL32.dll\0ole32.dll\0OLEAUT32.DLL\0-KERNEL32.dll\0"s);
    EXPECT_EQ(NamesOf(names.dll), (Names{L"ole32.dll", L"oleaut32.dll", L"kernel32.dll"}));
    EXPECT_EQ(names.dll[2].count, 2u);
    EXPECT_TRUE(names.ocx.empty());
}

TEST(DependencyScan, SeparatorsWindowAndFileStartShapeTheName) {
    // An underscore separates; a filter text gives the bare extension; a long name keeps its last 23 characters.
    const MentionedNames names =
        Scan("see my_ctl.ocx and (*.dll) and averyveryverylongmodulename.dll and caf\xC9.ocx");
    EXPECT_EQ(NamesOf(names.ocx), (Names{L"ctl.ocx", L"caf\u00e9.ocx"}));
    EXPECT_EQ(NamesOf(names.dll), (Names{L".dll", L"yverylongmodulename.dll"}));
    EXPECT_EQ(names.dll[1].name.size(), kNameWindow);
    // A hit in the first bytes takes the characters that exist instead of losing the whole scan.
    EXPECT_EQ(NamesOf(Scan("a.dll").dll), (Names{L"a.dll"}));
    EXPECT_EQ(NamesOf(Scan(".OCX").ocx), (Names{L".ocx"}));
    EXPECT_EQ(NamesOf(Scan("1234567890abcdefghi.dll").dll), (Names{L"1234567890abcdefghi.dll"}));
    // Overlapping hits and text that merely contains the extension.
    EXPECT_EQ(NamesOf(Scan("x.dll.dll y.dllz").dll), (Names{L"x.dll", L"x.dll.dll", L"y.dll"}));
    EXPECT_TRUE(Scan("").dll.empty());
    EXPECT_TRUE(Scan("dll ocx .dl").dll.empty());
}

TEST(DependencyScan, PiecesOfAnySizeGiveTheResultOfTheWholeFile) {
    std::string text;
    std::uint32_t seed = 7;
    const char* pool[] = {"Kernel32.DLL", "_x.ocx", "msvcrt.dll", "longlonglonglonglonglonglong.ocx", ".dll", "a.b.dll"};
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += pool[(seed >> 16) % 6];
        text.append((seed >> 8) % 23, static_cast<char>('a' + (seed >> 20) % 26));
        text.push_back(static_cast<char>((seed >> 4) & 0xFF));
    }
    const MentionedNames whole = Scan(text);
    ASSERT_FALSE(whole.dll.empty());
    ASSERT_FALSE(whole.ocx.empty());
    for (std::size_t piece : {1u, 2u, 3u, 4u, 5u, 19u, 22u, 23u, 24u, 64u, 1000u}) {
        const MentionedNames pieces = ScanInPieces(text, piece);
        EXPECT_EQ(NamesOf(pieces.dll), NamesOf(whole.dll)) << "piece " << piece;
        EXPECT_EQ(NamesOf(pieces.ocx), NamesOf(whole.ocx)) << "piece " << piece;
        for (std::size_t i = 0; i < whole.dll.size() && i < pieces.dll.size(); ++i)
            EXPECT_EQ(pieces.dll[i].count, whole.dll[i].count);
    }
}

TEST(DependencyScan, LettersAreTheCharactersWithTwoCases) {
    EXPECT_TRUE(IsNameByte('Q'));
    EXPECT_TRUE(IsNameByte('7'));
    EXPECT_TRUE(IsNameByte('.'));
    EXPECT_TRUE(IsNameByte(0x8A));  // S with caron
    EXPECT_TRUE(IsNameByte(0xFF));  // y with diaeresis, whose capital lies at 0x9F
    EXPECT_FALSE(IsNameByte(0xDF)); // sharp s has no capital of its own
    EXPECT_FALSE(IsNameByte(0xD7)); // multiplication sign
    EXPECT_FALSE(IsNameByte('_'));
    EXPECT_FALSE(IsNameByte('-'));
    EXPECT_EQ(LowerAnsiByte(0x9F), 0xFF);
    EXPECT_EQ(AnsiByteToChar(0x80), L'\u20AC');
}

// ---- PE import reader ----

PeImports Read(const std::vector<std::uint8_t>& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    return ReadPeImports(source);
}

std::vector<std::string> ModuleNames(const PeImports& imports, bool delayed) {
    std::vector<std::string> out;
    for (const auto& m : imports.modules)
        if (m.delayed == delayed) out.push_back(m.name);
    return out;
}

TEST(PeImports, ReadsBothTablesOfBothImageKindsInTableOrder) {
    for (const bool pe64 : {true, false}) {
        // Descriptors with addresses instead of offsets come from old 32-bit linkers only.
        for (const bool addresses : {false, !pe64}) {
            testing::PeBuilder pe;
            pe.pe64 = pe64;
            pe.machine = pe64 ? kMachineX64 : kMachineX86;
            pe.imageBase = pe64 ? 0x180000000ull : 0x10000000ull;
            pe.imports = {"KERNEL32.dll", "ole32.dll", "api-ms-win-crt-runtime-l1-1-0.dll"};
            pe.delayImports = {"USER32.dll", "Comdlg32.DLL"};
            pe.delayUsesAddresses = addresses;
            const PeImports imports = Read(pe.Build());
            ASSERT_TRUE(imports.isPe);
            EXPECT_EQ(imports.machine, pe.machine);
            EXPECT_EQ(imports.problem, "");
            EXPECT_EQ(ModuleNames(imports, false), pe.imports);
            EXPECT_EQ(ModuleNames(imports, true), pe.delayImports);
            ASSERT_EQ(imports.modules.size(), 5u);
            EXPECT_FALSE(imports.modules[2].delayed); // static ones first
        }
    }
    // Not a PE image at all.
    EXPECT_FALSE(Read(std::vector<std::uint8_t>{'M', 'Z'}).isPe);
    EXPECT_FALSE(Read(std::vector<std::uint8_t>(4096, 0)).isPe);
}

TEST(PeImports, EveryTruncationOfAnImageIsReadSafely) {
    testing::PeBuilder pe;
    pe.imports = {"a.dll", "b.dll"};
    pe.delayImports = {"c.dll"};
    const std::vector<std::uint8_t> whole = pe.Build();
    const std::string text(whole.begin(), whole.end());
    const std::size_t lastNameEnd = text.find("c.dll") + 6;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // A copy of exactly that length, so that the sanitizers see any read past it.
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        const PeImports imports = Read(cut);
        EXPECT_LE(imports.modules.size(), 3u);
        if (imports.isPe && length < lastNameEnd) {
            EXPECT_NE(imports.problem, "") << length;
        }
    }
}

TEST(PeImports, BrokenTablesStopTheReadingAndSayWhy) {
    testing::PeBuilder pe;
    pe.imports = {"first.dll", "second.dll"};
    std::vector<std::uint8_t> good = pe.Build();

    // The import directory points far outside the file.
    auto outside = good;
    testing::Put32(outside, pe.importDirectoryAt, 0x7FFFFFF0);
    EXPECT_EQ(Read(outside).problem, "the import table lies outside the file");

    // The second module's name points outside; the first stays.
    auto badName = good;
    testing::Put32(badName, pe.importDescriptorsAt + 20 + 12, 0x00FFFFFF);
    PeImports read = Read(badName);
    EXPECT_EQ(ModuleNames(read, false), (std::vector<std::string>{"first.dll"}));
    EXPECT_NE(read.problem, "");

    // A name that runs to the end of the file without its terminator.
    auto unterminated = good;
    while (unterminated.back() == 0) unterminated.pop_back();
    read = Read(unterminated);
    EXPECT_EQ(ModuleNames(read, false), (std::vector<std::string>{"first.dll"}));

    // Huge counts: sections and directories.
    auto sections = good;
    testing::Put16(sections, testing::PeLayout::kPeOffset + 6, 0xFFFF);
    EXPECT_EQ(Read(sections).problem, "the image has too many sections");
    auto directories = good;
    testing::Put32(directories, pe.optionalHeaderAt + 108, 0xFFFFFFFF);
    EXPECT_EQ(ModuleNames(Read(directories), false), pe.imports);

    // Forwarder chains that loop, and names that share their bytes, are read as they stand.
    auto loops = good;
    const std::string text(good.begin(), good.end());
    const std::uint32_t firstName = static_cast<std::uint32_t>(text.find("first.dll")) - testing::PeLayout::kSectionRaw +
                                    testing::PeLayout::kSectionRva;
    testing::Put32(loops, pe.importDescriptorsAt + 8, 1);
    testing::Put32(loops, pe.importDescriptorsAt + 20 + 8, 0);
    testing::Put32(loops, pe.importDescriptorsAt + 20 + 12, firstName + 1);
    read = Read(loops);
    EXPECT_EQ(ModuleNames(read, false), (std::vector<std::string>{"first.dll", "irst.dll"}));
    // A name inside the descriptor table reads whatever bytes are there, up to the limit.
    testing::Put32(loops, pe.importDescriptorsAt + 20 + 12, testing::PeLayout::kSectionRva + 16);
    EXPECT_LE(Read(loops).modules.size(), 2u);
}

TEST(PeImports, ATableWithoutEndIsCappedAndAnEmptyOneIsFine) {
    // Thousands of descriptors, each naming the same module, and no terminating entry.
    testing::PeBuilder pe;
    pe.imports = {"loop.dll"};
    std::vector<std::uint8_t> bytes = pe.Build();
    const std::uint32_t count = static_cast<std::uint32_t>(kMaxImportDescriptors + 10);
    std::vector<std::uint8_t> table(count * 20);
    for (std::uint32_t i = 0; i < count; ++i)
        std::copy(bytes.begin() + pe.importDescriptorsAt, bytes.begin() + pe.importDescriptorsAt + 20, table.begin() + i * 20);
    // A second section holding the table, placed after the first.
    const std::uint32_t raw = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t rva = 0x100000;
    bytes.insert(bytes.end(), table.begin(), table.end());
    const std::uint32_t sh = pe.optionalHeaderAt + 240 + 40;
    testing::Put16(bytes, testing::PeLayout::kPeOffset + 6, 2);
    testing::Put32(bytes, sh + 8, static_cast<std::uint32_t>(table.size()));
    testing::Put32(bytes, sh + 12, rva);
    testing::Put32(bytes, sh + 16, static_cast<std::uint32_t>(table.size()));
    testing::Put32(bytes, sh + 20, raw);
    testing::Put32(bytes, pe.importDirectoryAt, rva);
    const PeImports read = Read(bytes);
    EXPECT_EQ(read.modules.size(), kMaxImportDescriptors);
    EXPECT_EQ(read.problem, "the import table has too many entries");

    testing::PeBuilder none;
    const PeImports empty = Read(none.Build());
    EXPECT_TRUE(empty.isPe);
    EXPECT_TRUE(empty.modules.empty());
    EXPECT_EQ(empty.problem, "");
}

TEST(PeImports, ApiSetNamesAndMachines) {
    EXPECT_TRUE(IsApiSetName("api-ms-win-core-synch-l1-2-0.dll"));
    EXPECT_TRUE(IsApiSetName("API-MS-Win-Crt-Heap-L1-1-0.dll"));
    EXPECT_TRUE(IsApiSetName("ext-ms-win-ntuser-uicontext-ext-l1-1-0"));
    EXPECT_FALSE(IsApiSetName("apisetschema.dll"));
    EXPECT_FALSE(IsApiSetName("kernel32.dll"));
    EXPECT_STREQ(MachineName(kMachineX86), "x86");
    EXPECT_STREQ(MachineName(kMachineArm64), "arm64");
    EXPECT_STREQ(MachineName(0x1C4), "other");
}

// ---- the load-failure walk ----

class FakeModules final : public ModuleProvider {
public:
    std::map<std::string, std::wstring> where;     // lower-case name -> path
    std::map<std::wstring, PeImports> files;       // path -> imports
    std::map<std::wstring, int> reads;

    void Add(const std::wstring& path, const std::string& name, std::vector<std::string> imports,
             std::uint16_t machine = kMachineX64, std::vector<std::string> delayed = {}) {
        PeImports facts;
        facts.isPe = true;
        facts.machine = machine;
        for (auto& m : imports) facts.modules.push_back({m, false});
        for (auto& m : delayed) facts.modules.push_back({m, true});
        files[path] = facts;
        if (!name.empty()) where[ModuleKey(name)] = path;
    }
    std::optional<std::wstring> Resolve(const std::string& name) override {
        const auto found = where.find(ModuleKey(name));
        if (found == where.end()) return std::nullopt;
        return found->second;
    }
    const PeImports& Imports(const std::wstring& path) override {
        ++reads[path];
        return files[path];
    }
};

TEST(LoadBlocker, NamesTheFirstMissingModuleWithTheChainThatNeedsIt) {
    FakeModules m;
    m.Add(L"C:\\s\\server.ocx", "", {"KERNEL32.dll", "helper.dll", "other.dll"}, kMachineX64, {"lazy.dll"});
    m.Add(L"C:\\w\\kernel32.dll", "kernel32.dll", {"api-ms-win-core-x-l1-1-0.dll"});
    m.Add(L"C:\\s\\helper.dll", "helper.dll", {"kernel32.dll", "inner.dll"});
    m.Add(L"C:\\s\\inner.dll", "inner.dll", {"helper.dll", "velmoradep.dll"}); // a cycle back to helper
    const auto blocker = FindLoadBlocker(L"C:\\s\\server.ocx", m, kMachineX64);
    ASSERT_TRUE(blocker);
    EXPECT_EQ(blocker->kind, LoadBlocker::Kind::MissingModule);
    EXPECT_EQ(blocker->module, "velmoradep.dll");
    EXPECT_EQ(blocker->chain, (std::vector<std::string>{"helper.dll", "inner.dll"}));
    EXPECT_EQ(LoadBlockerText(*blocker, L"server.ocx", kMachineX64),
              L"server.ocx needs velmoradep.dll (through helper.dll, inner.dll), which was not found");

    // Found everywhere: nothing to say; delay-loaded and API-set modules are never asked for.
    m.Add(L"C:\\s\\velmoradep.dll", "velmoradep.dll", {});
    m.Add(L"C:\\s\\other.dll", "other.dll", {"server.ocx"});
    m.where["server.ocx"] = L"C:\\s\\server.ocx"; // a cycle back to the server itself
    m.reads.clear();
    EXPECT_FALSE(FindLoadBlocker(L"C:\\s\\server.ocx", m, kMachineX64));
    for (const auto& [path, count] : m.reads) EXPECT_LE(count, 3) << "read too often: " << path.size();

    // A direct import that is missing has no chain.
    FakeModules direct;
    direct.Add(L"C:\\s\\a.dll", "", {"gone.dll"});
    EXPECT_EQ(LoadBlockerText(*FindLoadBlocker(L"C:\\s\\a.dll", direct, kMachineX64), L"a.dll", kMachineX64),
              L"a.dll needs gone.dll, which was not found");
}

TEST(LoadBlocker, MachineTypesOfTheFileAndOfItsModules) {
    FakeModules m;
    m.Add(L"C:\\s\\old.ocx", "", {"gone.dll"}, kMachineX86);
    auto blocker = FindLoadBlocker(L"C:\\s\\old.ocx", m, kMachineX64);
    ASSERT_TRUE(blocker);
    EXPECT_EQ(LoadBlockerText(*blocker, L"old.ocx", kMachineX64),
              L"a 32-bit control server cannot be loaded by the 64-bit Nivex");
    EXPECT_EQ(LoadBlockerText(*blocker, L"old.ocx", kMachineX86), L"a control server built for x86 cannot be loaded by the 32-bit Nivex");
    m.Add(L"C:\\s\\new.ocx", "", {}, kMachineX64);
    EXPECT_EQ(LoadBlockerText(*FindLoadBlocker(L"C:\\s\\new.ocx", m, kMachineX86), L"new.ocx", kMachineX86),
              L"a 64-bit control server cannot be loaded by the 32-bit Nivex");
    m.Add(L"C:\\s\\arm.ocx", "", {}, kMachineArm64);
    EXPECT_EQ(LoadBlockerText(*FindLoadBlocker(L"C:\\s\\arm.ocx", m, kMachineX64), L"arm.ocx", kMachineX64),
              L"a control server built for arm64 cannot be loaded by the 64-bit Nivex");

    m.Add(L"C:\\s\\mixed.ocx", "", {"helper32.dll"}, kMachineX64);
    m.Add(L"C:\\s\\helper32.dll", "helper32.dll", {}, kMachineX86);
    blocker = FindLoadBlocker(L"C:\\s\\mixed.ocx", m, kMachineX64);
    ASSERT_TRUE(blocker);
    EXPECT_EQ(blocker->kind, LoadBlocker::Kind::OtherMachineModule);
    EXPECT_EQ(LoadBlockerText(*blocker, L"mixed.ocx", kMachineX64),
              L"mixed.ocx needs helper32.dll, which is built for 32-bit programs and cannot be loaded by the 64-bit Nivex");

    // Not a PE image: the walk has nothing to say.
    m.files[L"C:\\s\\text.txt"] = PeImports{};
    EXPECT_FALSE(FindLoadBlocker(L"C:\\s\\text.txt", m, kMachineX64));
}

// ---- what the viewer and nivexcmd print ----

TEST(DependencyOutput, NodesCaptionAndJson) {
    DependencyReport report;
    report.file = L"C:\\x\\ctl.ocx";
    report.readable = true;
    report.machine = kMachineX86;
    report.mentioned = Scan("ole32.dll my_ctl.ocx");
    report.imports = {{"KERNEL32.dll", false, false, std::wstring(L"C:\\windows\\system32\\KERNEL32.dll")},
                      {"gone\"q.dll", false, false, std::nullopt},
                      {"api-ms-win-crt-heap-l1-1-0.dll", false, true, std::nullopt},
                      {"USER32.dll", true, false, std::wstring(L"C:\\w\\user32.dll")}};
    EXPECT_EQ(ImportNodeText(report.imports[0]), L"KERNEL32.dll - C:\\windows\\system32\\KERNEL32.dll");
    EXPECT_EQ(ImportNodeText(report.imports[1]), L"gone\"q.dll (not found)");
    EXPECT_EQ(ImportNodeText(report.imports[2]), L"api-ms-win-crt-heap-l1-1-0.dll (API set)");
    EXPECT_EQ(ImportNodeText(report.imports[3]), L"USER32.dll (delay-loaded) - C:\\w\\user32.dll");
    EXPECT_TRUE(IsMissingImport(report.imports[1]));
    EXPECT_FALSE(IsMissingImport(report.imports[2]));
    EXPECT_EQ(MachineCaptionNote(report, kMachineX64), L" [32-bit x86 file, not loadable by the 64-bit Nivex]");
    EXPECT_EQ(MachineCaptionNote(report, kMachineX86), L"");

    EXPECT_EQ(DependencyReportJson(report),
              L"{\"file\": \"C:\\\\x\\\\ctl.ocx\", \"machine\": \"x86\", \"mentioned\": {\"dll\": [\"ole32.dll\"], "
              L"\"ocx\": [\"ctl.ocx\"]}, \"imports\": ["
              L"{\"name\": \"KERNEL32.dll\", \"delayed\": false, \"apiSet\": false, \"resolved\": \"C:\\\\windows\\\\system32\\\\KERNEL32.dll\"}, "
              L"{\"name\": \"gone\\\"q.dll\", \"delayed\": false, \"apiSet\": false, \"resolved\": null}, "
              L"{\"name\": \"api-ms-win-crt-heap-l1-1-0.dll\", \"delayed\": false, \"apiSet\": true, \"resolved\": null}, "
              L"{\"name\": \"USER32.dll\", \"delayed\": true, \"apiSet\": false, \"resolved\": \"C:\\\\w\\\\user32.dll\"}]}\r\n");
    report.machine.reset();
    report.imports.clear();
    EXPECT_NE(DependencyReportJson(report).find(L"\"machine\": null"), std::wstring::npos);
    EXPECT_EQ(DependencyReportText(report), L"File: C:\\x\\ctl.ocx\r\nMachine: (not a PE image)\r\nDLL Dependencies\r\n"
                                            L"  ole32.dll\r\nOCX Dependencies\r\n  ctl.ocx\r\nImported Modules\r\n");
}

TEST(CompareRows, RowsInOrderSameOnlyWhenTheTextsAreEqual) {
    CompareFacts a{L"CTL.OCX", CompactSizeText(1500), L"01/02/2020", L"01/03/2020", L"01/04/2020", L"", L"1.0", L"N/A"};
    CompareFacts b = a;
    b.size = CompactSizeText(1700);
    b.version = L"1.0 ";
    const auto rows = CompareRows(a, b);
    std::vector<std::wstring> elements;
    std::wstring marks;
    for (const auto& r : rows) {
        elements.push_back(r.element);
        marks += r.same ? L'Y' : L'N';
    }
    EXPECT_EQ(elements, (std::vector<std::wstring>{L"Filename", L"File Size", L"Creation Date", L"Accessed Date",
                                                   L"Modified Date", L"Description", L"Version", L"Copyright"}));
    EXPECT_EQ(marks, L"YNYYYYNY");
    EXPECT_EQ(rows[2].first + L"|" + rows[3].first + L"|" + rows[4].first, L"01/02/2020|01/03/2020|01/04/2020");
    EXPECT_EQ(rows[1].first, L"1KB");
    EXPECT_EQ(rows[1].second, L"2KB");
    EXPECT_EQ(CompactSizeText(1100), CompactSizeText(1400));
    EXPECT_EQ(CompactSizeText(2560), L"2KB"); // halves to even
    EXPECT_EQ(CompactSizeText(std::nullopt), L"N/A");
    EXPECT_EQ(CompareRowsJson({rows[0]}),
              L"[{\"element\": \"Filename\", \"first\": \"CTL.OCX\", \"second\": \"CTL.OCX\", \"same\": true}]\r\n");
}

} // namespace
} // namespace nivex
