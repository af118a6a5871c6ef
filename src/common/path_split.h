#pragma once
// Splitting a full path into its folder and its file name, as the dialogs and reports show them.
#include <string>
#include <string_view>

#include "common/base_namespace.h"

namespace velmora {

// The part after the last backslash: the whole text when it has none, empty when it ends in one.
std::wstring GetFileName(const std::wstring& fullPath);

// The part up to and including the last backslash; always ends in a backslash, so a bare name gives "\".
std::wstring GetFilePath(const std::wstring& fullPath);

// True when a directory search for the text would match more than one name (*, ? and the
// DOS forms <, > and "), or when it holds a NUL that the platform would cut the path at.
bool IsSearchPattern(std::wstring_view path);

} // namespace velmora
