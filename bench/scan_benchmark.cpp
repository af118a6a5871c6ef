// Times the catalogue scan (PopulateList) on synthetic registries of several sizes against a bare
// enumeration of CLSID, and offers a mode that scans once between two markers so that the Wine
// server requests of one scan can be counted (scripts/count-requests.sh). With --details N it times (or,
// with --count-mode, counts) the details of N selections after one scan instead: what a click costs.
//
//   scan_benchmark [--controls PERCENT] [SIZE...]        sizes default to 1000 10000 30000
//   scan_benchmark --count-mode SIZE [--controls PERCENT]
//   scan_benchmark --details N [--count-mode] [--controls PERCENT] [SIZE]    size defaults to 3000
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue_scan.h"
#include "catalogue/details_loader.h"
#include "bench_registry.h"
#include "common/text.h"

using nivex::bench::BenchError;
using nivex::bench::ClassesSandbox;
using nivex::bench::FillExpectation;
using nivex::bench::FillPlan;
using nivex::bench::ServerFiles;

using nivex::bench::CountClsidSubkeys;
using nivex::bench::NowMs;

namespace {

constexpr int kRepeats = 3;
constexpr int kMaxClasses = 200000;
constexpr int kRealFiles = 300;

struct Options {
    std::vector<int> sizes;
    int countSize = 0; // > 0: count mode
    double controlPercent = 100.0 / 3.0;
    int details = 0;   // > 0: the details of this many selections instead of the scan
    bool countDetails = false;
};

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: scan_benchmark [--controls PERCENT] [SIZE...]\n"
                 "       scan_benchmark --count-mode SIZE [--controls PERCENT]\n"
                 "       scan_benchmark --details N [--count-mode] [--controls PERCENT] [SIZE]\n"
                 "SIZE is a number of classes from 1 to %d (default sizes: 1000 10000 30000);\n"
                 "PERCENT (0 to 100, default 33.3) is the share of them that are controls.\n",
                 kMaxClasses);
}

bool ParseSize(const std::wstring& text, int& size) {
    if (text.empty() || text.size() > 7 || !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    const long value = std::wcstol(text.c_str(), nullptr, 10);
    if (value < 1 || value > kMaxClasses) return false;
    size = static_cast<int>(value);
    return true;
}

bool ParsePercent(const std::wstring& text, double& percent) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(value >= 0.0 && value <= 100.0)) return false;
    percent = value;
    return true;
}

// False (after saying why) when the command line is not understood.
bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--controls") {
            if (!hasValue || !ParsePercent(argv[++i], options.controlPercent)) {
                std::fprintf(stderr, "scan_benchmark: --controls needs a percentage from 0 to 100\n");
                return false;
            }
        } else if (arg == L"--details") {
            if (!hasValue || !ParseSize(argv[++i], options.details)) {
                std::fprintf(stderr, "scan_benchmark: --details needs a number of selections from 1 to %d\n", kMaxClasses);
                return false;
            }
        } else if (arg == L"--count-mode" && (!hasValue || std::wstring(argv[i + 1]).rfind(L"--", 0) == 0)) {
            options.countDetails = true; // only with --details: the size comes apart
        } else if (arg == L"--count-mode") {
            if (!hasValue || !ParseSize(argv[++i], options.countSize)) {
                std::fprintf(stderr, "scan_benchmark: --count-mode needs a number of classes from 1 to %d\n", kMaxClasses);
                return false;
            }
        } else {
            int size = 0;
            if (!ParseSize(arg, size)) {
                std::fprintf(stderr, "scan_benchmark: \"%s\" is not a number of classes from 1 to %d\n",
                             nivex::WideToUtf8(arg).c_str(), kMaxClasses);
                return false;
            }
            options.sizes.push_back(size);
        }
    }
    if (options.details > 0 && options.countSize > 0) { // "--count-mode SIZE --details N"
        options.sizes.push_back(options.countSize);
        options.countSize = 0;
        options.countDetails = true;
    }
    if (options.countDetails && options.details == 0) {
        std::fprintf(stderr, "scan_benchmark: --count-mode needs a number of classes\n");
        return false;
    }
    if (options.countSize > 0 && !options.sizes.empty()) {
        std::fprintf(stderr, "scan_benchmark: --count-mode takes one size; no other sizes may follow\n");
        return false;
    }
    if (options.details > 0 && options.sizes.size() > 1) {
        std::fprintf(stderr, "scan_benchmark: --details takes one size\n");
        return false;
    }
    if (options.sizes.empty()) options.sizes = options.details > 0 ? std::vector<int>{3000} : std::vector<int>{1000, 10000, 30000};
    return true;
}

