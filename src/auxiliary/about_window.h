#pragma once
// frmAbout: "About Nivex" with the version line, the slogan, the maker, the e-mail and web links
// (hand pointer, opened through the shell) and the licence agreement.
#include <windows.h>

#include <memory>

#include "common/desktop.h"
#include "common/window.h"
#include "guicontrols/gui_frames.h"

namespace nivex {

class AboutWindow final : public Dialog {
public:
    // Creates the modeless box owned by owner (nullptr from the tray menu), or brings the open one
    // forward. Returns its handle. The links and the licence open through desktop.
    HWND Open(HWND owner, Desktop& desktop);

    // What a click on each link and on "&License" does.
    void OpenEmail();
    void OpenWebPage();
    void OpenLicense();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override { etchedLine1_.reset(); }

private:
    void OnInit();
    void OpenThroughShell(const std::wstring& target);

    Desktop* desktop_ = nullptr;
    HFONT titleFont_ = nullptr;
    HFONT linkFont_ = nullptr;
    HICON pictures_[2] = {nullptr, nullptr};
    std::unique_ptr<GuiControl> etchedLine1_;
};

// The program's one About box: Help > About (owner the main window) and the tray's About (no owner).
AboutWindow& TheAboutWindow();

} // namespace nivex
