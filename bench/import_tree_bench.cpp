// Resolves the whole import tree of every DLL in the System folder, each module read once, and reports
// files per second. With --count, the work runs between two marker lines on standard error, so that
// WINEDEBUG=+server traces of it can be counted (scripts/count-import-requests.sh).
//
//   import_tree_bench [--count]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"

using nivex::bench::NowMs;

namespace {

struct Totals {
    std::size_t files = 0;     // DLLs whose trees were resolved
    std::size_t imports = 0;   // import entries met on the way
    std::size_t missing = 0;   // of them, found nowhere
};

// Depth first through every module the file needs, directly or not; the resolver reads each file once.
void Walk(nivex::ImportResolver& resolver, const std::wstring& path, std::vector<std::wstring>& seen, Totals& totals) {
    for (const auto& module : resolver.Imports(path).modules) {
        ++totals.imports;
        const nivex::ResolvedImport r = resolver.ResolveImport(module);
        if (nivex::IsMissingImport(r)) ++totals.missing;
        if (!r.resolved) continue;
        const std::wstring key = nivex::ToUpperText(*r.resolved);
        bool known = false;
        for (const auto& s : seen) known = known || s == key;
        if (known) continue;
        seen.push_back(key);
        Walk(resolver, *r.resolved, seen, totals);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool count = argc > 1 && std::wstring(argv[1]) == L"--count";
    const std::wstring system = nivex::WithTrailingBackslash(nivex::QuerySystemDirectory());
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((system + L"*.dll").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "import_tree_bench: no DLL in %ls\n", system.c_str());
        return 1;
    }
    do files.push_back(system + data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);

    if (count) std::fprintf(stderr, "NIVEX-COUNT-BEGIN thread=%04lx\n", GetCurrentThreadId());
    const double start = NowMs();
    nivex::ImportResolver resolver(nivex::SearchFolders::ForFile(system + L"any.dll"));
    Totals totals;
    std::vector<std::wstring> seen;
    for (const std::wstring& file : files) {
        seen.assign(1, nivex::ToUpperText(file));
        Walk(resolver, file, seen, totals);
        ++totals.files;
    }
    const double elapsed = NowMs() - start;
    if (count) std::fprintf(stderr, "NIVEX-COUNT-END\n");
    std::printf("%zu DLLs, %zu modules read, %zu import entries (%zu not found), %zu folder listings: %.0f ms, "
                "%.0f files per second\n",
                totals.files, resolver.FilesRead(), totals.imports, totals.missing, resolver.FolderListings(), elapsed,
                totals.files * 1000.0 / (elapsed > 0 ? elapsed : 1));
    return 0;
}
