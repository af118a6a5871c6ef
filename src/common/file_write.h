#pragma once
// Writing a whole file so that no piece of it is ever left under its name.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/base_namespace.h"

namespace velmora {

enum class ExistingFile { Replace, Keep };

// Writes the bytes to a new file beside path, then gives it path's name: a reader finds the old file or the
// whole new one, never a part. With ExistingFile::Keep a file of that name stays as it is and the call fails
// with ERROR_ALREADY_EXISTS. Returns ERROR_SUCCESS or the system's error code; a failed call leaves nothing
// behind.
DWORD WriteWholeFile(const std::wstring& path, std::string_view bytes, ExistingFile existing);

} // namespace velmora
