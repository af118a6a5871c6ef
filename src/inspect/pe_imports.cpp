#include "inspect/pe_imports.h"

#include <algorithm>
#include <cstring>

namespace nivex {

namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;       // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint16_t kOptional32 = 0x010B;
constexpr std::uint16_t kOptional64 = 0x020B;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::size_t kDelayDescriptorSize = 32;
constexpr std::size_t kSectionHeaderSize = 40;
// The loader refuses more sections than this; a larger count is a malformed image.
constexpr std::uint32_t kMaxSections = 96;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const std::uint8_t* p) { return U32(p) | (static_cast<std::uint64_t>(U32(p + 4)) << 32); }

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

struct Image {
    const ByteSource* source = nullptr;
    std::uint64_t imageBase = 0;
    std::uint32_t headersSize = 0;
    std::vector<Section> sections;

    // The file offset of an image address; false when no byte of the file lies there.
    bool Offset(std::uint64_t rva, std::uint64_t& offset) const {
        for (const Section& s : sections) {
            const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.virtualAddress && rva < static_cast<std::uint64_t>(s.virtualAddress) + span) {
                const std::uint64_t into = rva - s.virtualAddress;
                if (into >= s.rawSize) return false; // zero-filled memory, not in the file
                offset = static_cast<std::uint64_t>(s.rawPointer) + into;
                return true;
            }
        }
        // The headers are mapped as they are in the file.
        if (rva < headersSize) {
            offset = rva;
            return true;
        }
        return false;
    }

    bool ReadAt(std::uint64_t rva, void* out, std::size_t size) const {
        std::uint64_t offset = 0;
        return Offset(rva, offset) && source->Read(offset, out, size);
    }

    // A NUL-terminated name at an image address, read a few bytes at a time; false when it does not end
    // within the limit or the file.
    bool Name(std::uint64_t rva, std::string& name) const {
        name.clear();
        std::uint64_t offset = 0;
        if (!Offset(rva, offset)) return false;
        const std::uint64_t size = source->Size();
        while (name.size() < kMaxModuleNameLength) {
            std::uint8_t piece[32];
            const std::uint64_t left = offset < size ? size - offset : 0;
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof(piece), left));
            if (want == 0 || !source->Read(offset, piece, want)) return false;
            for (std::size_t i = 0; i < want; ++i) {
                if (piece[i] == 0) return true;
                if (name.size() == kMaxModuleNameLength) return false;
                name.push_back(static_cast<char>(piece[i]));
            }
            offset += want;
        }
        return false;
    }
};

struct Directory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

void ReadImportTable(const Image& image, const Directory& dir, PeImports& out) {
    if (dir.rva == 0) return;
    for (std::size_t i = 0;; ++i) {
        if (i == kMaxImportDescriptors) {
            out.problem = "the import table has too many entries";
            return;
        }
        std::uint8_t d[kImportDescriptorSize];
        if (!image.ReadAt(static_cast<std::uint64_t>(dir.rva) + i * kImportDescriptorSize, d, sizeof(d))) {
            out.problem = "the import table lies outside the file";
            return;
        }
        const std::uint32_t nameRva = U32(d + 12);
        const std::uint32_t firstThunk = U32(d + 16);
        // The loader ends the table at the first entry without a name or an address table.
        if (nameRva == 0 || firstThunk == 0) return;
        ImportedModule module;
        if (!image.Name(nameRva, module.name)) {
            out.problem = "an imported module's name lies outside the file";
            return;
        }
        if (!module.name.empty()) out.modules.push_back(std::move(module));
    }
}

void ReadDelayImportTable(const Image& image, const Directory& dir, PeImports& out) {
    if (dir.rva == 0) return;
    for (std::size_t i = 0;; ++i) {
        if (i == kMaxImportDescriptors) {
            if (out.problem.empty()) out.problem = "the delay-import table has too many entries";
            return;
        }
        std::uint8_t d[kDelayDescriptorSize];
        if (!image.ReadAt(static_cast<std::uint64_t>(dir.rva) + i * kDelayDescriptorSize, d, sizeof(d))) {
            if (out.problem.empty()) out.problem = "the delay-import table lies outside the file";
            return;
        }
        const std::uint32_t attributes = U32(d);
        std::uint64_t nameAddress = U32(d + 4);
        if (nameAddress == 0) return;
        // Old linkers wrote addresses instead of offsets into the image (attribute bit 0 clear).
        if ((attributes & 1) == 0) {
            if (nameAddress < image.imageBase) {
                if (out.problem.empty()) out.problem = "a delay-loaded module's name lies outside the image";
                return;
            }
            nameAddress -= image.imageBase;
        }
        ImportedModule module;
        module.delayed = true;
        if (!image.Name(nameAddress, module.name)) {
            if (out.problem.empty()) out.problem = "a delay-loaded module's name lies outside the file";
            return;
        }
        if (!module.name.empty()) out.modules.push_back(std::move(module));
    }
}

} // namespace

