#include "common/path_split.h"

namespace velmora {

std::wstring GetFileName(const std::wstring& fullPath) {
    const size_t slash = fullPath.rfind(L'\\');
    return slash == std::wstring::npos ? fullPath : fullPath.substr(slash + 1);
}

std::wstring GetFilePath(const std::wstring& fullPath) {
    const size_t slash = fullPath.rfind(L'\\');
    if (slash == std::wstring::npos) return L"\\";
    return fullPath.substr(0, slash + 1);
}

bool IsSearchPattern(std::wstring_view path) {
    // The "\\?\" prefix of a long path is not a wildcard.
    if (path.starts_with(L"\\\\?\\")) path.remove_prefix(4);
    return path.find_first_of(std::wstring_view(L"*?<>\"\0", 6)) != std::wstring_view::npos;
}

} // namespace velmora
