#include "app/catalogue_view.h"

#include <algorithm>

#include "app/find_order.h"
#include "common/scope_guard.h"

namespace nivex {

int ListImageIndex(const std::wstring& key) {
    if (key == kImageError) return 0;
    if (key == kImageProperty) return 1;
    if (key == kImageDefault) return 2;
    if (key == kImageComponent) return 3;
    return -1;
}

void CatalogueView::Create(HWND parent, int firstId, HFONT font, HIMAGELIST images) {
    firstId_ = firstId;
    for (int i = 0; i < 2; ++i) {
        HWND tree = CreateWindowExW(
            WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
            WS_CHILD | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0, 0, 0, 0,
            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(firstId + i)), GetModuleHandleW(nullptr), nullptr);
        views_[i] = ui::TreeView(tree);
        SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        items_[i].assign(1, nullptr);
    }
    ShowWindow(Tree(0), SW_SHOW);
}

HTREEITEM CatalogueView::Item(int treeIndex, int node) const {
    const auto& items = items_[treeIndex ? 1 : 0];
    return node > 0 && node < static_cast<int>(items.size()) ? items[static_cast<size_t>(node)] : nullptr;
}

void CatalogueView::Show(int index) {
    const int k = index ? 1 : 0;
    const bool hadFocus = GetFocus() == Tree(1 - k);
    ShowWindow(Tree(1 - k), SW_HIDE);
    ShowWindow(Tree(k), SW_SHOW);
    EnableWindow(Tree(k), TRUE);
    if (hadFocus) SetFocus(Tree(k));
    visible_ = k;
}

void CatalogueView::Place(const RECT& pane) {
    for (const auto& view : views_)
        MoveWindow(view.Handle(), pane.left, pane.top, std::max(0L, pane.right - pane.left),
                   std::max(0L, pane.bottom - pane.top), TRUE);
}

void CatalogueView::SetRedraw(bool redraw) {
    for (const auto& view : views_) {
        SendMessageW(view.Handle(), WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
        if (redraw) InvalidateRect(view.Handle(), nullptr, TRUE);
    }
}

void CatalogueView::Clear() {
    quiet_ = true;
    ScopeGuard loud([this] { quiet_ = false; });
    for (const auto& view : views_) view.Clear();
    items_[0].assign(1, nullptr);
    items_[1].assign(1, nullptr);
}

void CatalogueView::Rebuild(bool redraw) {
    quiet_ = true;
    ScopeGuard loud([this] { quiet_ = false; });
    for (int t = 0; t < 2; ++t) {
        const CatalogueTree& tree = catalogue_.Tree(t);
        const ui::TreeView& view = views_[t];
        if (redraw) SendMessageW(view.Handle(), WM_SETREDRAW, FALSE, 0);
        view.Clear();
        auto& items = items_[t];
        items.assign(static_cast<size_t>(tree.Capacity()) + 1, nullptr);
        // Parents always come before their children, so one pass in index order rebuilds the tree.
        for (int i = 1; i <= tree.Capacity(); ++i) {
            if (!tree.IsValid(i)) continue;
            const CatalogueNode& node = tree.Node(i);
            HTREEITEM parent = node.parent ? items[static_cast<size_t>(node.parent)] : TVI_ROOT;
            items[static_cast<size_t>(i)] = view.Add(parent, node.text, ListImageIndex(node.image), i, node.bold);
        }
        if (HTREEITEM selected = Item(t, tree.Selected())) view.Select(selected);
        if (redraw) {
            SendMessageW(view.Handle(), WM_SETREDRAW, TRUE, 0);
            InvalidateRect(view.Handle(), nullptr, TRUE);
        }
    }
}

void CatalogueView::SelectQuietly(int treeIndex, int node) {
    catalogue_.Tree(treeIndex).Select(node);
    quiet_ = true;
    ScopeGuard loud([this] { quiet_ = false; });
    views_[treeIndex ? 1 : 0].Select(Item(treeIndex, node));
}

void CatalogueView::Select(int treeIndex, int node) {
    CatalogueTree& tree = catalogue_.Tree(treeIndex);
    HTREEITEM item = Item(treeIndex, node);
    const ui::TreeView& view = views_[treeIndex ? 1 : 0];
    if (!item || view.Selected() == item) {
        tree.Select(item ? node : 0);
        if (onSelect_) onSelect_(treeIndex);
        return;
    }
    view.Select(item); // TVN_SELCHANGED tells the owner
}

void CatalogueView::SelectAt(int treeIndex, POINT screen) {
    const ui::TreeView& view = views_[treeIndex ? 1 : 0];
    HTREEITEM item = view.HitTest(screen);
    if (item && item != view.Selected()) view.Select(item); // TVN_SELCHANGED tells the owner
    else if (onSelect_) onSelect_(treeIndex);
}

void CatalogueView::SelectNextMatch(const std::wstring& find, bool typeLib, bool control) {
    const CatalogueTree& tree = catalogue_.Tree(visible_);
    const int found = FindNextNode(tree, tree.Selected(), find, typeLib, control);
    if (found != 0) Select(visible_, found);
}

void CatalogueView::Enable(bool enable) {
    for (const auto& view : views_) EnableWindow(view.Handle(), enable ? TRUE : FALSE);
}

void CatalogueView::ExpandAll(bool expand) {
    const ui::TreeView& view = views_[visible_];
    const CatalogueTree& tree = catalogue_.Tree(visible_);
    SendMessageW(view.Handle(), WM_SETREDRAW, FALSE, 0);
    for (int i = 1; i <= tree.Capacity(); ++i)
        if (tree.IsValid(i) && tree.Node(i).firstChild != 0)
            if (HTREEITEM item = Item(visible_, i)) view.Expand(item, expand);
    SendMessageW(view.Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view.Handle(), nullptr, TRUE);
    if (HTREEITEM selected = view.Selected())
        SendMessageW(view.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(selected));
}

LRESULT CatalogueView::OnCustomDraw(int treeIndex, NMTVCUSTOMDRAW* draw) const {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int node = static_cast<int>(draw->nmcd.lItemlParam);
        const CatalogueTree& tree = catalogue_.Tree(treeIndex);
        // Libraries whose first control's file is missing: bold (item state) and pure red, unless highlighted.
        if (tree.IsValid(node) && tree.Node(node).bold && !(draw->nmcd.uItemState & CDIS_SELECTED)) {
            draw->clrText = RGB(255, 0, 0);
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

bool CatalogueView::OnNotify(NMHDR* header, bool busy, LRESULT& result) {
    const int t = static_cast<int>(header->idFrom) - firstId_;
    if (t != 0 && t != 1) return false;
    result = 0;
    switch (header->code) {
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(t, reinterpret_cast<NMTVCUSTOMDRAW*>(header));
        return true;
    case TVN_SELCHANGEDW: {
        if (quiet_) return true;
        auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
        catalogue_.Tree(t).Select(static_cast<int>(change->itemNew.lParam));
        if (!busy && onSelect_) onSelect_(t);
        return true;
    }
    default:
        return false;
    }
}

} // namespace nivex
