#include "app/main_status_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "common/window.h"

namespace nivex {

void MainStatusBar::Create(HWND parent, int id, int progressId, HFONT font) {
    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                  nullptr);
    bar_ = ui::StatusBar(status);
    SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    bar_.SetWidths(200, 130, 220);
    // pgStatus lives in the status bar's first panel.
    progress_ = ui::ProgressBar(CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, status,
                                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(progressId)),
                                                GetModuleHandleW(nullptr), nullptr));
}

bool MainStatusBar::Visible() const {
    // By the style bit: the window itself may not be shown yet.
    return (GetWindowLongPtrW(bar_.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void MainStatusBar::Fit(int clientWidth) const {
    SendMessageW(bar_.Handle(), WM_SIZE, 0, 0);
    const int dpi = TwipsPerPixelX() > 0 ? 1440 / TwipsPerPixelX() : 96;
    const int displayWidth = MulDiv(130, dpi, 96);
    const int countWidth = MulDiv(230, dpi, 96);
    bar_.SetWidths(std::max(60, clientWidth - displayWidth - countWidth), displayWidth, countWidth);
    FitProgress();
}

void MainStatusBar::FitProgress() const {
    if (!progress_.Handle()) return;
    RECT panel = bar_.PanelRect(kPanelStatus);
    InflateRect(&panel, -TwipsToPixelsX(30), -TwipsToPixelsY(30));
    MoveWindow(progress_.Handle(), panel.left, panel.top, std::max(0L, panel.right - panel.left),
               std::max(0L, panel.bottom - panel.top), TRUE);
}

void MainStatusBar::ShowProgress(int maximum) const {
    progress_.SetMaximum(maximum);
    progress_.SetValue(0);
    ShowWindow(progress_.Handle(), SW_SHOW);
}

StatusSink MainStatusBar::Sink() const {
    StatusSink sink;
    sink.text = [this] { return Text(kPanelStatus); };
    sink.setText = [this](const std::wstring& text) { SetText(kPanelStatus, text); };
    sink.showProgress = [this](int maximum) { ShowProgress(maximum); };
    sink.setProgress = [this](int value) { progress_.SetValue(value); };
    sink.hideProgress = [this] { HideProgress(); };
    return sink;
}

} // namespace nivex
