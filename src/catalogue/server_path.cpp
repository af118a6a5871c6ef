#include "catalogue/server_path.h"

#include "common/paths.h"
#include "registry/registry_views.h"

namespace nivex {

bool ServerPathIsRooted(const std::wstring& registered) {
    if (registered.size() >= 2 && registered[1] == L':') return true;
    return registered.size() >= 2 && registered[0] == L'\\' && registered[1] == L'\\';
}

std::wstring ResolveServerPath(const std::wstring& registered, RegistryView view, DrivelessPath rule) {
    if (ServerPathIsRooted(registered)) return ServerFileInView(registered, view);
    if (rule == DrivelessPath::Version5SystemFolder && !OsIsMajor5()) return registered;
    return SystemFolderOfView(view) + registered;
}

} // namespace nivex
