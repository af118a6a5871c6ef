#include "app/scan_progress.h"

#include <chrono>
#include <utility>

namespace nivex {

void ScanProgress::ScanStarted(int classCount) {
    if (splash_) {
        splash_->SetProgressMaximum(classCount + 1);
        splash_->SetProgress(0);
    }
    bar_.SetMaximum(classCount + 1);
    bar_.SetValue(0);
    ShowWindow(bar_.Handle(), SW_SHOW);
}

void ScanProgress::ClassDone(int index, const std::wstring& lastName) {
    last_ = index;
    lastName_ = lastName;
    if (index % 20 == 0) status_.SetText(panel_, lastName);
    // Drawing and message pumping at most every few dozen milliseconds, never per class.
    if (pump_.Tick()) Show(index, lastName);
}

void ScanProgress::Show(int index, const std::wstring& lastName) {
    if (splash_) {
        splash_->SetProgress(index);
        splash_->SetStatus(lastName);
    }
    bar_.SetValue(index);
    if (showCounts_) showCounts_();
}

ScanTimes ScanIntoTrees(Catalogue& catalogue, CatalogueView& trees, const MainStatusBar& status, SplashWindow* splash,
                        std::function<void()> showCounts) {
    ScanProgress progress(status.Progress(), status.Bar(), MainStatusBar::kPanelStatus, splash, std::move(showCounts));
    using Clock = std::chrono::steady_clock;
    const auto scanStart = Clock::now();
    PopulateList(catalogue, &progress);
    const auto treesStart = Clock::now();
    trees.Rebuild(false);
    const auto end = Clock::now();
    const int firstMissing = catalogue.Tree(Catalogue::kMissing).FirstRoot();
    if (firstMissing != 0) trees.SelectQuietly(Catalogue::kMissing, firstMissing);
    status.HideProgress();
    return {std::chrono::duration<double, std::milli>(treesStart - scanStart).count(),
            std::chrono::duration<double, std::milli>(end - treesStart).count()};
}

} // namespace nivex
