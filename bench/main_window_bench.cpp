// Times the main window's start-up on a synthetic registry: from process start to the first node clicked.
// Not a test (speed is never checked by a timed test); run by hand or by scripts, one size per process:
//
//   main_window_bench --bench-startup N [--controls PERCENT] [--splash 0|1] [--views 64|both]
//   main_window_bench --splash-shot SECONDS     (shows the splash window mid-scan, for scripts/screenshot.sh)
//
// The classes go into a scratch HKEY_CLASSES_ROOT (the scan benchmark's sandbox and filler), the settings
// into a scratch HKEY_CURRENT_USER, so nothing of the prefix is read or changed. With --views the N classes go
// into the 64-bit view (64: the 32-bit view hidden) or into each view (both) of the prefix's real registry,
// as volatile keys removed afterwards: both views cannot be sandboxed.
#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "catalogue/catalogue_scan.h"
#include "app/main_window.h"
#include "bench_registry.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "guicontrols/gui_frames.h"
#include "registry/settings.h"

using nivex::bench::NowMs;

namespace {

// Milliseconds since this process was created.
double SinceProcessStartMs() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto value = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(value(now) - value(created)) / 10000.0;
}

// HKEY_CURRENT_USER of this process redirected to a scratch key (the settings store writes lasting keys), removed afterwards.
class SettingsSandbox {
public:
    SettingsSandbox() {
        path_ = L"Software\\NivexBenchSettings\\" + std::to_wstring(GetCurrentProcessId());
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        if (key_) RegOverridePredefKey(HKEY_CURRENT_USER, key_);
    }
    ~SettingsSandbox() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    bool Ok() const { return key_ != nullptr; }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

// The splash window as the first scan shows it, held for a screenshot.
int SplashShot(int seconds) {
    nivex::SplashWindow splash;
    splash.Show([] {});
    splash.SetProgressMaximum(1000);
    splash.SetProgress(420);
    splash.SetStatus(L"Microsoft Web Browser");
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (GetTickCount() < end) {
        nivex::PumpPendingMessages();
        Sleep(20);
    }
    splash.Close();
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: main_window_bench --bench-startup N [--controls PERCENT] [--splash 0|1]"
                         " [--frames hosted|plain] [--views 64|both]\n"
                         "       main_window_bench --splash-shot SECONDS\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const double enteredMs = SinceProcessStartMs();
    if (argc == 3 && std::wstring(argv[1]) == L"--splash-shot") return SplashShot(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    int classes = 0;
    double percent = 100.0 / 3.0;
    bool splash = true;
    bool hosted = true; // the information panels as VelmoraGUI Bevels, else plain frames
    std::wstring views; // empty: the sandbox; "64" or "both": the real registry
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--bench-startup" && hasValue) classes = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else if (arg == L"--controls" && hasValue) percent = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--splash" && hasValue) splash = std::wcstol(argv[++i], nullptr, 10) != 0;
        else if (arg == L"--views" && hasValue) {
            views = argv[++i];
            if (views != L"64" && views != L"both") return Usage();
        } else if (arg == L"--frames" && hasValue) {
            const std::wstring frames = argv[++i];
            if (frames != L"hosted" && frames != L"plain") return Usage();
            hosted = frames == L"hosted";
        } else
            return Usage();
    }
    if (classes < 1 || classes > 200000 || !(percent >= 0 && percent <= 100)) return Usage();

