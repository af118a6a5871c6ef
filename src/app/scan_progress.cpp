#include "app/scan_progress.h"

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

} // namespace nivex
