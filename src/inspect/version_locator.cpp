#include "inspect/version_locator.h"

namespace nivex {

namespace {

constexpr std::uint32_t kVersionType = 16;
constexpr std::uint32_t kVersionId = 1;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kMaxEntries = 4096;
constexpr std::uint32_t kMaxSections = 96;

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct Section {
    std::uint32_t virtualAddress, rawSize, rawOffset;
};

class Image {
public:
    explicit Image(const ReadAt& read) : read_(read) {}

    // Exactly size bytes at offset, or nothing.
    bool Read(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) const {
        out = read_(offset, size);
        return out.size() == size;
    }

    bool LoadHeaders(std::uint32_t& resourceRva) {
        std::vector<std::uint8_t> b;
        if (!Read(0, 64, b) || b[0] != 'M' || b[1] != 'Z') return false;
        const std::uint32_t pe = U32(b, 0x3C);
        if (pe < 64 || pe > (1u << 24)) return false;
        if (!Read(pe, 24, b) || b[0] != 'P' || b[1] != 'E' || b[2] != 0 || b[3] != 0) return false;
        const std::uint32_t sections = U16(b, 6);
        const std::uint32_t optionalSize = U16(b, 20);
        if (sections == 0 || sections > kMaxSections || optionalSize < 2) return false;
        std::vector<std::uint8_t> opt;
        if (!Read(pe + 24, optionalSize, opt)) return false;
        const std::uint32_t magic = U16(opt, 0);
        std::size_t countAt = 0;
        if (magic == 0x10B) countAt = 92; // 32-bit image
        else if (magic == 0x20B) countAt = 108; // 64-bit image
        else return false;
        // The resource directory is the third entry of the data directories that follow the count.
        if (optionalSize < countAt + 4 + 3 * 8 || U32(opt, countAt) < 3) return false;
        resourceRva = U32(opt, countAt + 4 + 2 * 8);
        std::vector<std::uint8_t> table;
        if (!Read(pe + 24 + optionalSize, sections * 40, table)) return false;
        for (std::uint32_t i = 0; i < sections; ++i)
            sections_.push_back({U32(table, i * 40 + 12), U32(table, i * 40 + 16), U32(table, i * 40 + 20)});
        return true;
    }

    // The file offset of an address of the loaded image, as the loader maps a data file's addresses.
    bool FileOffset(std::uint32_t rva, std::uint64_t& offset) const {
        for (const Section& s : sections_) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
                offset = static_cast<std::uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
                return true;
            }
        }
        return false;
    }

    // The entries of a resource directory: (name or identifier, data) pairs; identifiers only.
    bool Entries(std::uint64_t at, std::vector<std::pair<std::uint32_t, std::uint32_t>>& ids, std::uint32_t& total) const {
        std::vector<std::uint8_t> header;
        if (!Read(at, 16, header)) return false;
        const std::uint32_t named = U16(header, 12);
        total = named + U16(header, 14);
        if (total > kMaxEntries) return false;
        std::vector<std::uint8_t> list;
        if (!Read(at + 16, total * 8, list)) return false;
        for (std::uint32_t i = 0; i < total; ++i) {
            const std::uint32_t name = U32(list, i * 8);
            if (!(name & kSubdirectory)) ids.emplace_back(name, U32(list, i * 8 + 4));
        }
        return true;
    }

private:
    const ReadAt& read_;
    std::vector<Section> sections_;
};

} // namespace

VersionLocation LocateVersionResource(const ReadAt& read) {
    VersionLocation location;
    Image image(read);
    std::uint32_t resourceRva = 0;
    if (!image.LoadHeaders(resourceRva)) return location;
    if (resourceRva == 0) {
        location.result = VersionLocation::None; // no resources at all
        return location;
    }
    std::uint64_t root = 0;
    if (!image.FileOffset(resourceRva, root)) return location;

    // Type, then identifier: each a subdirectory below the root.
    std::uint64_t directory = root;
    for (std::uint32_t wanted : {kVersionType, kVersionId}) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ids;
        std::uint32_t total = 0;
        if (!image.Entries(directory, ids, total)) return location;
        const std::pair<std::uint32_t, std::uint32_t>* match = nullptr;
        for (const auto& entry : ids)
            if (entry.first == wanted) {
                match = &entry;
                break;
            }
        if (!match) {
            location.result = VersionLocation::None;
            return location;
        }
        if (!(match->second & kSubdirectory)) return location;
        directory = root + (match->second & ~kSubdirectory);
    }
    // One language: the loader takes it whatever it is. With several its choice depends on the user's.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> languages;
    std::uint32_t total = 0;
    if (!image.Entries(directory, languages, total) || total != 1 || languages.size() != 1) return location;
    if (languages[0].second & kSubdirectory) return location;
    std::vector<std::uint8_t> data;
    if (!image.Read(root + languages[0].second, 16, data)) return location;
    std::uint64_t offset = 0;
    if (!image.FileOffset(U32(data, 0), offset)) return location;
    location.result = VersionLocation::Found;
    location.offset = offset;
    location.size = U32(data, 4);
    return location;
}

} // namespace nivex
