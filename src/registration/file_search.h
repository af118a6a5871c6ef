#pragma once
// The missing-file search: one folder, optionally with all its subfolders, for ordinary files of one name.
#include <cstddef>
#include <string>

namespace nivex {

class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // Asked before each folder entry; false stops the whole search.
    virtual bool KeepGoing() { return true; }
    virtual void FolderEntered(const std::wstring& folder) { (void)folder; }
    // path = folder + name; folder ends in a backslash.
    virtual void Found(const std::wstring& path, const std::wstring& name, const std::wstring& folder) = 0;
};

struct SearchStats {
    std::size_t folders = 0; // folders listed
    std::size_t entries = 0; // entries looked at
    std::size_t found = 0;
    bool stopped = false;
};

// Lists root (ending in a backslash is not required) and, when recursive, every subfolder that is not a
// link. Folders that cannot be listed are skipped. The wanted name compares without regard to case with
// each file's long name and, when it looks like a generated short name, with the short name too.
SearchStats SearchFiles(const std::wstring& root, const std::wstring& wanted, bool recursive, SearchObserver& observer);

} // namespace nivex
