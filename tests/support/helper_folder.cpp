// Linked into every Windows test: registrations find the build's helper (nivexcmd.exe in NIVEX_BIN_DIR,
// x86\nivexcmd.exe below it) as the installed programs find the one beside them.
#include "registration/reg_engine.h"
#include "support/temp_folder.h"

namespace {
const bool helperFolderSet = [] {
    const std::wstring bin = nivex::testing::BinFolder();
    if (!bin.empty()) nivex::SetHelperFolder(bin);
    return true;
}();
} // namespace
