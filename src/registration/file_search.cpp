#include "registration/file_search.h"

#include <windows.h>

#include "common/handles.h"
#include "registration/repair_rules.h"

namespace nivex {

namespace {

struct Search {
    const std::wstring& wanted;
    bool recursive;
    bool shortNames;
    SearchObserver& observer;
    SearchStats stats;

    // Returns false once a stop was requested.
    bool Folder(const std::wstring& folder) {
        observer.FolderEntered(folder);
        WIN32_FIND_DATAW data;
        const std::wstring pattern = folder + L"*";
        FindHandle find(FindFirstFileExW(pattern.c_str(), shortNames ? FindExInfoStandard : FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) return true; // cannot be listed: skipped
        ++stats.folders;
        do {
            if (!observer.KeepGoing()) {
                stats.stopped = true;
                return false;
            }
            ++stats.entries;
            const wchar_t* name = data.cFileName;
            const DWORD attributes = data.dwFileAttributes;
            if (ShouldDescend(attributes, name)) {
                if (recursive && !Folder(folder + name + L"\\")) return false;
            } else if (IsWantedFile(attributes, name, shortNames ? data.cAlternateFileName : L"", wanted)) {
                ++stats.found;
                observer.Found(folder + name, name, folder);
            }
        } while (FindNextFileW(find.Get(), &data));
        return true;
    }
};

} // namespace

SearchStats SearchFiles(const std::wstring& root, const std::wstring& wanted, bool recursive,
                        SearchObserver& observer) {
    Search search{wanted, recursive, WantsShortNames(wanted), observer, {}};
    search.Folder(FolderWithBackslash(root));
    return search.stats;
}

} // namespace nivex
