#include "common/file_exists.h"

#include <windows.h>

#include "common/handles.h"
#include "common/path_split.h"
#include "common/text.h"
#include "common/winutil.h"

namespace velmora {

namespace {

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool IsOrdinary(DWORD attributes) {
    return (attributes & kNotOrdinary) == 0;
}

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// File names compare as the file system compares them: by simple upper-casing, whatever the locale.
std::wstring FoldCase(const std::wstring& text) {
    if (text.empty()) return text;
    std::wstring out(text.size(), L'\0');
    const int written =
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()), out.data(),
                      static_cast<int>(out.size()), nullptr, nullptr, 0);
    if (written <= 0) return ToUpperText(text);
    out.resize(static_cast<size_t>(written));
    return out;
}

} // namespace

bool OrdinaryFileExists(const std::wstring& path, std::uint64_t* length) {
    if (path.empty() || IsSearchPattern(path)) return false;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find || !IsOrdinary(data.dwFileAttributes)) return false;
    if (length) *length = Join(data.nFileSizeHigh, data.nFileSizeLow);
    return true;
}

bool FileExistenceCache::IsOrdinaryFile(const std::wstring& path, std::uint64_t* length) {
    ListedFile listed;
    if (!IsOrdinaryFile(path, &listed)) return false;
    if (length) *length = listed.length;
    return true;
}

bool FileExistenceCache::IsOrdinaryFile(const std::wstring& path, ListedFile* listed) {
    if (path.empty() || IsSearchPattern(path)) return false;
    // Relative paths and ".." resolve as the platform's own search would resolve them.
    const std::wstring full = FullPathName(path);
    const std::size_t slash = full.rfind(L'\\');
    if (slash == std::wstring::npos || slash + 1 == full.size()) return false;
    const Names& names = Listing(full.substr(0, slash + 1));
    const auto found = names.find(FoldCase(full.substr(slash + 1)));
    if (found == names.end() || !IsOrdinary(found->second.attributes)) return false;
    if (listed) *listed = found->second.file;
    return true;
}

void FileExistenceCache::Clear() {
    folders_.clear();
    listings_ = 0;
}

const FileExistenceCache::Names& FileExistenceCache::Listing(const std::wstring& folder) {
    auto [slot, inserted] = folders_.try_emplace(FoldCase(folder));
    Names& names = slot->second;
    if (!inserted) return names;
    ++listings_;
    WIN32_FIND_DATAW data{};
    // A folder that cannot be listed keeps an empty listing: nothing in it exists.
    FindHandle find(
        FindFirstFileExW((folder + L"*").c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return names;
    do {
        const Entry entry{data.dwFileAttributes,
                          {Join(data.nFileSizeHigh, data.nFileSizeLow),
                           Join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime),
                           Join(data.ftLastAccessTime.dwHighDateTime, data.ftLastAccessTime.dwLowDateTime),
                           Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)}};
        // A long name wins over an equal short name of another entry, as in a search for it.
        names.insert_or_assign(FoldCase(data.cFileName), entry);
        if (data.cAlternateFileName[0] != L'\0') names.try_emplace(FoldCase(data.cAlternateFileName), entry);
    } while (FindNextFileW(find.Get(), &data));
    return names;
}

} // namespace velmora
