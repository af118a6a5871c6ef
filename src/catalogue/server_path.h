#pragma once
// The one rule for a registered server path, judged as the server's own process sees it. A path without a
// drive names a file of the System folder of the registration's view on platforms of major version 5 (which
// look such paths up there); elsewhere it is used as registered. On a 64-bit machine a 32-bit registration's
// System32 path names SysWOW64, and the 32-bit Nivex reaches a 64-bit one's through Sysnative.
#include <string>

#include "registry/registry_view.h"

namespace nivex {

// True when the path names its own place: a drive ("C:...") or a network share ("\\server\...").
bool ServerPathIsRooted(const std::wstring& registered);

enum class DrivelessPath {
    Version5SystemFolder, // the catalogue's rule: only where the platform's major version is 5
    SystemFolder,         // where the loader finds a bare name on every platform
};

// The file a registered server path of view names, as this program opens it. SystemFolder(), OsIsMajor5()
// and the machine's view folders decide.
std::wstring ResolveServerPath(const std::wstring& registered, RegistryView view,
                               DrivelessPath rule = DrivelessPath::Version5SystemFolder);

} // namespace nivex
