#pragma once
// Finds an image file's version resource from the file's own bytes, as the loader's resource lookup
// would, without mapping the file: a report reads it for hundreds of files.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace nivex {

// Reads up to size bytes at offset (fewer at the end of the file, none when it cannot).
using ReadAt = std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t size)>;

struct VersionLocation {
    enum Result {
        Found,     // offset and size name the resource's bytes in the file
        None,      // a well-formed image without a version resource
        Undecided, // not an image this reader understands, or more than one language: ask the platform
    };
    Result result = Undecided;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
};

// The resource of type 16 (version) and identifier 1 of a 32- or 64-bit image, when it has one language.
VersionLocation LocateVersionResource(const ReadAt& read);

} // namespace nivex
