#pragma once
// The one rule for a registered server path: without a drive it names a file of the System folder on
// platforms of major version 5 (which look such paths up there); elsewhere it is used as registered.
#include <string>

namespace nivex {

// True when the path names its own place: a drive ("C:...") or a network share ("\\server\...").
bool ServerPathIsRooted(const std::wstring& registered);

enum class DrivelessPath {
    Version5SystemFolder, // the catalogue's rule: only where the platform's major version is 5
    SystemFolder,         // where the loader finds a bare name on every platform
};

// The file a registered server path names. The process-wide SystemFolder() and OsIsMajor5() decide.
std::wstring ResolveServerPath(const std::wstring& registered,
                               DrivelessPath rule = DrivelessPath::Version5SystemFolder);

} // namespace nivex
