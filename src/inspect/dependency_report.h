#pragma once
// What the dependency viewer and "nivexcmd deps" show for one file: the names it mentions and the
// modules it imports, each with the file the loader would take.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inspect/dependency_scan.h"
#include "inspect/pe_imports.h"

namespace nivex {

struct ResolvedImport {
    std::string name; // as written in the importing file
    bool delayed = false;
    bool apiSet = false;
    std::optional<std::wstring> resolved; // full path; never for an API set
};

struct DependencyReport {
    std::wstring file;
    bool readable = false;                // the file could be read (else every list is empty)
    std::optional<std::uint16_t> machine; // none for a file that is not a PE image
    MentionedNames mentioned;
    std::vector<ResolvedImport> imports;  // the file's own import table, then its delay-import table
};

// A node's text in the "Imported Modules" list: the name, "(delay-loaded)", "(API set)" or "(not found)",
// and the resolved path.
std::wstring ImportNodeText(const ResolvedImport& module);
// The same module is missing: shown in red.
inline bool IsMissingImport(const ResolvedImport& module) { return !module.apiSet && !module.resolved; }

// A note for the caption when the file is for another machine type than ownMachine; empty otherwise.
std::wstring MachineCaptionNote(const DependencyReport& report, std::uint16_t ownMachine);

} // namespace nivex
