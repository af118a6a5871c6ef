// Times the raw dependency scan of a large file against reading the same file once, in the same run.
//
//   dependency_scan_bench [MEGABYTES]      default 50
//
// The file is written to the temporary folder (mostly random bytes, with library names sprinkled in),
// read once to warm the cache, then read and scanned in turns; the best of three of each is reported.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "inspect/dependency_files.h"

using nivex::bench::NowMs;

namespace {

double ReadOnce(const std::wstring& path) {
    const double start = NowMs();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::vector<char> piece(1 << 20);
    DWORD got = 0;
    unsigned long long sum = 0;
    while (ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) && got > 0) sum += static_cast<unsigned char>(piece[got - 1]);
    CloseHandle(file);
    const double elapsed = NowMs() - start;
    return sum == 0xFFFFFFFFFFFFull ? -1 : elapsed; // keeps the reads from being optimised away
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    long megabytes = 50;
    if (argc > 1) {
        megabytes = std::wcstol(argv[1], nullptr, 10);
        if (megabytes < 1 || megabytes > 2000) {
            std::fprintf(stderr, "usage: dependency_scan_bench [MEGABYTES from 1 to 2000]\n");
            return 2;
        }
    }
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"nivex_scan_bench.bin";
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "dependency_scan_bench: cannot write %ls\n", path.c_str());
            return 1;
        }
        std::vector<unsigned char> piece(1 << 20);
        unsigned long long seed = 88172645463325252ull;
        const char* names[] = {"KERNEL32.dll", "ole32.dll", "my_ctl.ocx", "msvbvm60.DLL", "comctl32.ocx"};
        for (long m = 0; m < megabytes; ++m) {
            for (auto& b : piece) {
                seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
                b = static_cast<unsigned char>(seed);
            }
            for (std::size_t at = 997; at + 16 < piece.size(); at += 65536 + (seed & 4095)) {
                const char* name = names[(at / 997) % 5];
                for (std::size_t i = 0; name[i]; ++i) piece[at + i] = static_cast<unsigned char>(name[i]);
            }
            DWORD written = 0;
            WriteFile(file, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr);
        }
        CloseHandle(file);
    }
    ReadOnce(path); // the file is in the cache for both
    double bestRead = 1e30, bestScan = 1e30;
    std::size_t names = 0;
    for (int round = 0; round < 3; ++round) {
        const double read = ReadOnce(path);
        const double start = NowMs();
        const auto result = nivex::ScanFileForDependencies(path);
        const double scan = NowMs() - start;
        if (!result || read < 0) {
            std::fprintf(stderr, "dependency_scan_bench: the file could not be read\n");
            DeleteFileW(path.c_str());
            return 1;
        }
        names = result->dll.size() + result->ocx.size();
        if (read < bestRead) bestRead = read;
        if (scan < bestScan) bestScan = scan;
    }
    DeleteFileW(path.c_str());
    std::printf("file %ld MB: read once %.1f ms, scan %.1f ms (%zu names), ratio %.2f (target at most 2.00)\n",
                megabytes, bestRead, bestScan, names, bestScan / bestRead);
    return bestScan <= 2 * bestRead ? 0 : 3;
}
