#pragma once
// The modules a PE image imports (its import table and its delay-import table) and its machine type,
// read from untrusted bytes: every offset is checked, every count is capped, nothing is trusted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nivex {

// Random access to a file's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies exactly size bytes from offset; false (and nothing promised about out) when they are not all there.
    virtual bool Read(std::uint64_t offset, void* out, std::size_t size) const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t size) const override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr std::uint16_t kMachineX86 = 0x014C;
constexpr std::uint16_t kMachineX64 = 0x8664;
constexpr std::uint16_t kMachineArm64 = 0xAA64;

// The machine this program is built for.
std::uint16_t OwnMachine();

// "x64", "x86", "arm64" or "other".
const char* MachineName(std::uint16_t machine);
// 32 or 64 for the machines whose width is known, 0 otherwise.
int MachineBits(std::uint16_t machine);

struct ImportedModule {
    std::string name; // as written in the file
    bool delayed = false;
};

struct PeImports {
    bool isPe = false;          // MZ and PE headers present and readable
    std::uint16_t machine = 0;  // of the file header (isPe only)
    std::vector<ImportedModule> modules; // the import table in order, then the delay-import table in order
    // Empty when both tables were read to their ends; otherwise what stopped the reading (the modules
    // read before that are kept).
    std::string problem;
};

// Limits against images made to exhaust the reader.
constexpr std::size_t kMaxImportDescriptors = 4096;
constexpr std::size_t kMaxModuleNameLength = 260;

PeImports ReadPeImports(const ByteSource& source);

// Whether the image's export table names name (exports by ordinal only do not count).
constexpr std::size_t kMaxExportNames = 65536;
bool PeExportsName(const ByteSource& source, std::string_view name);

// An API-set name ("api-ms-win-…", "ext-ms-…"): the loader maps it to a real module itself.
bool IsApiSetName(std::string_view name);

// Lower-case ASCII form of a module name, for comparing names as the loader does.
std::string ModuleKey(std::string_view name);

} // namespace nivex
