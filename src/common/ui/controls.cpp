#include "common/ui/controls.h"

#include <vector>

namespace nivex::ui {

// ---- TreeView ----

HTREEITEM TreeView::Add(HTREEITEM parent, const std::wstring& text, int image, LPARAM param, bool bold) const {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST; // insertion order, no search for a place
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = param;
    insert.item.stateMask = TVIS_BOLD;
    insert.item.state = bold ? TVIS_BOLD : 0;
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeView::Clear() const { SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

HTREEITEM TreeView::Selected() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TreeView::Select(HTREEITEM item) const {
    SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

HTREEITEM TreeView::Root() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM TreeView::Child(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeView::Next(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeView::Parent(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

LPARAM TreeView::Param(HTREEITEM item) const {
    TVITEMW tvi{};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi))) return 0;
    return tvi.lParam;
}

std::wstring TreeView::Text(HTREEITEM item) const {
    wchar_t buffer[520] = {};
    TVITEMW tvi{};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = buffer;
    tvi.cchTextMax = 520;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi))) return {};
    return tvi.pszText ? std::wstring(tvi.pszText) : std::wstring();
}

bool TreeView::IsBold(HTREEITEM item) const {
    return (SendMessageW(hwnd_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_BOLD) & TVIS_BOLD) != 0;
}

int TreeView::Image(HTREEITEM item) const {
    TVITEMW tvi{};
    tvi.mask = TVIF_IMAGE | TVIF_HANDLE;
    tvi.hItem = item;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi))) return -1;
    return tvi.iImage;
}

bool TreeView::IsExpanded(HTREEITEM item) const {
    return (SendMessageW(hwnd_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TreeView::Expand(HTREEITEM item, bool expand) const {
    SendMessageW(hwnd_, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
}

int TreeView::Count() const { return static_cast<int>(SendMessageW(hwnd_, TVM_GETCOUNT, 0, 0)); }

HTREEITEM TreeView::HitTest(POINT screenPoint) const {
    TVHITTESTINFO info{};
    info.pt = screenPoint;
    ScreenToClient(hwnd_, &info.pt);
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    return (info.flags & TVHT_ONITEM) ? item : nullptr;
}

// ---- ListView ----

void ListView::AddColumn(int index, const std::wstring& caption, int width) const {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int ListView::ColumnWidth(int column) const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void ListView::SetColumnWidth(int column, int width) const {
    SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int ListView::AddRow(const std::wstring& text, int image, const std::wstring& subText) const {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = RowCount();
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    const int row = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return row;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(subText.c_str());
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    return row;
}

void ListView::Clear() const { SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

int ListView::RowCount() const { return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListView::Text(int row, int column) const {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto length = static_cast<size_t>(
            SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size() || buffer.size() >= 65536) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

int ListView::FindRow(const std::wstring& text) const {
    const int count = RowCount();
    for (int row = 0; row < count; ++row)
        if (Text(row, 0) == text) return row;
    return -1;
}

int ListView::SelectedRow() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::SelectRow(int row) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// ---- StatusBar ----

void StatusBar::SetWidths(int statusWidth, int displayWidth, int countWidth) const {
    int edges[3] = {statusWidth, statusWidth + displayWidth, -1};
    (void)countWidth; // the last panel takes the rest
    SendMessageW(hwnd_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void StatusBar::SetText(int panel, const std::wstring& text) const {
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusBar::Text(int panel) const {
    const LRESULT info = SendMessageW(hwnd_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    std::wstring text(LOWORD(info) + 1u, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

RECT StatusBar::PanelRect(int panel) const {
    RECT rect{};
    SendMessageW(hwnd_, SB_GETRECT, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

int StatusBar::Height() const {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return rect.bottom - rect.top;
}

// ---- ProgressBar ----

void ProgressBar::SetMaximum(int maximum) const { SendMessageW(hwnd_, PBM_SETRANGE32, 0, maximum); }
void ProgressBar::SetValue(int value) const { SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(value), 0); }
int ProgressBar::Value() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }
int ProgressBar::Maximum() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETRANGE, FALSE, 0)); }

// ---- Toolbar ----

void Toolbar::Enable(int id, bool enable) const {
    if (hwnd_) SendMessageW(hwnd_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), enable ? TRUE : FALSE);
}

bool Toolbar::IsEnabled(int id) const {
    return hwnd_ && SendMessageW(hwnd_, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
}

int Toolbar::ButtonCount() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, TB_BUTTONCOUNT, 0, 0)) : 0; }

// ---- Menu ----

void Menu::Enable(int id, bool enable) const {
    if (menu_) EnableMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

bool Menu::IsEnabled(int id) const {
    if (!menu_) return false;
    const UINT state = GetMenuState(menu_, static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool Menu::HasItem(int id) const {
    return menu_ && GetMenuState(menu_, static_cast<UINT>(id), MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void Menu::Check(int id, bool check) const {
    if (menu_) CheckMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (check ? MF_CHECKED : MF_UNCHECKED));
}

bool Menu::IsChecked(int id) const {
    return menu_ && (GetMenuState(menu_, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void Menu::CheckRadio(int first, int last, int id) const {
    if (menu_) CheckMenuRadioItem(menu_, static_cast<UINT>(first), static_cast<UINT>(last), static_cast<UINT>(id), MF_BYCOMMAND);
}

void Menu::SetText(int id, const std::wstring& text) const {
    std::wstring copy = text;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = copy.data();
    if (menu_) SetMenuItemInfoW(menu_, static_cast<UINT>(id), FALSE, &info);
}

std::wstring Menu::Text(int id) const {
    wchar_t buffer[256] = {};
    if (menu_) GetMenuStringW(menu_, static_cast<UINT>(id), buffer, 256, MF_BYCOMMAND);
    return buffer;
}

std::vector<int> Menu::CommandIds() const {
    std::vector<int> ids;
    if (!menu_) return ids;
    const int count = GetMenuItemCount(menu_);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu_, i)) {
            const std::vector<int> inner = Menu(sub).CommandIds();
            ids.insert(ids.end(), inner.begin(), inner.end());
            continue;
        }
        const UINT id = GetMenuItemID(menu_, i);
        if (id != 0 && id != static_cast<UINT>(-1)) ids.push_back(static_cast<int>(id));
    }
    return ids;
}

} // namespace nivex::ui
