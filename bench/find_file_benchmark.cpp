// The missing-file search against a bare FindFirstFileEx walk (basic information, large fetch) of the
// same generated tree, measured side by side in one run.
//
//   find_file_benchmark.exe [FILES FOLDERS] [--rounds N] [--keep DIR]
//     FILES, FOLDERS  size of the generated tree (default 100000 files in 5000 folders)
//     --rounds N      timed rounds of each walk, alternating (default 3); the median counts
//     --keep DIR      build the tree in DIR and leave it there (reused when it is already complete)
//
// The search runs as the window runs it: a stop flag tested before every entry and pending messages
// pumped at most every 40 ms. Besides the times it reports the longest stretch between two stop tests,
// which bounds how long a Stop can take.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "registration/file_search.h"

using nivex::bench::NowMs;

namespace {

std::wstring FolderName(int n) {
    return L"folder" + std::to_wstring(n);
}

// FOLDERS folders in two levels (about the square root of them at the top), FILES files spread evenly,
// one of them the wanted file.
void BuildTree(const std::wstring& root, int files, int folders) {
    CreateDirectoryW(root.c_str(), nullptr);
    int top = 1;
    while (top * top < folders)
        ++top;
    std::vector<std::wstring> all;
    for (int t = 0; t < top && static_cast<int>(all.size()) < folders; ++t) {
        const std::wstring upper = root + L"\\" + FolderName(t);
        CreateDirectoryW(upper.c_str(), nullptr);
        all.push_back(upper);
        for (int s = 0; s < top - 1 && static_cast<int>(all.size()) < folders; ++s) {
            const std::wstring lower = upper + L"\\sub" + std::to_wstring(s);
            CreateDirectoryW(lower.c_str(), nullptr);
            all.push_back(lower);
        }
    }
    for (int f = 0; f < files; ++f) {
        const std::wstring& folder = all[static_cast<size_t>(f) % all.size()];
        const std::wstring name = f == files / 2 ? L"wanted.ocx" : L"file" + std::to_wstring(f) + L".dat";
        HANDLE h = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw nivex::bench::BenchError("cannot create a file of the tree");
        CloseHandle(h);
    }
    HANDLE done = CreateFileW((root + L"\\complete.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (done != INVALID_HANDLE_VALUE) CloseHandle(done);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// The reference: every folder listed once, nothing else.
size_t BareWalk(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return 0;
    size_t entries = 0;
    do {
        ++entries;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != L'.')
            entries += BareWalk(folder + data.cFileName + L"\\");
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

// As the window observes a search: a stop flag, messages every 40 ms, the label's folder kept.
class WindowLikeObserver final : public nivex::SearchObserver {
public:
    bool KeepGoing() override {
        const double now = NowMs();
        longestGap = std::max(longestGap, now - last_);
        last_ = now;
        const DWORD tick = GetTickCount();
        if (tick - lastPump_ >= 40) {
            lastPump_ = tick;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        return !stop;
    }
    void FolderEntered(const std::wstring& folder) override { current_ = folder; }
    void Found(const std::wstring&, const std::wstring&, const std::wstring&) override { ++found; }
    bool stop = false;
    size_t found = 0;
    double longestGap = 0;

private:
    std::wstring current_;
    DWORD lastPump_ = GetTickCount();
    double last_ = NowMs();
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int files = 100000, folders = 5000, rounds = 3;
    std::wstring keep;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--rounds" && i + 1 < argc)
            rounds = std::max(1, _wtoi(argv[++i]));
        else if (a == L"--keep" && i + 1 < argc)
            keep = argv[++i];
        else
            sizes.push_back(_wtoi(argv[i]));
    }
    if (sizes.size() == 2 && sizes[0] > 0 && sizes[1] > 0)
        files = sizes[0], folders = sizes[1];
    else if (!sizes.empty()) {
        std::fwprintf(stderr, L"usage: find_file_benchmark.exe [FILES FOLDERS] [--rounds N] [--keep DIR]\n");
        return 2;
    }
    try {
        std::wstring root = keep;
        if (root.empty()) {
            wchar_t temp[MAX_PATH];
            GetTempPathW(MAX_PATH, temp);
            root = std::wstring(temp) + L"nivex-find-bench-" + std::to_wstring(GetCurrentProcessId());
        }
        const bool reuse =
            !keep.empty() && GetFileAttributesW((root + L"\\complete.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
        const double buildStart = NowMs();
        if (!reuse) BuildTree(root, files, folders);
        std::wprintf(L"tree: %d files in %d folders at %ls (%ls in %.0f ms)\n", files, folders, root.c_str(),
                     reuse ? L"reused" : L"built", NowMs() - buildStart);

        // One untimed pass of each, so both start from a warm cache.
        const size_t entries = BareWalk(root + L"\\");
        WindowLikeObserver warm;
        nivex::SearchFiles(root, L"WANTED.OCX", true, warm);
        std::vector<double> bare, search;
        double longestGap = 0;
        size_t found = 0;
        for (int r = 0; r < rounds; ++r) {
            double t = NowMs();
            BareWalk(root + L"\\");
            bare.push_back(NowMs() - t);
            WindowLikeObserver observer;
            t = NowMs();
            nivex::SearchFiles(root, L"WANTED.OCX", true, observer);
            search.push_back(NowMs() - t);
            longestGap = std::max(longestGap, observer.longestGap);
            found = observer.found;
        }
        const double b = Median(bare), s = Median(search);
        std::wprintf(L"entries listed: %zu; found: %zu\n", entries, found);
        std::wprintf(L"bare FindFirstFileEx walk: %.0f ms (median of %d)\n", b, rounds);
        std::wprintf(L"missing-file search:       %.0f ms (median of %d)\n", s, rounds);
        std::wprintf(L"ratio: %.2f (target at most 1.30)\n", b > 0 ? s / b : 0.0);
        std::wprintf(L"longest stretch between two stop tests: %.1f ms (Stop takes effect within that)\n", longestGap);
        if (keep.empty()) RemoveTree(root);
        return found == 1 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "find_file_benchmark: %s\n", e.what());
        return 1;
    }
}
