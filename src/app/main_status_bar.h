#pragma once
// StatusBar and pgStatus: the "STATUS", "DISPLAY" and "COUNT" panels, and the progress bar that scans and
// reports show inside the first panel. Commands reach them only through the sink.
#include <windows.h>

#include <string>

#include "app/command_context.h"
#include "common/ui/controls.h"

namespace nivex {

class MainStatusBar {
public:
    static constexpr int kPanelStatus = 0;  // "STATUS"
    static constexpr int kPanelDisplay = 1; // "DISPLAY"
    static constexpr int kPanelCount = 2;   // "COUNT"

    void Create(HWND parent, int id, int progressId, HFONT font);
    HWND Handle() const { return bar_.Handle(); }
    HWND ProgressHandle() const { return progress_.Handle(); }
    const ui::StatusBar& Bar() const { return bar_; }
    const ui::ProgressBar& Progress() const { return progress_; }
    bool Visible() const;
    int Height() const { return bar_.Height(); }

    std::wstring Text(int panel) const { return bar_.Text(panel); }
    void SetText(int panel, const std::wstring& text) const { bar_.SetText(panel, text); }
    // Panel widths for the window's client width, and the progress bar over the first panel again.
    void Fit(int clientWidth) const;
    void FitProgress() const;
    void ShowProgress(int maximum) const;
    void HideProgress() const { ShowWindow(progress_.Handle(), SW_HIDE); }
    // The "STATUS" panel and the progress bar, as commands see them.
    StatusSink Sink() const;

private:
    ui::StatusBar bar_;
    ui::ProgressBar progress_;
};

} // namespace nivex
