// The catalogue scan of both registry views against the views scanned one after the other and against a bare
// enumeration of each view's CLSID. SIZE synthetic classes (a third controls by default) go into each view of
// the real HKEY_CLASSES_ROOT (volatile keys, removed afterwards): run it in a prefix of its own
// (scripts/bench.sh --views, scripts/count-requests.sh --views).
//
//   views_benchmark [--controls PERCENT] [SIZE]              timings, best of 3 (SIZE defaults to 10000)
//   views_benchmark --count-mode [--controls PERCENT] [SIZE] the 64-bit, the 32-bit and the two-view scan
//                                                            once each between marker lines (parts 64, 32, both)
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>

#include "bench_registry.h"
#include "catalogue/catalogue_scan.h"
#include "registry/registry_views.h"

using nivex::RegistryView;
using nivex::bench::CountClsidSubkeys;
using nivex::bench::NowMs;

namespace {

constexpr int kRepeats = 3;

int Enumerate(RegistryView view) { return CountClsidSubkeys(nivex::ViewAccess(view)); }

// The scan of the views shown (both when shown64 and shown32).
nivex::Catalogue Scan(bool shown64, bool shown32) {
    nivex::Catalogue catalogue;
    catalogue.SetErrorSink([](const std::wstring&, const std::wstring&, long, const std::wstring&) {});
    catalogue.SetViewShown(RegistryView::Bits64, shown64);
    catalogue.SetViewShown(RegistryView::Bits32, shown32);
    nivex::PopulateList(catalogue);
    return catalogue;
}

template <typename F> double BestMs(F&& run) {
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        const double start = NowMs();
        run();
        best = std::min(best, NowMs() - start);
    }
    return best;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool countMode = false;
    double percent = 100.0 / 3.0;
    int size = 10000;
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--count-mode")
            countMode = true;
        else if (arg == L"--controls" && i + 1 < argc)
            percent = std::wcstod(argv[++i], nullptr);
        else
            size = static_cast<int>(std::wcstol(argv[i], nullptr, 10));
    }
    if (argv) LocalFree(argv);
    if (size < 1 || size > 100000 || !(percent >= 0 && percent <= 100)) {
        std::fprintf(stderr, "usage: views_benchmark [--count-mode] [--controls PERCENT] [SIZE]\n");
        return 2;
    }
    if (nivex::MachineViews().size() < 2) {
        std::fprintf(stderr, "views_benchmark: this machine has one registry view\n");
        return 2;
    }
    try {
        const int controls = static_cast<int>(std::lround(size * percent / 100.0));
        nivex::bench::ServerFiles files(300);
        // What the prefix holds already (Wine's own classes) is counted before the fill.
        const nivex::Catalogue before = Scan(true, true);
        std::printf("filling %d classes (%d controls) into each view...\n", size, controls);
        std::fflush(stdout);
        nivex::bench::RealViewClasses in64({size, controls, static_cast<std::uint64_t>(size), KEY_WOW64_64KEY}, files);
        nivex::bench::RealViewClasses in32({size, controls, static_cast<std::uint64_t>(size) + 1, KEY_WOW64_32KEY},
                                           files);

        if (countMode) {
            const unsigned long thread = GetCurrentThreadId();
            std::fprintf(stderr, "views_benchmark: filled\n");
            for (const auto& [part, shown64, shown32] :
                 {std::tuple{"64", true, false}, std::tuple{"32", false, true}, std::tuple{"both", true, true}}) {
                std::fprintf(stderr, "NIVEX-COUNT-BEGIN thread=%04lx part=%s\n", thread, part);
                std::fflush(stderr);
                Scan(shown64, shown32);
                std::fprintf(stderr, "NIVEX-COUNT-END thread=%04lx\n", thread);
                std::fflush(stderr);
            }
            return 0;
        }

        nivex::Catalogue both;
        const double enum64 = BestMs([] { Enumerate(RegistryView::Bits64); });
        const double enum32 = BestMs([] { Enumerate(RegistryView::Bits32); });
        const double scan64 = BestMs([] { Scan(true, false); });
        const double scan32 = BestMs([] { Scan(false, true); });
        const double scanBoth = BestMs([&] { both = Scan(true, true); });
        const int expected = before.controls + in64.Expectation().controls + in32.Expectation().controls;
        const int classes = Enumerate(RegistryView::Bits64) + Enumerate(RegistryView::Bits32);
        std::printf(
            "%d classes in both views (%d of them synthetic), %d controls in %d libraries found (%d expected)\n",
            classes, 2 * size, both.controls, both.libraries, expected);
        std::printf("| View | Scan (best of %d) | Bare enumeration | Ratio |\n|---|---:|---:|---:|\n", kRepeats);
        std::printf("| 64-bit | %.1f ms | %.1f ms | %.2fx |\n", scan64, enum64, scan64 / enum64);
        std::printf("| 32-bit | %.1f ms | %.1f ms | %.2fx |\n", scan32, enum32, scan32 / enum32);
        std::printf("| both | %.1f ms | %.1f ms | %.2fx |\n", scanBoth, enum64 + enum32, scanBoth / (enum64 + enum32));
        std::printf("both views in one scan: %.1f ms against %.1f ms one after the other (%.2fx)\n", scanBoth,
                    scan64 + scan32, scanBoth / (scan64 + scan32));
        if (both.controls != expected) {
            std::printf("WRONG RESULT\n");
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "views_benchmark: %s\n", e.what());
        return 3;
    }
}
