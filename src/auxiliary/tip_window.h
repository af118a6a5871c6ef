#pragma once
// frmTip: the "Tip of the Day" window, opened by the main window at start-up while the setting
// "TipOfTheDay" is 1. Shows a random line of the tips file beside the program.
#include <windows.h>

#include <functional>
#include <string>

#include "auxiliary/tips.h"
#include "common/desktop.h"
#include "common/window.h"

namespace nivex {

class TipWindow final : public Dialog {
public:
    // Random numbers in [0, 1); the default is seeded from the system timer.
    using RandomSource = std::function<double()>;

    TipWindow();
    void SetRandomSource(RandomSource random) { random_ = std::move(random); }
    // The tips file the window loads (program folder + "nivex_10.tod" unless a test sets another).
    void SetTipsPath(std::wstring path) { tipsPath_ = std::move(path); }

    // Creates the modeless window owned by owner and shows it; nullptr when the setting is 0 (the
    // window closes at once, as it does at load) or it could not be created. desktop tells a failure.
    HWND Open(HWND owner, Desktop& desktop);

    // True when the file exists and was read: fills the list and shows a tip.
    bool LoadTips(const std::wstring& path);
    void DoNextTip();
    void DisplayCurrentTip();

    const TipList& Tips() const { return tips_; }
    std::wstring TipText() const;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInit();
    void OnShowAtStartupClicked();
    void Paint();

    Desktop* desktop_ = nullptr;
    TipList tips_;
    RandomSource random_;
    std::wstring tipsPath_;
    HFONT tipFont_ = nullptr;
    HFONT headingFont_ = nullptr;
};

// The start-up call of the main window: opens the window when "TipOfTheDay" is 1 and lets the user
// interface repaint once. Returns the window (kept by the caller's registry of modeless windows).
TipWindow* ShowTipOfTheDayAtStartup(HWND owner, Desktop& desktop);
// Shows the start-up tip again above its owner, where the window system raised the owner over it
// behind the program's back, without taking the activation or the focus; nothing when it is not open.
void KeepTipOfTheDayAboveOwner();

} // namespace nivex
