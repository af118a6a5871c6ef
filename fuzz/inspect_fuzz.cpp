// libFuzzer target for the untrusted-input readers of inspection: the dependency scan (whole file and in
// pieces, which must agree) and the PE import reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "inspect/dependency_scan.h"
#include "inspect/pe_imports.h"

namespace {

bool Same(const std::vector<nivex::MentionedName>& a, const std::vector<nivex::MentionedName>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].count != b[i].count) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const nivex::MentionedNames whole = nivex::ScanForDependencies(data, size);
    // The piece size comes from the first byte, so boundaries fall everywhere.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 40;
    nivex::DependencyScanner scanner;
    for (std::size_t at = 0; at < size; at += piece)
        scanner.Feed(data + at, size - at < piece ? size - at : piece);
    const nivex::MentionedNames pieces = scanner.Result();
    if (!Same(whole.dll, pieces.dll) || !Same(whole.ocx, pieces.ocx)) std::abort();
    for (const auto& n : whole.dll)
        if (n.name.size() > nivex::kNameWindow) std::abort();

    const nivex::MemorySource source(data, size);
    const nivex::PeImports imports = nivex::ReadPeImports(source);
    if (imports.modules.size() > 2 * nivex::kMaxImportDescriptors) std::abort();
    for (const auto& m : imports.modules)
        if (m.name.empty() || m.name.size() > nivex::kMaxModuleNameLength) std::abort();
    return 0;
}
