#pragma once
// The main window's tool windows: the toolbox bitmap preview and the tip of the day. Both are owned by
// the main window, shown above it after start-up (Wine raises the main window again once its loop
// runs), and put away while the main window is in the tray.
#include <windows.h>

#include <functional>

#include "common/desktop.h"

namespace nivex {

class ToolWindows {
public:
    // The preview belongs to owner; previewClosed runs when the user closes it.
    void Attach(HWND owner, std::function<void()> previewClosed);
    // The preview as "ShowToolboxPreview" says, the tip when "TipOfTheDay" is 1. True when the preview shows.
    bool ShowAtStartup(Desktop& desktop);
    // What this part posted to its owner to keep the tools above it; true when message was that.
    bool OnMessage(UINT message, WPARAM wParam);
    // Into the tray and back: the preview hides and comes back as it was (its setting does not change).
    void HideForTray();
    void RestoreAfterTray();

private:
    HWND owner_ = nullptr;
    bool previewBeforeTray_ = false;
};

} // namespace nivex
