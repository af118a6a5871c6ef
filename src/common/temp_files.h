#pragma once
// Files created during the run that are deleted at exit.
#include <string>
#include <vector>

#include "common/base_namespace.h"

namespace velmora {

// The files in the order they were added.
class TempFiles {
public:
    void Add(const std::wstring& path) { files_.push_back(path); }
    const std::vector<std::wstring>& Files() const { return files_; }
    // Deletes every file; failures are ignored. The list is empty afterwards.
    void DeleteAll();

private:
    std::vector<std::wstring> files_;
};

} // namespace velmora
