#include "app/tool_windows.h"

#include <utility>

#include "auxiliary/tip_window.h"
#include "inspect/bitmap_preview.h"
#include "registry/settings.h"

namespace nivex {

namespace {
constexpr UINT kKeepAbove = WM_APP + 2;
constexpr UINT_PTR kKeepAboveTimer = 0x4B54;
} // namespace

void ToolWindows::Attach(HWND owner, std::function<void()> previewClosed) {
    owner_ = owner;
    BitmapPreview& preview = BitmapPreview::Instance();
    preview.SetOwner(owner);
    preview.SetClosedByUser(std::move(previewClosed));
}

bool ToolWindows::ShowAtStartup(Desktop& desktop) {
    const bool preview = SettingIsOn(kSectionAppearence, kKeyShowToolboxPreview);
    if (preview) {
        BitmapPreview::Instance().SetVisible(true);
        // The first activation raises the owner over the preview under X once the loop runs: show it
        // again then, above its owner.
        PostMessageW(owner_, kKeepAbove, 0, 0);
    }
    // The tip is activated over the owner, which Wine raises again once the loop runs: show the tool
    // windows above it again after that too.
    if (ShowTipOfTheDayAtStartup(owner_, desktop)) {
        PostMessageW(owner_, kKeepAbove, 0, 0);
        SetTimer(owner_, kKeepAboveTimer, 2500, nullptr);
    }
    return preview;
}

bool ToolWindows::OnMessage(UINT message, WPARAM wParam) {
    if (message == WM_TIMER && wParam == kKeepAboveTimer) KillTimer(owner_, kKeepAboveTimer);
    else if (message != kKeepAbove) return false;
    KeepTipOfTheDayAboveOwner();
    BitmapPreview::Instance().KeepAboveOwner();
    return true;
}

void ToolWindows::HideForTray() {
    BitmapPreview& preview = BitmapPreview::Instance();
    previewBeforeTray_ = preview.Handle() && preview.IsVisible();
    if (previewBeforeTray_) preview.SetVisible(false);
}

void ToolWindows::RestoreAfterTray() {
    if (previewBeforeTray_) BitmapPreview::Instance().SetVisible(true);
    previewBeforeTray_ = false;
}

} // namespace nivex
