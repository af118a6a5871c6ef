#include "catalogue/server_path.h"

#include "common/paths.h"

namespace nivex {

bool ServerPathIsRooted(const std::wstring& registered) {
    if (registered.size() >= 2 && registered[1] == L':') return true;
    return registered.size() >= 2 && registered[0] == L'\\' && registered[1] == L'\\';
}

std::wstring ResolveServerPath(const std::wstring& registered, DrivelessPath rule) {
    if (ServerPathIsRooted(registered)) return registered;
    if (rule == DrivelessPath::Version5SystemFolder && !OsIsMajor5()) return registered;
    return SystemFolder() + registered;
}

} // namespace nivex