bool MemorySource::Read(std::uint64_t offset, void* out, std::size_t size) const {
    if (offset > size_ || size > size_ - offset) return false;
    if (size != 0) std::memcpy(out, data_ + offset, size);
    return true;
}

std::uint16_t OwnMachine() {
#if defined(_M_X64) || defined(__x86_64__)
    return kMachineX64;
#elif defined(_M_ARM64) || defined(__aarch64__)
    return kMachineArm64;
#elif defined(_M_IX86) || defined(__i386__)
    return kMachineX86;
#else
    return 0;
#endif
}

const char* MachineName(std::uint16_t machine) {
    switch (machine) {
    case kMachineX64: return "x64";
    case kMachineX86: return "x86";
    case kMachineArm64: return "arm64";
    default: return "other";
    }
}

int MachineBits(std::uint16_t machine) {
    switch (machine) {
    case kMachineX64:
    case kMachineArm64: return 64;
    case kMachineX86: return 32;
    default: return 0;
    }
}

namespace {

// The headers, sections and data directories of an image; false (out.problem set when it is a PE image)
// when they cannot be read.
bool ReadHeaders(const ByteSource& source, PeImports& out, Image& image, Directory (&directories)[16]) {
    std::uint8_t dos[64];
    if (!source.Read(0, dos, sizeof(dos)) || U16(dos) != kDosMagic) return false;
    const std::uint32_t peOffset = U32(dos + 60);
    std::uint8_t header[24]; // signature and file header
    if (!source.Read(peOffset, header, sizeof(header)) || U32(header) != kPeSignature) return false;
    out.isPe = true;
    out.machine = U16(header + 4);
    const std::uint32_t sectionCount = U16(header + 6);
    const std::uint32_t optionalSize = U16(header + 20);

    const std::uint64_t optionalOffset = static_cast<std::uint64_t>(peOffset) + sizeof(header);
    std::uint8_t optional[240] = {};
    const std::size_t optionalRead = std::min<std::size_t>(optionalSize, sizeof(optional));
    if (optionalRead < 2 || !source.Read(optionalOffset, optional, optionalRead)) {
        out.problem = "the optional header is missing";
        return false;
    }
    const std::uint16_t magic = U16(optional);
    std::size_t countAt = 0;
    image.source = &source;
    if (magic == kOptional32) {
        countAt = 92;
        if (optionalRead >= 32) image.imageBase = U32(optional + 28);
    } else if (magic == kOptional64) {
        countAt = 108;
        if (optionalRead >= 32) image.imageBase = U64(optional + 24);
    } else {
        out.problem = "the optional header is of an unknown kind";
        return false;
    }
    if (optionalRead >= 64) image.headersSize = U32(optional + 60);
    std::uint32_t directoryCount = optionalRead >= countAt + 4 ? U32(optional + countAt) : 0;
    directoryCount = std::min<std::uint32_t>(directoryCount, 16);
    for (std::uint32_t index = 0; index < 16; ++index) {
        const std::size_t at = countAt + 4 + index * 8;
        if (index < directoryCount && at + 8 <= optionalRead) {
            directories[index].rva = U32(optional + at);
            directories[index].size = U32(optional + at + 4);
        }
    }

    if (sectionCount > kMaxSections) {
        out.problem = "the image has too many sections";
        return false;
    }
    const std::uint64_t sectionsOffset = optionalOffset + optionalSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        std::uint8_t s[kSectionHeaderSize];
        if (!source.Read(sectionsOffset + i * kSectionHeaderSize, s, sizeof(s))) {
            out.problem = "the section table lies outside the file";
            return false;
        }
        image.sections.push_back(Section{U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
    }
    return true;
}

} // namespace

PeImports ReadPeImports(const ByteSource& source) {
    PeImports out;
    Image image;
    Directory directories[16] = {};
    if (!ReadHeaders(source, out, image, directories)) return out;
    ReadImportTable(image, directories[kImportDirectory], out);
    ReadDelayImportTable(image, directories[kDelayImportDirectory], out);
    return out;
}

bool PeExportsName(const ByteSource& source, std::string_view name) {
    PeImports out;
    Image image;
    Directory directories[16] = {};
    if (!ReadHeaders(source, out, image, directories) || directories[0].rva == 0) return false;
    std::uint8_t exports[40];
    if (!image.ReadAt(directories[0].rva, exports, sizeof(exports))) return false;
    const std::uint32_t count = std::min<std::uint32_t>(U32(exports + 24), kMaxExportNames);
    const std::uint32_t names = U32(exports + 32);
    std::string exported;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t rva[4];
        if (!image.ReadAt(static_cast<std::uint64_t>(names) + i * 4, rva, sizeof(rva))) return false;
        if (image.Name(U32(rva), exported) && exported == name) return true;
    }
    return false;
}

bool IsApiSetName(std::string_view name) {
    const std::string key = ModuleKey(name.substr(0, 7));
    return key.rfind("api-", 0) == 0 || key.rfind("ext-", 0) == 0;
}

std::string ModuleKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return key;
}

} // namespace nivex
