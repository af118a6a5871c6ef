#pragma once
// Whether a path names an ordinary file, one path at a time or for many paths with one listing per folder.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "common/base_namespace.h"

namespace velmora {

// A directory search for exactly this path that matches ordinary files only: read-only and archive
// files match; hidden files, system files and folders do not. A path with wildcards is never found
// (it would match other files). When found and length is given, it receives the file's length.
bool OrdinaryFileExists(const std::wstring& path, std::uint64_t* length = nullptr);

// What a folder listing tells of a file: its length and its times (FILETIME values, UTC).
struct ListedFile {
    std::uint64_t length = 0;
    std::uint64_t created = 0, accessed = 0, written = 0;
};

// Answers OrdinaryFileExists for many paths while listing each folder only once. Testing a name
// that does not exist costs a scan of the whole folder under Wine, so a scan of thousands of server
// files asks this instead. The answers reflect the folders as they were when first listed; Clear()
// forgets them.
class FileExistenceCache {
public:
    bool IsOrdinaryFile(const std::wstring& path, std::uint64_t* length = nullptr);
    // The same, with what the listing tells of the file when found.
    bool IsOrdinaryFile(const std::wstring& path, ListedFile* listed);
    void Clear();
    // How many folder listings were made since construction (or the last Clear).
    std::size_t FolderListings() const { return listings_; }

private:
    struct Entry {
        std::uint32_t attributes = 0;
        ListedFile file;
    };
    using Names = std::unordered_map<std::wstring, Entry>; // by upper-cased long and short name
    const Names& Listing(const std::wstring& folder);

    std::unordered_map<std::wstring, Names> folders_; // by upper-cased folder, ending in a backslash
    std::size_t listings_ = 0;
};

} // namespace velmora
