#include "inspect/dependency_report.h"

#include "common/text.h"
#include "inspect/import_walk.h"

namespace nivex {

std::wstring ImportNodeText(const ResolvedImport& module) {
    std::wstring text = ModuleNameText(module.name);
    if (module.delayed) text += L" (delay-loaded)";
    if (module.apiSet) return text + L" (API set)" + (module.resolved ? L" - " + *module.resolved : std::wstring());
    if (!module.resolved) return text + L" (not found)";
    return text + L" - " + *module.resolved;
}

std::wstring MachineCaptionNote(const DependencyReport& report, std::uint16_t ownMachine) {
    if (!report.machine || *report.machine == ownMachine) return {};
    const std::uint16_t machine = *report.machine;
    const int bits = MachineBits(machine);
    const int ownBits = MachineBits(ownMachine);
    const std::wstring name = Utf8ToWide(MachineName(machine));
    std::wstring note = bits != 0 && bits != ownBits ? std::to_wstring(bits) + L"-bit " + name + L" file"
                                                     : name + L" file";
    if (ownBits != 0) note += L", not loadable by the " + std::to_wstring(ownBits) + L"-bit Nivex";
    return L" [" + note + L"]";
}

} // namespace nivex
