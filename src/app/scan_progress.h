#pragma once
// What a scan shows while it runs: the progress bar in the status bar, the last control read in "STATUS",
// the splash window's progress when it is up, and the counts. Drawn and pumped at most every 40 ms.
#include <functional>
#include <string>

#include "app/catalogue_view.h"
#include "app/main_status_bar.h"
#include "app/splash_window.h"
#include "catalogue/catalogue_scan.h"
#include "common/ui/controls.h"
#include "common/window.h"

namespace nivex {

class ScanProgress final : public ScanObserver {
public:
    ScanProgress(ui::ProgressBar bar, ui::StatusBar status, int statusPanel, SplashWindow* splash,
                 std::function<void()> showCounts)
        : bar_(bar), status_(status), panel_(statusPanel), splash_(splash), showCounts_(std::move(showCounts)) {}

    void ScanStarted(int classCount) override;
    void ClassDone(int index, const std::wstring& lastName) override;
    void ScanFinished() override { Show(last_, lastName_); }

private:
    void Show(int index, const std::wstring& lastName);

    ui::ProgressBar bar_;
    ui::StatusBar status_;
    int panel_;
    SplashWindow* splash_;
    std::function<void()> showCounts_;
    int last_ = 0;
    std::wstring lastName_;
    ThrottledPump pump_{40};
};

// How long a full scan took: the registry scan itself and filling the two tree controls.
struct ScanTimes {
    double scanMs = 0;
    double treesMs = 0;
};

// A full scan into the catalogue and both trees, with its progress in the status bar (and on splash when
// given), the progress bar hidden afterwards; the first missing library is selected in the missing tree.
ScanTimes ScanIntoTrees(Catalogue& catalogue, CatalogueView& trees, const MainStatusBar& status, SplashWindow* splash,
                        std::function<void()> showCounts);

} // namespace nivex
