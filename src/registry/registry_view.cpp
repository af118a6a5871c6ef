#include "registry/registry_view.h"

#include "common/text.h"

namespace nivex {

const wchar_t* ViewNumber(RegistryView view) { return view == RegistryView::Bits32 ? L"32" : L"64"; }

std::optional<RegistryView> ParseViewNumber(std::wstring_view text) {
    if (text == L"64") return RegistryView::Bits64;
    if (text == L"32") return RegistryView::Bits32;
    return std::nullopt;
}

std::wstring PathInView(const std::wstring& path, RegistryView view, RegistryView own, const ViewFolders& folders) {
    if (!folders.windows64 || folders.system32.empty()) return path;
    // "C:\windows\system32" itself or anything below it.
    const std::wstring& system = folders.system32;
    const std::wstring bare = system.substr(0, system.size() - 1);
    std::wstring rest;
    if (StartsWithNoCase(path, system))
        rest = path.substr(system.size());
    else if (!EqualsNoCase(path, bare))
        return path;
    if (view == RegistryView::Bits32) return folders.wow64 + rest;
    if (own == RegistryView::Bits32) return folders.native + rest;
    return path;
}

std::wstring ViewSystemFolder(RegistryView view, RegistryView own, const ViewFolders& folders,
                              const std::wstring& ownSystemFolder) {
    if (!folders.windows64 || view == own) return ownSystemFolder;
    return view == RegistryView::Bits32 ? folders.wow64 : folders.native;
}

std::wstring RenameViewVariables(std::wstring_view text, RegistryView view, RegistryView own) {
    if (view == own || text.find(L'%') == std::wstring_view::npos) return std::wstring(text);
    struct Rename {
        std::wstring_view name, for32, for64; // what a 64-bit program names the 32-bit value, and the reverse
    };
    static const Rename kRenames[] = {
        {L"%ProgramFiles%", L"%ProgramFiles(x86)%", L"%ProgramW6432%"},
        {L"%CommonProgramFiles%", L"%CommonProgramFiles(x86)%", L"%CommonProgramW6432%"},
    };
    std::wstring out;
    size_t at = 0;
    while (at < text.size()) {
        bool renamed = false;
        for (const Rename& r : kRenames) {
            if (StartsWithNoCase(text.substr(at), r.name)) {
                out += view == RegistryView::Bits32 ? r.for32 : r.for64;
                at += r.name.size();
                renamed = true;
                break;
            }
        }
        if (!renamed) out += text[at++];
    }
    return out;
}

} // namespace nivex
