#include "registration/repair_rules.h"

#include <cstdio>
#include <cwchar>

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
                            const std::wstring& identifier, const std::wstring& name) {
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"%04d-%02d-%02d %02d%02d%02d ", year, month, day, hour, minute, second);
    // Only characters a file name may hold; names come from the registry and may hold anything.
    const auto safe = [](const std::wstring& text) {
        std::wstring out;
        for (wchar_t c : text)
            out.push_back((c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) ? L'_' : c);
        return out;
    };
    // The name is cut so the whole path stays well inside MAX_PATH; trailing dots and blanks are dropped
    // as the file system would.
    std::wstring tail = safe(name.substr(0, 60));
    while (!tail.empty() && (tail.back() == L'.' || tail.back() == L' '))
        tail.pop_back();
    return stamp + safe(identifier) + (tail.empty() ? L"" : L" " + tail) + L".reg";
}

namespace {
const wchar_t* const kHeadOperation = L"Nivex backup of: ";
const wchar_t* const kHeadControl = L"Control: ";
const wchar_t* const kHeadLibrary = L"Library: ";
const wchar_t* const kHeadView = L"Registry view: ";
const wchar_t* const kHeadVersion = L"Nivex version: ";
} // namespace

std::vector<std::wstring> BackupHeaderComments(const BackupHeader& header) {
    const auto line = [](std::wstring text) { // one line each, whatever the registry held
        for (wchar_t& c : text)
            if (c == L'\r' || c == L'\n' || c == 0) c = L' ';
        return text;
    };
    std::vector<std::wstring> lines{kHeadOperation + line(header.operation), kHeadControl + line(header.control),
                                    kHeadLibrary + line(header.library),
                                    kHeadView + std::wstring(ViewNumber(header.view)) + L"-bit",
                                    kHeadVersion + line(header.version)};
    // A reader drops trailing blanks (and leading ones after the ";"): written as they read back.
    for (std::wstring& text : lines)
        text = Trim(text);
    return lines;
}

BackupHeader ParseBackupHeader(const std::vector<std::wstring>& comments) {
    BackupHeader header;
    bool viewSeen = false;
    for (const std::wstring& comment : comments) {
        const auto after = [&](const wchar_t* prefix, std::wstring& out) {
            const std::wstring_view name(prefix, std::wcslen(prefix) - 1); // without the blank: an empty field
            if (!comment.starts_with(name)) return false;
            out = Trim(comment.substr(name.size()));
            return true;
        };
        std::wstring view;
        if (after(kHeadOperation, header.operation) || after(kHeadControl, header.control) ||
            after(kHeadLibrary, header.library) || after(kHeadVersion, header.version))
            continue;
        if (after(kHeadView, view)) {
            if (view.ends_with(L"-bit")) view.resize(view.size() - 4);
            if (const auto parsed = ParseViewNumber(view)) {
                header.view = *parsed;
                viewSeen = true;
            }
        }
    }
    // Without its view a header cannot say where the keys go.
    if (!viewSeen) header.operation.clear();
    return header;
}

bool KeptPerView(std::wstring_view classesRootPath) {
    const std::wstring_view top = classesRootPath.substr(0, classesRootPath.find(L'\\'));
    return EqualsNoCase(top, L"CLSID") || EqualsNoCase(top, L"Interface");
}

bool DeletionAllowed(const std::wstring& fullPath) {
    const std::wstring prefix = L"HKEY_CLASSES_ROOT\\";
    if (!StartsWithNoCase(fullPath, prefix)) return false;
    const std::wstring rest = fullPath.substr(prefix.size());
    const size_t first = rest.find(L'\\');
    if (first == std::wstring::npos) return false;
    const std::wstring top = rest.substr(0, first);
    if (!EqualsNoCase(top, L"CLSID") && !EqualsNoCase(top, L"TypeLib")) return false;
    const size_t second = rest.find(L'\\', first + 1);
    const std::wstring id =
        rest.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
    // No empty parts below it: "a\\b" names no key and must not lead elsewhere.
    if (second != std::wstring::npos && (rest.back() == L'\\' || rest.find(L"\\\\", second) != std::wstring::npos))
        return false;
    return IsBracedGuid(id);
}

std::wstring RestoreQuestion(const std::wstring& file, const BackupHeader& header,
                             const std::vector<std::wstring>& written, const std::vector<std::wstring>& deleted) {
    std::wstring text;
    if (header.operation.empty())
        text = L"This file is not one of Nivex's backups:\n" + file + L"\n\n";
    else
        text = L"Backup of \"" + header.operation + L"\" (" +
               (header.control.empty() ? header.library : header.control) + L", " + ViewNumber(header.view) +
               L"-bit registry view):\n" + file + L"\n\n";
    if (!deleted.empty())
        text += L"These keys will be deleted with everything below them:\n" + CutList(deleted) + L"\n";
    if (!written.empty()) text += L"These keys will be written:\n" + CutList(written) + L"\n";
    return text + L"Do you want to restore the registry keys?";
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

std::wstring VolumeRoot(std::wstring_view path) {
    if (path.size() >= 2 && path[1] == L':' && ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z'))
        return std::wstring(path.substr(0, 2)) + L"\\";
    if (!path.starts_with(L"\\\\")) return {};
    // \\server\share: the share is the volume.
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos || server == 2) return {};
    const size_t share = path.find(L'\\', server + 1);
    const std::wstring_view root = path.substr(0, share);
    if (root.size() == server + 1) return {};
    return std::wstring(root) + L"\\";
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
