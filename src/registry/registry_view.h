#pragma once
// The registry view a registration lives in. On 64-bit Windows the system keeps CLSID (and Interface)
// once for 64-bit and once for 32-bit programs; TypeLib and ProgID keys are shared. On 32-bit Windows
// there is one view, the 32-bit one.
#include <optional>
#include <string>
#include <string_view>

namespace nivex {

enum class RegistryView : unsigned char { Bits64, Bits32 };

// "64" or "32", as nivexcmd and reports write a view.
const wchar_t* ViewNumber(RegistryView view);
// "64" or "32" (nullopt for anything else).
std::optional<RegistryView> ParseViewNumber(std::wstring_view text);

// The view a program of this build's bitness sees without a flag.
constexpr RegistryView OwnView() {
    return sizeof(void*) == 8 ? RegistryView::Bits64 : RegistryView::Bits32;
}

// The other view of a 64-bit machine.
constexpr RegistryView OtherView(RegistryView view) {
    return view == RegistryView::Bits64 ? RegistryView::Bits32 : RegistryView::Bits64;
}

// The System folders of a machine as the running program names them, each ending in a backslash.
struct ViewFolders {
    bool windows64 = false; // two views: the folders below matter
    std::wstring system32;  // the name registrations use for the System folder ("C:\windows\system32\")
    std::wstring wow64;     // where a 32-bit program's System folder really lies ("C:\windows\syswow64\")
    std::wstring native;    // how this program reaches the 64-bit System folder ("C:\windows\sysnative\"
                            // from a 32-bit program, system32 from a 64-bit one)
};

// A path as a program of view would open it, named so that this program (of view own) opens the same file:
// on a 64-bit machine a path in System32 means SysWOW64 to a 32-bit program, and a 32-bit program reaches
// a 64-bit program's System32 through Sysnative. Everything else is returned unchanged.
std::wstring PathInView(const std::wstring& path, RegistryView view, RegistryView own, const ViewFolders& folders);

// The System folder of view as this program names it (ending in a backslash), given this program's own
// System folder.
std::wstring ViewSystemFolder(RegistryView view, RegistryView own, const ViewFolders& folders,
                              const std::wstring& ownSystemFolder);

// The text with the references whose value differs between a 32-bit and a 64-bit program (%ProgramFiles%,
// %CommonProgramFiles%) renamed to the variable that holds view's value in a program of view own, so that
// expanding it here gives what the server's own process would get.
std::wstring RenameViewVariables(std::wstring_view text, RegistryView view, RegistryView own);

} // namespace nivex
