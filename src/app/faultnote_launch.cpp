#include "app/faultnote_launch.h"

#include "common/command_args.h"
#include "common/format.h"
#include "common/paths.h"
#include "common/text.h"

namespace nivex {

std::wstring FaultnoteArguments(const std::wstring& title, int major, int minor, int revision) {
    return title + L"%" + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"%" + FormatMinDigits(revision, 4);
}

std::wstring ChooseFaultnotePath(const std::wstring& installPath, const std::wstring& programFolder,
                                 const FileSystemProbe& probe) {
    const std::wstring setting = Trim(UnquotePath(Trim(installPath)));
    if (!setting.empty()) {
        if (probe.isFile(setting)) return setting;
        if (probe.isFolder(setting)) {
            const std::wstring inFolder = JoinPath(setting, kFaultnoteExe);
            if (probe.isFile(inFolder)) return inFolder;
        }
    }
    if (!programFolder.empty()) {
        const std::wstring beside = JoinPath(programFolder, kFaultnoteExe);
        if (probe.isFile(beside)) return beside;
    }
    return {};
}

} // namespace nivex
