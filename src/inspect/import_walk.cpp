#include "inspect/import_walk.h"

#include <set>

#include "common/text.h"
#include "inspect/dependency_scan.h"

namespace nivex {

namespace {

struct Walk {
    ModuleProvider& provider;
    std::uint16_t machine;
    std::set<std::wstring> visited; // upper-cased paths: each module is looked into once, cycles end here
    std::vector<std::string> chain;

    std::optional<LoadBlocker> Visit(const std::wstring& path) {
        if (!visited.insert(ToUpperText(path)).second) return std::nullopt;
        // Copy: the provider may read other files while this one's list is walked.
        const std::vector<ImportedModule> modules = provider.Imports(path).modules;
        for (const ImportedModule& module : modules) {
            if (module.delayed || IsApiSetName(module.name)) continue;
            const std::optional<std::wstring> found = provider.Resolve(module.name);
            if (!found) return LoadBlocker{LoadBlocker::Kind::MissingModule, 0, module.name, chain};
            const PeImports& facts = provider.Imports(*found);
            if (facts.isPe && facts.machine != machine)
                return LoadBlocker{LoadBlocker::Kind::OtherMachineModule, facts.machine, module.name, chain};
            chain.push_back(module.name);
            if (auto inner = Visit(*found)) return inner;
            chain.pop_back();
        }
        return std::nullopt;
    }
};

std::wstring BitsText(std::uint16_t machine) {
    const int bits = MachineBits(machine);
    return bits == 0 ? std::wstring() : std::to_wstring(bits) + L"-bit";
}

std::wstring MachineText(std::uint16_t machine) {
    return Utf8ToWide(MachineName(machine));
}

} // namespace

std::optional<LoadBlocker> FindLoadBlocker(const std::wstring& path, ModuleProvider& provider,
                                           std::uint16_t ownMachine) {
    const PeImports& top = provider.Imports(path);
    if (!top.isPe) return std::nullopt;
    if (top.machine != ownMachine) return LoadBlocker{LoadBlocker::Kind::OtherMachine, top.machine, {}, {}};
    Walk walk{provider, ownMachine, {}, {}};
    return walk.Visit(path);
}

std::wstring ModuleNameText(const std::string& name) {
    std::wstring text;
    text.reserve(name.size());
    for (const char c : name)
        text.push_back(AnsiByteToChar(static_cast<std::uint8_t>(c)));
    return text;
}

std::wstring LoadBlockerText(const LoadBlocker& blocker, const std::wstring& fileName, std::uint16_t ownMachine) {
    const std::wstring own = BitsText(ownMachine);
    const std::wstring program = own.empty() ? L"Nivex" : L"the " + own + L" Nivex";
    if (blocker.kind == LoadBlocker::Kind::OtherMachine) {
        const std::wstring bits = BitsText(blocker.machine);
        // Same width, other processor (an ARM64 server seen by the x64 program): the width says nothing.
        if (!bits.empty() && bits != own) return L"a " + bits + L" control server cannot be loaded by " + program;
        return L"a control server built for " + MachineText(blocker.machine) + L" cannot be loaded by " + program;
    }
    std::wstring text = (fileName.empty() ? L"the file" : fileName) + L" needs " + ModuleNameText(blocker.module);
    if (!blocker.chain.empty()) {
        text += L" (through ";
        for (std::size_t i = 0; i < blocker.chain.size(); ++i)
            text += (i == 0 ? L"" : L", ") + ModuleNameText(blocker.chain[i]);
        text += L")";
    }
    if (blocker.kind == LoadBlocker::Kind::MissingModule) return text + L", which was not found";
    const std::wstring bits = BitsText(blocker.machine);
    return text + L", which is built for " + (bits.empty() ? MachineText(blocker.machine) : bits + L" programs") +
           L" and cannot be loaded by " + program;
}

} // namespace nivex
