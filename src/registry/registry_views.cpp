#include "registry/registry_views.h"

namespace nivex {

REGSAM ViewAccess(RegistryView view) { return view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

bool IsWindows64() {
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
}

std::vector<RegistryView> MachineViews() {
    if (IsWindows64()) return {RegistryView::Bits64, RegistryView::Bits32};
    return {RegistryView::Bits32};
}

} // namespace nivex
