#pragma once
// frmSplash: the program's artwork, its version, a status line and a progress bar, shown while the
// first scan runs. Esc shows the main window early.
#include <windows.h>

#include <functional>
#include <string>

#include "common/handles.h"
#include "common/window.h"

namespace nivex {

class SplashWindow final : public Window {
public:
    // Creates the window centred on the screen, shows it and gives it the focus.
    void Show(std::function<void()> onEscape);
    // Closing a splash that was never shown is harmless.
    void Close();
    bool IsShown() const { return Handle() != nullptr && IsWindowVisible(Handle()); }

    void SetStatus(const std::wstring& text);
    const std::wstring& Status() const { return status_; }
    const std::wstring& VersionText() const { return version_; }
    void SetProgressMaximum(int maximum);
    void SetProgress(int value);
    HWND ProgressBarHandle() const { return progress_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    RECT StatusRect() const;

    std::function<void()> onEscape_;
    std::wstring status_ = L"Loading...";
    std::wstring version_;
    HWND progress_ = nullptr;
    GdiObject artwork_;
    SIZE artSize_{};
    GdiObject font_;
    GdiObject boldFont_;
};

} // namespace nivex
