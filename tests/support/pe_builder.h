#pragma once
// Small PE images written byte by byte, for tests of the import reader: well-formed ones and ones
// broken on purpose.
#include <cstdint>
#include <string>
#include <vector>

namespace nivex::testing {

struct PeLayout {
    static constexpr std::uint32_t kPeOffset = 64;
    static constexpr std::uint32_t kSectionRva = 0x1000;
    static constexpr std::uint32_t kSectionRaw = 0x200;
};

struct PeBuilder {
    std::uint16_t machine = 0x8664;
    bool pe64 = true;
    std::vector<std::string> imports;
    std::vector<std::string> delayImports;
    bool delayUsesAddresses = false; // old-style delay descriptors (attribute bit 0 clear)
    std::uint64_t imageBase = 0x180000000ull;

    std::vector<std::uint8_t> Build();

    // Where Build put things, for tests that break them afterwards.
    std::uint32_t importDescriptorsAt = 0; // file offset
    std::uint32_t optionalHeaderAt = 0;
    std::uint32_t importDirectoryAt = 0; // file offset of the import directory entry (rva, size)
};

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v);
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v);

} // namespace nivex::testing
