#pragma once
// The registry views of this machine and the access flag that opens a key in one of them.
#include <windows.h>

#include <vector>

#include "registry/registry_view.h"

namespace nivex {

// KEY_WOW64_64KEY or KEY_WOW64_32KEY: added to the access mask of every open, create and RegDeleteKeyExW.
REGSAM ViewAccess(RegistryView view);

// True on 64-bit Windows, whichever bitness this program is.
bool IsWindows64();

// The views this machine has: both on 64-bit Windows (64-bit first), the 32-bit one on 32-bit Windows.
std::vector<RegistryView> MachineViews();

// The view a program of this build's bitness sees without a flag.
constexpr RegistryView OwnView() { return sizeof(void*) == 8 ? RegistryView::Bits64 : RegistryView::Bits32; }

} // namespace nivex
