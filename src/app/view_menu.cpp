// The View menu's switches: the toolbar, the status bar and the registry views shown.
#include <windows.h>

#include "app/main_window.h"
#include "app/resource.h"
#include "common/error.h"
#include "registry/registry_views.h"
#include "registry/settings.h"

namespace nivex {

namespace {
const wchar_t* const kTitle = L"Velmora Control Manager";
} // namespace

// View > Toolbar and View > Statusbar: the check mark, the part and its stored setting follow each other.
void MainWindow::ToggleBar(int menuId, HWND part, const wchar_t* key, const wchar_t* procedure) {
    const bool checked = bar_.Menus().IsChecked(menuId);
    bar_.Menus().Check(menuId, !checked);
    ShowWindow(part, checked ? SW_HIDE : SW_SHOW);
    try {
        SaveSetting(kSectionAppearence, key, checked ? L"0" : L"1");
    } catch (const Error& e) {
        desktop_.Message(Handle(), ErrorInMessage(procedure, e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
    Layout();
}

namespace {
int ViewItem(RegistryView view) {
    return view == RegistryView::Bits32 ? mnuControls32 : mnuControls64;
}
const wchar_t* ViewKey(RegistryView view) {
    return view == RegistryView::Bits32 ? kKeyShow32BitControls : kKeyShow64BitControls;
}
} // namespace

// Before the first scan: the views the settings show. A machine with one view shows it whatever they say, and
// a store that hides both shows both (an empty window would only puzzle).
void MainWindow::LoadViewSettings() {
    const bool two = MachineViews().size() > 1;
    bool shown[2] = {true, true};
    if (two) {
        shown[0] = SettingIsOn(kSectionAppearence, kKeyShow64BitControls);
        shown[1] = SettingIsOn(kSectionAppearence, kKeyShow32BitControls);
        if (!shown[0] && !shown[1]) shown[0] = shown[1] = true;
    }
    for (RegistryView view : {RegistryView::Bits64, RegistryView::Bits32}) {
        const bool on = shown[view == RegistryView::Bits32 ? 1 : 0];
        catalogue_.SetViewShown(view, on);
        bar_.Menus().Check(ViewItem(view), on);
    }
}

void MainWindow::ToggleView(RegistryView view) {
    const bool shown = !catalogue_.ViewShown(view);
    // One view always stays: hiding the last one would empty the trees.
    if (!shown && !catalogue_.ViewShown(OtherView(view))) return;
    catalogue_.SetViewShown(view, shown);
    bar_.Menus().Check(ViewItem(view), shown);
    try {
        SaveSetting(kSectionAppearence, ViewKey(view), shown ? L"1" : L"0");
    } catch (const Error& e) {
        desktop_.Message(Handle(), ErrorInMessage(L"mnuControlsView_Click", e), kTitle, MsgButtons::Ok,
                         MsgIcon::Critical);
    }
    PopulateList(false);
}

} // namespace nivex
