// Times an HTML report of a synthetic registry against `nivexcmd list --json` of the same registry,
// in one run: each side scans the registry afresh and writes its file. The report is meant to stay
// within 1.5 times the listing.
//
//   report_benchmark [--controls PERCENT] [SIZE]          size defaults to 10000 classes
//   report_benchmark --count-mode [--controls PERCENT] [SIZE]
//       scans, lists and reports once each between marker lines on stderr ("NIVEX-COUNT-BEGIN thread=T
//       part=P" ... "NIVEX-COUNT-END"), so that a WINEDEBUG=+server trace gives each part's requests:
//       repeatable where wall times on a busy machine are not.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>

#include "catalogue/catalogue_scan.h"
#include "bench_registry.h"
#include "cli/catalogue_output.h"
#include "common/text.h"
#include "common/winutil.h"
#include "reports/report_generator.h"

using nivex::bench::BenchError;
using nivex::bench::ClassesSandbox;
using nivex::bench::FillPlan;
using nivex::bench::NowMs;
using nivex::bench::ServerFiles;

namespace {

constexpr int kRepeats = 5;
constexpr int kRealFiles = 300;
constexpr double kTargetRatio = 1.5;

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw BenchError("cannot create " + nivex::WideToUtf8(path));
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw BenchError("cannot write " + nivex::WideToUtf8(path));
}

// What `nivexcmd list --json` does: scan, then the JSON text as UTF-8 into its output.
double TimeListing(const std::wstring& out, int& controls) {
    const double start = NowMs();
    nivex::Catalogue catalogue;
    std::vector<nivex::CatalogueError> errors;
    catalogue.SetErrorSink([&](const std::wstring& p, const std::wstring& t, long n, const std::wstring& d) {
        errors.push_back({p, t, n, d});
    });
    nivex::PopulateList(catalogue);
    WriteWholeFile(out, nivex::WideToUtf8(nivex::CatalogueJson(catalogue, errors)));
    controls = catalogue.controls;
    return NowMs() - start;
}

// What `nivexcmd report --html` does: scan, then the report from the template.
double TimeReport(const std::wstring& templatePath, const std::wstring& out, int& failures) {
    const double start = NowMs();
    nivex::Catalogue catalogue;
    catalogue.SetErrorSink([&](const std::wstring&, const std::wstring&, long, const std::wstring&) { ++failures; });
    nivex::PopulateList(catalogue);
    if (!nivex::WriteReport(catalogue, nivex::DocType::Html, templatePath, out, {},
                            [&](long, const std::wstring&) { ++failures; }))
        throw BenchError("the report was not written");
    return NowMs() - start;
}

// This process's own processor time (what is not waiting on the Wine server).
double CpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return ((static_cast<double>(t.dwHighDateTime) * 4294967296.0) + t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

// A marker line; an end marker also gives the part's wall time and this process's processor time.
void Marker(const char* what, const char* part) {
    static double wall = 0, cpu = 0;
    if (what[0] == 'E') std::fprintf(stderr, "part %s: %.0f ms, %.0f ms processor\n", part, NowMs() - wall, CpuMs() - cpu);
    wall = NowMs();
    cpu = CpuMs();
    std::fprintf(stderr, "NIVEX-COUNT-%s thread=%04lx part=%s\n", what, GetCurrentThreadId(), part);
    std::fflush(stderr);
}

int CountParts(const std::wstring& templatePath, const std::wstring& folder) {
    std::fprintf(stderr, "report_benchmark: counting\n"); // lets the runtime set up stderr first
    std::fflush(stderr);
    nivex::Catalogue catalogue;
    Marker("BEGIN", "scan");
    nivex::PopulateList(catalogue);
    Marker("END", "scan");
    Marker("BEGIN", "json");
    WriteWholeFile(folder + L"list.json", nivex::WideToUtf8(nivex::CatalogueJson(catalogue, {})));
    Marker("END", "json");
    Marker("BEGIN", "report");
    const bool written = nivex::WriteReport(catalogue, nivex::DocType::Html, templatePath, folder + L"report.htm", {}, {});
    Marker("END", "report");
    DeleteFileW((folder + L"list.json").c_str());
    DeleteFileW((folder + L"report.htm").c_str());
    return written ? 0 : 1;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int size = 10000;
    double percent = 100.0 / 3.0;
    bool countMode = false;
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--count-mode") {
            countMode = true;
        } else if (arg == L"--controls" && i + 1 < argc) {
            percent = std::wcstod(argv[++i], nullptr);
        } else {
            size = static_cast<int>(std::wcstol(arg.c_str(), nullptr, 10));
        }
    }
    if (argv) LocalFree(argv);
    if (size < 1 || size > 200000 || !(percent >= 0 && percent <= 100)) {
        std::fprintf(stderr, "usage: report_benchmark [--count-mode] [--controls PERCENT] [SIZE]\n");
        return 2;
    }
    try {
        nivex::bench::RemoveStaleSandboxes();
        // The shipped HTML template, beside the programs of the same build.
        const std::wstring templatePath = nivex::ExecutableFolder() + L"\\..\\bin\\templates\\default_HTML.tpl";
        if (!nivex::IsValidTemplate(templatePath)) throw BenchError("no valid template at " + nivex::WideToUtf8(templatePath));
        ServerFiles files(kRealFiles);
        ClassesSandbox sandbox;
        const int controls = static_cast<int>(std::lround(size * percent / 100.0));
        if (countMode) {
            nivex::bench::Fill(FillPlan{size, controls, static_cast<std::uint64_t>(size)}, files, [](int) {});
            return CountParts(templatePath, files.TempFolder());
        }
        std::printf("Report benchmark: %d classes, %d controls, best of %d runs\n", size, controls, kRepeats);
        std::fflush(stdout);
        nivex::bench::Fill(FillPlan{size, controls, static_cast<std::uint64_t>(size)}, files, [](int) {});
        const std::wstring listOut = files.TempFolder() + L"list.json";
        const std::wstring reportOut = files.TempFolder() + L"report.htm";
        double listMs = 1e300, reportMs = 1e300;
        int listed = 0, failures = 0;
        for (int run = 0; run < kRepeats; ++run) {
            listMs = std::min(listMs, TimeListing(listOut, listed));
            reportMs = std::min(reportMs, TimeReport(templatePath, reportOut, failures));
        }
        DeleteFileW(listOut.c_str());
        DeleteFileW(reportOut.c_str());
        const double ratio = reportMs / listMs;
        std::printf("| Classes | Controls | list --json | HTML report | Ratio |\n|---:|---:|---:|---:|---:|\n");
        std::printf("| %d | %d | %.1f ms | %.1f ms | %.2fx |\n", size, listed, listMs, reportMs, ratio);
        if (failures > 0) std::printf("WRONG RESULT: %d failures reported during the reports\n", failures);
        std::printf("%s: the report takes %.2f times the listing (target at most %.1f)\n",
                    ratio <= kTargetRatio ? "PASS" : "OVER", ratio, kTargetRatio);
        return failures == 0 && ratio <= kTargetRatio ? 0 : 1;
    } catch (const BenchError& e) {
        std::fprintf(stderr, "report_benchmark: %s\n", e.what());
        return 3;
    }
}
