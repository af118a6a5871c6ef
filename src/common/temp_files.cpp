#include "common/temp_files.h"

#include <windows.h>

namespace velmora {

void TempFiles::DeleteAll() {
    for (const auto& file : files_) DeleteFileW(file.c_str());
    files_.clear();
}

} // namespace velmora
