// libFuzzer target for the untrusted-input readers of inspection: the dependency scan (whole file and in
// pieces, which must agree), the PE import reader, and toolbox bitmaps (the packed bitmap of a resource and
// the reference text of a ToolboxBitmap32 key).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "inspect/dependency_scan.h"
#include "inspect/pe_imports.h"
#include "inspect/toolbox_bitmap.h"

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

    // A bitmap that is taken is whole: its rows fill exactly what the header says, within the data.
    if (const auto dib = nivex::CheckPackedDib(data, size)) {
        const std::int64_t rows = dib->height < 0 ? -std::int64_t{dib->height} : dib->height;
        const std::uint64_t stride = (static_cast<std::uint64_t>(dib->width) * dib->bitCount + 31) / 32 * 4;
        const std::size_t maskWords = dib->compression == 3 ? 3 : 0;
        if (dib->width <= 0 || rows <= 0 || dib->width * rows > nivex::kMaxDibPixels || dib->bits.size() > size ||
            dib->bits.size() != stride * static_cast<std::uint64_t>(rows) ||
            dib->info.size() != 10 + maskWords + dib->paletteEntries || dib->info[5] != dib->bits.size() ||
            (dib->bitCount > 8 && dib->paletteEntries != 0) ||
            (dib->bitCount <= 8 && dib->paletteEntries > (1u << dib->bitCount)))
            std::abort();
    }

    // The same bytes as reference text: the module is what stands before the first comma.
    std::wstring text;
    for (std::size_t at = 0; at + 1 < size; at += 2)
        text.push_back(static_cast<wchar_t>(data[at] | (data[at + 1] << 8)));
    if (const auto ref = nivex::ParseToolboxBitmapRef(text))
        if (text.compare(0, ref->module.size() + 1, ref->module + L",") != 0) std::abort();
    return 0;
}
