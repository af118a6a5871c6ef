#include "registration/repair_rules.h"

#include <cstdio>

#include "common/text.h"

namespace nivex {

namespace {
std::wstring StripBackslashes(std::wstring_view folder) {
    while (!folder.empty() && folder.back() == L'\\')
        folder.remove_suffix(1);
    return std::wstring(folder);
}
} // namespace

std::vector<std::wstring> KeysToRemove(const std::wstring& libraryId, const std::vector<std::wstring>& classIds) {
    std::vector<std::wstring> keys;
    keys.push_back(L"HKEY_CLASSES_ROOT\\TypeLib\\" + libraryId);
    for (const std::wstring& id : classIds)
        keys.push_back(L"HKEY_CLASSES_ROOT\\CLSID\\" + id);
    return keys;
}

namespace {
std::wstring CutList(const std::vector<std::wstring>& lines) {
    std::wstring list;
    const size_t shown = lines.size() > kMaxListedKeys ? kMaxListedKeys - 1 : lines.size();
    for (size_t i = 0; i < shown; ++i)
        list += lines[i] + L"\n";
    if (shown < lines.size()) list += L"... and " + std::to_wstring(lines.size() - shown) + L" more\n";
    return list;
}
} // namespace

std::wstring DeleteKeysQuestion(const std::vector<std::wstring>& keys) {
    return L"Nivex will now delete the following registry keys, values, and all subkeys.\nAre you sure this is what "
           L"you want to do?\n\n" +
           CutList(keys);
}

std::wstring DeletionFailureText(const std::vector<KeyFailure>& failures) {
    std::vector<std::wstring> lines;
    for (const KeyFailure& f : failures)
        lines.push_back(f.key + L": " + std::to_wstring(f.number) + L" - " + f.description);
    return L"These registry keys could not be deleted:\n\n" + CutList(lines);
}

std::wstring BackupFileName(int year, int month, int day, int hour, int minute, int second,
                            const std::wstring& identifier) {
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"%04d-%02d-%02d %02d%02d%02d ", year, month, day, hour, minute, second);
    // Only characters a file name may hold; identifiers are braced GUIDs, anything else is blunted.
    std::wstring safe;
    for (wchar_t c : identifier)
        safe.push_back((c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) ? L'_' : c);
    return stamp + safe + L".reg";
}

std::optional<std::wstring> EditDataKeyPath(std::wstring_view element, const std::wstring& classId) {
    const std::wstring base = L"CLSID\\" + classId;
    if (element == kElementControlName) return base;
    if (element == kElementVersion) return base + L"\\Version";
    if (element == kElementProgId) return base + L"\\ProgID";
    if (element == kElementTypeLib) return base + L"\\TypeLib";
    if (element == kElementToolboxBitmap) return base + L"\\ToolboxBitmap32";
    return std::nullopt;
}

const std::vector<std::wstring>& EditableElements() {
    static const std::vector<std::wstring> elements{kElementControlName, kElementVersion, kElementProgId,
                                                    kElementTypeLib, kElementToolboxBitmap};
    return elements;
}

std::wstring FolderWithBackslash(std::wstring_view folder) {
    if (folder.empty()) return {};
    return StripBackslashes(folder) + L"\\";
}

bool RecentContains(const RecentFolders& recent, std::wstring_view folder) {
    const std::wstring wanted = StripBackslashes(folder);
    for (const std::wstring& entry : recent)
        if (!entry.empty() && EqualsNoCase(StripBackslashes(entry), wanted)) return true;
    return false;
}

bool AddRecentFolder(RecentFolders& recent, std::wstring_view folder) {
    if (folder.empty() || RecentContains(recent, folder)) return false;
    for (size_t i = recent.size() - 1; i > 0; --i)
        recent[i] = recent[i - 1];
    recent[0] = FolderWithBackslash(folder);
    return true;
}

bool ShouldDescend(std::uint32_t attributes, std::wstring_view name) {
    if ((attributes & kAttrDirectory) == 0 || (attributes & kAttrReparsePoint) != 0) return false;
    return name != L"." && name != L"..";
}

bool IsWantedFile(std::uint32_t attributes, std::wstring_view name, std::wstring_view shortName,
                  std::wstring_view wanted) {
    if ((attributes & (kAttrDirectory | kAttrHidden | kAttrSystem)) != 0 || wanted.empty()) return false;
    return EqualsNoCase(name, wanted) || (!shortName.empty() && EqualsNoCase(shortName, wanted));
}

bool WantsShortNames(std::wstring_view wanted) {
    return wanted.find(L'~') != std::wstring_view::npos;
}

} // namespace nivex
