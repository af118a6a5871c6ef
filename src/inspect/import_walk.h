#pragma once
// Walks a server file's imports the way the loader does, to say why it cannot be loaded: the first
// imported module that is found nowhere (with the modules that lead to it), or a machine type this
// program cannot load.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inspect/pe_imports.h"

namespace nivex {

// Where modules are found and what they import; the platform side searches folders and reads files.
class ModuleProvider {
public:
    virtual ~ModuleProvider() = default;
    // The full path the loader would load for an imported name; nullopt when it finds none.
    // API-set names are never asked for.
    virtual std::optional<std::wstring> Resolve(const std::string& name) = 0;
    // The imports of a file (read once; later calls may return the same result).
    virtual const PeImports& Imports(const std::wstring& path) = 0;
};

struct LoadBlocker {
    enum class Kind {
        OtherMachine,       // the file itself is built for another machine type
        MissingModule,      // module is imported (through chain) and found nowhere
        OtherMachineModule, // module is found, but built for another machine type
    };
    Kind kind = Kind::MissingModule;
    std::uint16_t machine = 0;      // OtherMachine, OtherMachineModule: the machine of the file found
    std::string module;             // as the importing file writes it
    std::vector<std::string> chain; // the modules between the file and module, outermost first
};

// The first reason, in the loader's order (static imports depth first in table order, each module once),
// why path cannot be loaded by a program for ownMachine; nullopt when the walk finds none.
// Delay-loaded modules are not needed for loading and are not followed.
std::optional<LoadBlocker> FindLoadBlocker(const std::wstring& path, ModuleProvider& provider,
                                           std::uint16_t ownMachine);

// The sentence for a blocker: "needs velmoradep.dll (through helper.dll), which was not found",
// "a 32-bit control server cannot be loaded by the 64-bit Nivex", ...; fileName starts it where it helps.
std::wstring LoadBlockerText(const LoadBlocker& blocker, const std::wstring& fileName, std::uint16_t ownMachine);

// A module name as text (its bytes as the ANSI characters they stand for).
std::wstring ModuleNameText(const std::string& name);

} // namespace nivex
