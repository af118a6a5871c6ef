#pragma once
// The names of libraries (".dll") and controls (".ocx") that a file mentions anywhere in its bytes.
// The file is fed in pieces of any size; the result is the same as for the whole file at once.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace nivex {

struct MentionedName {
    std::wstring name;      // lower case, ends in the extension, at most 23 characters
    std::uint32_t count = 0; // how often it occurs
};

// Both lists in the order of each name's last occurrence in the file.
struct MentionedNames {
    std::vector<MentionedName> dll;
    std::vector<MentionedName> ocx;
};

// Characters in front of the extension that a name may take, and the bytes the scan keeps from one
// piece for the next (the name window plus an extension cut at the piece's end).
constexpr std::size_t kNameLead = 19;
constexpr std::size_t kNameWindow = kNameLead + 4;
constexpr std::size_t kScanOverlap = kNameLead + 3;

class DependencyScanner {
public:
    void Feed(const std::uint8_t* data, std::size_t size);
    // The names found so far (call after the last piece).
    MentionedNames Result() const;

    struct Entry {
        std::uint32_t count = 0;
        std::uint64_t last = 0; // position of the last occurrence
    };

private:
    void Take(const std::uint8_t* window, std::size_t length, std::map<std::string, Entry>& names,
              std::uint64_t position);
    void ScanRange(const std::uint8_t* base, std::size_t length, std::uint64_t basePosition, std::size_t from,
                   std::size_t before);

    std::vector<std::uint8_t> tail_; // the last bytes fed (at most kScanOverlap between calls)
    std::uint64_t bufferStart_ = 0;  // file position of tail_[0]
    std::uint64_t searched_ = 0;       // occurrences starting before this position are taken
    std::map<std::string, Entry> dll_; // by the name's bytes, lower case
    std::map<std::string, Entry> ocx_;
};

// The whole scan over bytes in memory.
MentionedNames ScanForDependencies(const std::uint8_t* data, std::size_t size);

// A byte of the file as the character it stands for (Windows-1252), and its lower-case form.
wchar_t AnsiByteToChar(std::uint8_t byte);
std::uint8_t LowerAnsiByte(std::uint8_t byte);
// Whether a byte can be part of a name: a letter (upper and lower case differ), a digit or a full stop.
bool IsNameByte(std::uint8_t byte);

} // namespace nivex
