#include "cli/cli_options.h"
#include "cli/inspect_commands.h"
#include "cli/inspect_output.h"
#include "inspect/file_compare.h"
#include "common/file_exists.h"
#include "common/path_split.h"

namespace nivex {

CommandResult RunCompareCommand(const std::vector<std::wstring>& args) {
    std::vector<std::wstring> files;
    bool json = false;
    std::wstring error;
    if (!ParseFilesAndJson(args, 2, L"compare", files, json, error)) return Usage(error);
    const std::wstring first = Absolute(files[0]);
    const std::wstring second = Absolute(files[1]);
    for (const std::wstring& path : {first, second}) {
        if (!OrdinaryFileExists(path)) return NoSuchFile(path);
    }
    const auto rows = CompareFiles(GetFileName(first), first, GetFileName(second), second);
    return CommandResult{kExitOk, json ? CompareRowsJson(rows) : CompareRowsText(rows), {}};
}

} // namespace nivex
