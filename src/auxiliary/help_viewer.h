#pragma once
// The HTML Help viewer: the wide entry point of hhctrl.ocx, loaded on first use, and the program's
// help commands. Every help window is closed in the exit path (a help window left open while the
// process ends can crash it).
#include <windows.h>

#include <string>

#include "common/desktop.h"

namespace nivex {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The help window, or nullptr when nothing was shown.
    virtual HWND ShowTopic(HWND owner, const std::wstring& helpFile) = 0;
    virtual HWND ShowContext(HWND owner, const std::wstring& helpFile, unsigned long id) = 0;
    // A text pop-up from the pop-up topic file at a screen point; false when the viewer showed none.
    virtual bool ShowTextPopup(HWND owner, const std::wstring& popupFile, unsigned long id, POINT at) = 0;
    virtual void CloseAll() = 0;
};

// The process-wide viewer: HTML Help unless a test installed another (not owned; nullptr restores).
HelpViewer& TheHelpViewer();
HelpViewer* SetHelpViewer(HelpViewer* viewer);

// Help > Help Contents: the help file's default topic; "Unable to display " + path when none appears.
void ShowHelpContents(HWND owner, Desktop& desktop);
// The page of a window (F1 in a dialog); the same message when it cannot be shown.
void ShowHelpTopic(HWND owner, unsigned long id);
// Help > Nivex Website: the product page through the shell.
void OpenProductWebPage(HWND owner, Desktop& desktop);
// Closes every help window; the exit path calls it.
void CloseAllHelpWindows();

} // namespace nivex
