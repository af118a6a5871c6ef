#include "app/placement_store.h"

#include <string>

#include "app/window_placement.h"
#include "common/desktop.h"
#include "common/window.h"
#include "registry/settings.h"

namespace nivex {

int ApplyStoredPlacement(HWND window, Desktop& desktop) {
    auto read = [](const wchar_t* key) {
        return GetSetting(kSectionAppearence, key, SettingDefault(kSectionAppearence, key));
    };
    StoredPlacementTexts texts;
    texts.state = read(kKeyWindowState);
    texts.top = read(kKeyWindowTop);
    texts.left = read(kKeyWindowLeft);
    texts.width = read(kKeyWindowWidth);
    texts.height = read(kKeyWindowHeight);
    const PlacementPlan plan = PlanPlacement(texts);
    for (const std::wstring& key : plan.unreadable) {
        const std::wstring& text = key == kKeyWindowTop    ? texts.top
                                   : key == kKeyWindowLeft ? texts.left
                                   : key == kKeyWindowWidth ? texts.width
                                                            : texts.height;
        desktop.Message(window,
                        L"The stored window layout value \"" + key + L"\" (\"" + text +
                            L"\") is not a number of twips; the default is used instead.",
                        L"Velmora Control Manager", MsgButtons::Ok, MsgIcon::Exclamation);
    }
    if (!plan.applyRect) return plan.state;
    RECT rect{TwipsToPixelsX(plan.rect.left), TwipsToPixelsY(plan.rect.top), 0, 0};
    rect.right = rect.left + TwipsToPixelsX(plan.rect.width);
    rect.bottom = rect.top + TwipsToPixelsY(plan.rect.height);
    // A place on a screen that is no longer there would hide the window: keep the size, use the default place.
    if (!MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        OffsetRect(&rect, TwipsToPixelsX(100) - rect.left, TwipsToPixelsY(100) - rect.top);
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return plan.state;
}

void StorePlacement(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const TwipsRect normal{PixelsToTwipsX(rect.left), PixelsToTwipsY(rect.top), PixelsToTwipsX(rect.right - rect.left),
                           PixelsToTwipsY(rect.bottom - rect.top)};
    const StoredPlacementTexts texts = PlacementToStore(IsZoomed(window) != FALSE, IsIconic(window) != FALSE, normal);
    SaveSetting(kSectionAppearence, kKeyWindowState, texts.state);
    if (texts.state != L"0") return;
    SaveSetting(kSectionAppearence, kKeyWindowTop, texts.top);
    SaveSetting(kSectionAppearence, kKeyWindowLeft, texts.left);
    SaveSetting(kSectionAppearence, kKeyWindowWidth, texts.width);
    SaveSetting(kSectionAppearence, kKeyWindowHeight, texts.height);
}

} // namespace nivex