// Errors the scan reports go here instead of a message box.
struct ScanErrors {
    int count = 0;
    std::string first;
    void Clear() {
        count = 0;
        first.clear();
    }
    void Attach(nivex::Catalogue& catalogue) {
        catalogue.SetErrorSink([this](const std::wstring& procedure, const std::wstring& title, long number,
                                      const std::wstring& description) {
            if (count++ == 0)
                first = nivex::WideToUtf8(procedure + L" (" + title + L"): " + std::to_wstring(number) + L" " + description);
        });
    }
};

// Empty when the scan found what was filled, otherwise what differs.
std::string CheckScan(const nivex::Catalogue& catalogue, const FillExpectation& expect, const ScanErrors& errors) {
    char text[320] = "";
    if (catalogue.controls != expect.controls || catalogue.libraries != expect.libraries ||
        catalogue.missing != expect.missingLibraries || errors.count != 0) {
        std::snprintf(text, sizeof text,
                      "scan found %d controls in %d libraries, %d missing; filled %d in %d, %d missing; %d errors%s%s",
                      catalogue.controls, catalogue.libraries, catalogue.missing, expect.controls, expect.libraries,
                      expect.missingLibraries, errors.count, errors.count ? ", first: " : "", errors.first.c_str());
    }
    return text;
}

int ControlsFor(int classes, double percent) {
    return static_cast<int>(std::lround(classes * percent / 100.0));
}

FillExpectation FillWithProgress(const FillPlan& plan, const ServerFiles& files) {
    std::printf("  filling %d classes (%d controls):", plan.classes, plan.controls);
    std::fflush(stdout);
    const double start = NowMs();
    const FillExpectation expect = nivex::bench::Fill(plan, files, [](int done) {
        std::printf(" %d", done);
        std::fflush(stdout);
    });
    std::printf(" - %.1f s\n", (NowMs() - start) / 1000.0);
    std::fflush(stdout);
    return expect;
}

struct Figures {
    int classes = 0;
    int controls = 0;
    double scanMs = 0;
    double enumerationMs = 0;
};

std::string WithThousands(int value) {
    const std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

int RunTimings(const Options& options) {
    ServerFiles files(kRealFiles);
    std::printf("Catalogue scan benchmark: controls are %.1f%% of the classes, best of %d runs per figure\n",
                options.controlPercent, kRepeats);
    std::printf("  server files: %zu real files in %s, %zu from the system folder\n", files.RealFileCount(),
                nivex::WideToUtf8(files.TempFolder()).c_str(), files.SystemFileCount());
    std::vector<Figures> all;
    bool allFound = true;
    for (int size : options.sizes) {
        Figures figures;
        figures.classes = size;
        figures.controls = ControlsFor(size, options.controlPercent);
        std::optional<ClassesSandbox> sandbox(std::in_place);
        const FillExpectation expect =
            FillWithProgress(FillPlan{size, figures.controls, static_cast<std::uint64_t>(size)}, files);

        nivex::Catalogue catalogue;
        ScanErrors errors;
        errors.Attach(catalogue);
        figures.scanMs = figures.enumerationMs = 1e300;
        int enumerated = 0;
        for (int run = 0; run < kRepeats; ++run) {
            double start = NowMs();
            enumerated = CountClsidSubkeys();
            figures.enumerationMs = std::min(figures.enumerationMs, NowMs() - start);
            errors.Clear();
            start = NowMs();
            nivex::PopulateList(catalogue);
            figures.scanMs = std::min(figures.scanMs, NowMs() - start);
        }
        const std::string problem = CheckScan(catalogue, expect, errors);
        if (enumerated != size || !problem.empty()) {
            allFound = false;
            std::printf("  WRONG RESULT: enumerated %d of %d classes; %s\n", enumerated, size, problem.c_str());
        }
        std::printf("  %d classes: scan %.1f ms, bare enumeration %.1f ms, ratio %.2f (%d controls in %d libraries, %d missing)\n",
                    size, figures.scanMs, figures.enumerationMs, figures.scanMs / figures.enumerationMs,
                    catalogue.controls, catalogue.libraries, catalogue.missing);
        std::printf("  removing the scratch registry...");
        std::fflush(stdout);
        const double start = NowMs();
        sandbox.reset();
        std::printf(" %.1f s\n", (NowMs() - start) / 1000.0);
        all.push_back(figures);
    }

    std::printf("\n| Classes | Controls | Scan (best of %d) | Bare enumeration | Ratio |\n", kRepeats);
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all)
        std::printf("| %s | %s | %.1f ms | %.1f ms | %.2fx |\n", WithThousands(f.classes).c_str(),
                    WithThousands(f.controls).c_str(), f.scanMs, f.enumerationMs, f.scanMs / f.enumerationMs);
    std::fflush(stdout);
    return allFound ? 0 : 1;
}

