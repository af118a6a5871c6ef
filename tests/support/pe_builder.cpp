#include "support/pe_builder.h"

#include <cstring>

namespace nivex::testing {

// Little-endian, growing the buffer as needed.
static void PutBytes(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, std::size_t count) {
    if (b.size() < at + count) b.resize(at + count);
    for (std::size_t i = 0; i < count; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { PutBytes(b, at, v, 2); }
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { PutBytes(b, at, v, 4); }

std::vector<std::uint8_t> PeBuilder::Build() {
    std::vector<std::uint8_t> b(PeLayout::kSectionRaw, 0);
    Put16(b, 0, 0x5A4D);
    Put32(b, 60, PeLayout::kPeOffset);
    const std::uint32_t pe = PeLayout::kPeOffset;
    Put32(b, pe, 0x00004550);
    Put16(b, pe + 4, machine);
    Put16(b, pe + 6, 1); // one section
    const std::uint16_t optionalSize = pe64 ? 240 : 224;
    Put16(b, pe + 20, optionalSize);
    const std::uint32_t opt = pe + 24;
    optionalHeaderAt = opt;
    Put16(b, opt, pe64 ? 0x020B : 0x010B);
    PutBytes(b, opt + (pe64 ? 24 : 28), imageBase, pe64 ? 8 : 4);
    Put32(b, opt + 60, PeLayout::kSectionRaw); // SizeOfHeaders
    const std::uint32_t countAt = pe64 ? 108 : 92;
    Put32(b, opt + countAt, 16);
    const std::uint32_t dirs = opt + countAt + 4;
    importDirectoryAt = dirs + 8;

    // The section: import descriptors, delay descriptors, a thunk, then the names.
    const std::uint32_t importsSize = static_cast<std::uint32_t>((imports.size() + 1) * 20);
    const std::uint32_t delaySize = static_cast<std::uint32_t>((delayImports.size() + 1) * 32);
    const std::uint32_t thunkOffset = importsSize + delaySize;
    std::vector<std::uint8_t> section(thunkOffset + 16, 0);
    auto addName = [&](const std::string& name) {
        const std::uint32_t at = static_cast<std::uint32_t>(section.size());
        section.insert(section.end(), name.begin(), name.end());
        section.push_back(0);
        return PeLayout::kSectionRva + at;
    };
    for (std::size_t i = 0; i < imports.size(); ++i) {
        const std::uint32_t d = static_cast<std::uint32_t>(i * 20);
        Put32(section, d + 12, addName(imports[i]));
        Put32(section, d + 16, PeLayout::kSectionRva + thunkOffset);
    }
    for (std::size_t i = 0; i < delayImports.size(); ++i) {
        const std::uint32_t d = importsSize + static_cast<std::uint32_t>(i * 32);
        const std::uint32_t rva = addName(delayImports[i]);
        Put32(section, d, delayUsesAddresses ? 0 : 1);
        Put32(section, d + 4, delayUsesAddresses ? static_cast<std::uint32_t>(imageBase + rva) : rva);
    }
    while (section.size() % 0x200) section.push_back(0);

    if (!imports.empty()) {
        Put32(b, dirs + 8, PeLayout::kSectionRva);
        Put32(b, dirs + 12, importsSize);
    }
    if (!delayImports.empty()) {
        Put32(b, dirs + 13 * 8, PeLayout::kSectionRva + importsSize);
        Put32(b, dirs + 13 * 8 + 4, delaySize);
    }
    importDescriptorsAt = PeLayout::kSectionRaw;

    const std::uint32_t sh = opt + optionalSize;
    std::memcpy(&b[sh], ".idata\0", 8);
    Put32(b, sh + 8, static_cast<std::uint32_t>(section.size()));  // VirtualSize
    Put32(b, sh + 12, PeLayout::kSectionRva);                      // VirtualAddress
    Put32(b, sh + 16, static_cast<std::uint32_t>(section.size())); // SizeOfRawData
    Put32(b, sh + 20, PeLayout::kSectionRaw);                      // PointerToRawData
    b.resize(PeLayout::kSectionRaw);
    b.insert(b.end(), section.begin(), section.end());
    return b;
}

} // namespace nivex::testing
