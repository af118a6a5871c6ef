#include "app/command_bar.h"

#include <algorithm>
#include <vector>

#include "app/resource.h"
#include "registry/settings.h"

namespace nivex {

namespace {

bool IsToolbarButton(int id) { return id >= tbRegister && id <= tbOptions; }
bool IsTrayCommand(int id) { return id >= mnuTrayOpenNivex && id <= mnuTrayExit; }

// A strip of images (one resource bitmap, images side by side); blank images when the bitmap is absent,
// so that indexes stay valid.
HIMAGELIST LoadStrip(int resourceId, int size, int count) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, count, 0);
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap) {
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    while (ImageList_GetImageCount(list) < count) {
        HDC screen = GetDC(nullptr);
        HBITMAP blank = CreateCompatibleBitmap(screen, size, size);
        ReleaseDC(nullptr, screen);
        ImageList_AddMasked(list, blank, RGB(0, 0, 0));
        DeleteObject(blank);
    }
    return list;
}

} // namespace

void CommandBar::Load(HINSTANCE instance) {
    menu_ = ui::Menu(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINMENU)));
    trayMenuBar_.Reset(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_SYSTRAY)));
    trayMenu_ = ui::Menu(trayMenuBar_ ? GetSubMenu(trayMenuBar_.Get(), 0) : nullptr);
    accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
}

void CommandBar::Create(HWND window, HFONT font) {
    window_ = window;
    font_ = font;
    const int keys = static_cast<int>(ToolbarImageKeys().size());
    listImages_.Reset(LoadStrip(IDB_LIST16, 16, 4));
    toolbarImages_.Reset(LoadStrip(IDB_TOOLBAR24, 24, keys));
    toolbarGreyImages_.Reset(LoadStrip(IDB_TOOLBAR24_GREY, 24, keys));
    frame_ = toolbarFrame_.Create(window, IDC_FRATOOLBAR);
    RebuildToolbar();
    menu_.CheckRadio(mnuControls0, mnuControls1, mnuControls0);
}

void CommandBar::RebuildToolbar() {
    if (toolbar_.Handle()) DestroyWindow(toolbar_.Handle());
    const bool captions = SettingIsOn(kSectionAppearence, kKeyToolbarCaptions);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                       CCS_NODIVIDER | CCS_NOPARENTALIGN,
                                   0, 0, 0, 0, frame_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TLBMAIN)),
                                   GetModuleHandleW(nullptr), nullptr);
    toolbar_ = ui::Toolbar(toolbar);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETPARENT, reinterpret_cast<WPARAM>(window_), 0);
    SendMessageW(toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarGreyImages_.Get()));
    SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_.Get()));
    std::vector<TBBUTTON> buttons;
    for (const auto& info : ToolbarButtons()) {
        TBBUTTON button{};
        button.iBitmap = ToolbarImageIndex(info.key);
        button.idCommand = info.id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.iString = captions ? reinterpret_cast<INT_PTR>(info.caption) : -1;
        buttons.push_back(button);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    if (table_) Apply(*table_, conditions_);
}

int CommandBar::ToolbarPixels() const {
    RECT last{};
    const int buttons = toolbar_.ButtonCount();
    SendMessageW(toolbar_.Handle(), TB_GETITEMRECT, buttons > 0 ? buttons - 1 : 0, reinterpret_cast<LPARAM>(&last));
    return std::max(static_cast<int>(last.bottom) + 2,
                    static_cast<int>(HIWORD(SendMessageW(toolbar_.Handle(), TB_GETBUTTONSIZE, 0, 0))));
}

void CommandBar::Apply(const CommandTable& table, const CommandConditions& conditions) {
    table_ = &table;
    conditions_ = conditions;
    for (int id : menu_.CommandIds()) menu_.Enable(id, table.Enabled(id, conditions));
    for (int id : trayMenu_.CommandIds()) trayMenu_.Enable(id, table.Enabled(id, conditions));
    for (const auto& button : ToolbarButtons()) toolbar_.Enable(button.id, table.Enabled(button.command, conditions));
}

void CommandBar::SetTopMenusEnabled(bool enabled) {
    for (int position : {kMenuFile, kMenuEdit, kMenuTools})
        EnableMenuItem(menu_.Handle(), static_cast<UINT>(position), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_);
}

int CommandBar::CommandOf(int id) { return IsToolbarButton(id) ? ToolbarCommand(id) : id; }

bool CommandBar::IsEnabled(int id) const {
    if (IsToolbarButton(id)) return toolbar_.IsEnabled(id);
    return IsTrayCommand(id) ? trayMenu_.IsEnabled(id) : menu_.IsEnabled(id);
}

void CommandBar::SetExitCaption(const std::wstring& caption) {
    // The text only: the item keeps its enabled state, and its shortcut stays shown.
    menu_.SetText(mnuExit, caption + L"\tCtrl+Q");
    DrawMenuBar(window_);
}

void CommandBar::PopupFileMenuWithoutExit(const std::function<void(HMENU, POINT)>& popup, POINT screen) {
    HMENU file = GetSubMenu(menu_.Handle(), kMenuFile);
    if (!file) return;
    const std::wstring text = menu_.Text(mnuExit);
    const UINT state = GetMenuState(file, mnuExit, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
    RemoveMenu(file, mnuExit, MF_BYCOMMAND);
    const int separator = GetMenuItemCount(file) - 1;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    const bool hasSeparator = separator >= 0 && GetMenuItemInfoW(file, static_cast<UINT>(separator), TRUE, &info) &&
                              (info.fType & MFT_SEPARATOR);
    if (hasSeparator) RemoveMenu(file, static_cast<UINT>(separator), MF_BYPOSITION);
    popup(file, screen);
    if (hasSeparator) AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING | state, mnuExit, text.c_str());
}

bool CommandBar::OnNotify(NMHDR* header) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        for (const auto& button : ToolbarButtons())
            if (static_cast<UINT_PTR>(button.id) == header->idFrom) {
                info->lpszText = const_cast<wchar_t*>(button.toolTip);
                info->hinst = nullptr;
            }
        return true;
    }
    if (header->code == TBN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(header);
        for (const auto& button : ToolbarButtons())
            if (button.id == tip->iItem)
                wcsncpy_s(tip->pszText, static_cast<size_t>(tip->cchTextMax), button.toolTip, _TRUNCATE);
        return true;
    }
    return false;
}

} // namespace nivex