// Fills, then scans exactly once between two marker lines on stderr. The markers carry the thread
// identifier, which is the one Wine's request trace prefixes the scan's requests with.
int RunCountMode(const Options& options) {
    ServerFiles files(kRealFiles);
    const int controls = ControlsFor(options.countSize, options.controlPercent);
    ClassesSandbox sandbox;
    const FillExpectation expect =
        FillWithProgress(FillPlan{options.countSize, controls, static_cast<std::uint64_t>(options.countSize)}, files);
    nivex::Catalogue catalogue;
    ScanErrors errors;
    errors.Attach(catalogue);
    const unsigned long thread = GetCurrentThreadId();
    // A first write lets the runtime set up stderr before the counted stretch.
    std::fprintf(stderr, "scan_benchmark: filled %d classes, %d controls\n", options.countSize, controls);
    std::fflush(stderr);
    std::fprintf(stderr, "NIVEX-COUNT-BEGIN thread=%04lx classes=%d controls=%d\n", thread, options.countSize, controls);
    std::fflush(stderr);
    nivex::PopulateList(catalogue);
    std::fprintf(stderr, "NIVEX-COUNT-END thread=%04lx\n", thread);
    std::fflush(stderr);
    const std::string problem = CheckScan(catalogue, expect, errors);
    if (!problem.empty()) {
        std::printf("WRONG RESULT: %s\n", problem.c_str());
        return 1;
    }
    std::printf("scanned %d classes: %d controls in %d libraries, %d missing\n", options.countSize, catalogue.controls,
                catalogue.libraries, catalogue.missing);
    return 0;
}

// Scans once, then loads the details of options.details selections, walking the control nodes in turn as a
// user clicking down the tree would. Timed, or counted between marker lines.
int RunDetails(const Options& options) {
    ServerFiles files(kRealFiles);
    const int size = options.sizes.front();
    const int controls = ControlsFor(size, options.controlPercent);
    ClassesSandbox sandbox;
    const FillExpectation expect = FillWithProgress(FillPlan{size, controls, static_cast<std::uint64_t>(size)}, files);
    nivex::Catalogue catalogue;
    ScanErrors errors;
    errors.Attach(catalogue);
    nivex::PopulateList(catalogue);
    const std::string problem = CheckScan(catalogue, expect, errors);
    if (!problem.empty()) {
        std::printf("WRONG RESULT: %s\n", problem.c_str());
        return 1;
    }
    const nivex::CatalogueTree& tree = catalogue.Tree(nivex::Catalogue::kAll);
    std::vector<int> nodes;
    for (int library : tree.Roots())
        for (int child : tree.Children(library)) nodes.push_back(child);
    if (nodes.empty()) throw BenchError("the scan found no control to select");

    int incomplete = 0;
    auto clickAll = [&] {
        for (int n = 0; n < options.details; ++n) {
            int node = nodes[static_cast<size_t>(n) % nodes.size()];
            if (!nivex::LoadInformation(catalogue, nivex::Catalogue::kAll, node, nullptr, nivex::TheDesktop()).complete) ++incomplete;
        }
    };
    if (options.countDetails) {
        const unsigned long thread = GetCurrentThreadId();
        std::fprintf(stderr, "scan_benchmark: scanned %d classes, %d controls\n", size, catalogue.controls);
        std::fflush(stderr);
        std::fprintf(stderr, "NIVEX-COUNT-BEGIN thread=%04lx details=%d\n", thread, options.details);
        std::fflush(stderr);
        clickAll();
        std::fprintf(stderr, "NIVEX-COUNT-END thread=%04lx\n", thread);
        std::fflush(stderr);
    } else {
        double best = 1e300;
        for (int run = 0; run < kRepeats; ++run) {
            const double start = NowMs();
            clickAll();
            best = std::min(best, NowMs() - start);
        }
        std::printf("| Classes | Controls | Selections | Details (best of %d) | Per selection |\n|---:|---:|---:|---:|---:|\n",
                    kRepeats);
        std::printf("| %s | %s | %d | %.1f ms | %.3f ms |\n", WithThousands(size).c_str(),
                    WithThousands(catalogue.controls).c_str(), options.details, best, best / options.details);
    }
    if (incomplete > 0) {
        std::printf("WRONG RESULT: %d loads ended early\n", incomplete);
        return 1;
    }
    return 0;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    const bool understood = argv != nullptr && ParseOptions(argc, argv, options);
    if (argv) LocalFree(argv);
    if (!understood) {
        PrintUsage();
        return 2;
    }
    try {
        const int stale = nivex::bench::RemoveStaleSandboxes();
        if (stale > 0) std::printf("removed %d scratch registr%s left by interrupted runs\n", stale, stale == 1 ? "y" : "ies");
        if (options.details > 0) return RunDetails(options);
        return options.countSize > 0 ? RunCountMode(options) : RunTimings(options);
    } catch (const BenchError& e) {
        std::fprintf(stderr, "scan_benchmark: %s\n", e.what());
        return 3;
    }
}
