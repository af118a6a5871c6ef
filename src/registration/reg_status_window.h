#pragma once
// frmRegStatus: the small modeless window in which the flows show an outcome. One instance per process,
// created on first use; a later outcome overwrites its texts and shows it again. O&K hides it.
#include <windows.h>

#include <memory>
#include <string>

#include "common/desktop.h"
#include "common/window.h"
#include "guicontrols/gui_frames.h"
#include "registration/outcome_display.h"

namespace nivex {

class frmRegStatus final : public Dialog {
public:
    // The one instance, created (with the given owner) when there is none; nullptr when the window cannot
    // be made (no template in the executable).
    static frmRegStatus* Instance(HWND owner);
    // The instance if it exists, without creating it.
    static frmRegStatus* Existing();

    // Sets caption, title and message ("\n" separates lines), the picture for success or failure, and shows
    // the window without making it modal.
    void ShowOutcome(const std::wstring& caption, const std::wstring& title, const std::wstring& message,
                     bool success);
    bool IsShown() const;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Init();
    void FitMessage();

    HFONT titleFont_ = nullptr;
    std::unique_ptr<GuiControl> line_;
    int baseMessageHeight_ = 0; // pixels, from the template
    int baseButtonTop_ = 0;
    int baseWindowHeight_ = 0;
    bool placed_ = false;
};

// The display that puts an outcome into frmRegStatus (falls back to a message box without the window).
class StatusWindowDisplay final : public OutcomeDisplay {
public:
    // desktop gives the fallback message.
    explicit StatusWindowDisplay(Desktop& desktop) : desktop_(desktop) {}
    void Show(const OutcomeText& text, WindowRef owner) override;
    // Runs messages until the status window is hidden or destroyed.
    void WaitUntilDismissed() override;

private:
    Desktop& desktop_;
};

} // namespace nivex