    try {
        nivex::SetProgramFolder(nivex::ExecutableFolder());
        // VelmoraGUI.ocx is built beside the programs, not beside the benchmarks; the classes are sandboxed,
        // so the panels load it from that folder as an installation without its registration does.
        nivex::UseGuiControlsFrom(hosted ? nivex::JoinPath(nivex::ExecutableFolder(), L"..\\bin")
                                         : nivex::ExecutableFolder());
        nivex::SetSystemFolder(nivex::QuerySystemDirectory());
        nivex::bench::RemoveStaleSandboxes();
        nivex::bench::ServerFiles files(300);
        std::optional<nivex::bench::ClassesSandbox> classesSandbox;
        if (views.empty()) classesSandbox.emplace();
        SettingsSandbox settings;
        if (!settings.Ok()) throw nivex::bench::BenchError("cannot make the settings sandbox");
        nivex::SaveSetting(nivex::kSectionOptions, nivex::kKeyShowSplash, splash ? L"1" : L"0");
        nivex::SaveSetting(nivex::kSectionOptions, nivex::kKeyPlaySounds, L"0");
        nivex::SaveSetting(nivex::kSectionAppearence, nivex::kKeyWindowWidth, L"12000");
        nivex::SaveSetting(nivex::kSectionAppearence, nivex::kKeyWindowHeight, L"9000");
        nivex::SaveSetting(nivex::kSectionAppearence, nivex::kKeyShow32BitControls, views == L"64" ? L"0" : L"1");

        const int controls = static_cast<int>(std::lround(classes * percent / 100.0));
        // In the real registry the prefix's own controls are found too: counted first.
        nivex::Catalogue before;
        if (!views.empty()) {
            before.SetViewShown(nivex::RegistryView::Bits32, views == L"both");
            nivex::PopulateList(before);
        }
        double start = NowMs();
        nivex::bench::FillExpectation expect;
        std::optional<nivex::bench::RealViewClasses> real64, real32;
        if (views.empty()) {
            expect = nivex::bench::Fill({classes, controls, static_cast<std::uint64_t>(classes)}, files, [](int) {});
        } else {
            real64.emplace(
                nivex::bench::FillPlan{classes, controls, static_cast<std::uint64_t>(classes), KEY_WOW64_64KEY}, files);
            expect = real64->Expectation();
            if (views == L"both") {
                real32.emplace(
                    nivex::bench::FillPlan{classes, controls, static_cast<std::uint64_t>(classes) + 1, KEY_WOW64_32KEY},
                    files);
                expect.controls += real32->Expectation().controls;
                expect.libraries += real32->Expectation().libraries;
            }
            expect.controls += before.controls;
            expect.libraries += before.libraries;
            expect.missingLibraries = -1; // the 32-bit view judges System32 paths as SysWOW64: not counted
        }
        const double fillMs = NowMs() - start;

        // The window's start-up: splash, layout, the scan into the trees, and the click on the first node.
        start = NowMs();
        nivex::MainWindow window(nivex::TheDesktop());
        window.SetEndProcess([] {});
        if (!window.Load()) throw nivex::bench::BenchError("the main window could not be created");
        const double loadMs = NowMs() - start;

        // Its parts, measured again on the same registry: the scan alone and the trees alone.
        nivex::Catalogue catalogue;
        catalogue.SetErrorSink([](const std::wstring&, const std::wstring&, long, const std::wstring&) {});
        catalogue.SetViewShown(nivex::RegistryView::Bits32, views != L"64");
        start = NowMs();
        nivex::PopulateList(catalogue);
        const double scanMs = NowMs() - start;
        start = NowMs();
        window.ShowCatalogueChanges();
        const double treesMs = NowMs() - start;
        const int items = static_cast<int>(SendMessageW(window.Tree(0), TVM_GETCOUNT, 0, 0));

        const bool right = window.Model().controls == expect.controls && window.Model().libraries == expect.libraries &&
                           (expect.missingLibraries < 0 || window.Model().missing == expect.missingLibraries) &&
                           items == expect.controls + expect.libraries;
        wchar_t frameClass[64] = {};
        GetClassNameW(GetDlgItem(window.Handle(), 404), frameClass, 64); // fraInfo(0)
        std::printf(
            "main window start-up, %d classes%ls (%d controls in %d libraries, %d missing), splash %s, panels %ls\n",
            classes,
            views == L"both" ? L" in each view"
            : views == L"64" ? L" in the 64-bit view"
                             : L"",
            window.Model().controls, window.Model().libraries, window.Model().missing, splash ? "on" : "off",
            frameClass);
        std::printf("  process start to main():            %8.1f ms\n", enteredMs);
        std::printf("  filling the scratch registry:       %8.1f ms (not counted)\n", fillMs);
        std::printf("  Load() to the first node clicked:   %8.1f ms\n", loadMs);
        std::printf("  process start to first node (net):  %8.1f ms\n", enteredMs + loadMs);
        const auto& inLoad = window.LastScanTimes();
        std::printf("    of which: registry scan %.1f ms, tree controls %.1f ms (%d items), the rest %.1f ms\n",
                    inLoad.scanMs, inLoad.treesMs, items, loadMs - inLoad.scanMs - inLoad.treesMs);
        std::printf("  again on the warm registry: scan %.1f ms, tree controls %.1f ms\n", scanMs, treesMs);
        // Classes | controls | start to first node | scan | trees | rest of Load | warm scan | warm trees
        std::printf("| %d | %d | %.0f ms | %.0f ms | %.1f ms | %.0f ms | %.0f ms | %.1f ms |\n", classes,
                    window.Model().controls, enteredMs + loadMs, inLoad.scanMs, inLoad.treesMs,
                    loadMs - inLoad.scanMs - inLoad.treesMs, scanMs, treesMs);
        if (!right) {
            std::printf("  WRONG RESULT: filled %d controls in %d libraries, %d missing; the trees hold %d items\n",
                        expect.controls, expect.libraries, expect.missingLibraries, items);
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "main_window_bench: %s\n", e.what());
        return 1;
    }
}
