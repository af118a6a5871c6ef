#pragma once
// tvMain 0 and 1: the two catalogue trees on screen. The catalogue is the store; this part keeps the
// tree items in step with it and tells its owner which node the user selected.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "catalogue/catalogue.h"
#include "common/ui/controls.h"

namespace nivex {

class CatalogueView {
public:
    // Called when the user selects a node of tree index (not for selections the view makes itself).
    using SelectHandler = std::function<void(int treeIndex)>;

    CatalogueView(Catalogue& catalogue) : catalogue_(catalogue) {}
    void Create(HWND parent, int firstId, HFONT font, HIMAGELIST images);
    void SetSelectHandler(SelectHandler handler) { onSelect_ = std::move(handler); }

    HWND Tree(int index) const { return views_[index ? 1 : 0].Handle(); }
    HTREEITEM Item(int treeIndex, int node) const;
    int Visible() const { return visible_; }
    // Shows tree index, hides the other; the focus moves along when the hidden tree had it.
    void Show(int index);
    void Place(const RECT& pane);

    // Rebuilds both trees from the catalogue, keeping each tree's selection where its node still exists.
    // redraw false: the caller froze the trees and redraws them itself.
    void Rebuild(bool redraw);
    void Clear();
    void SetRedraw(bool redraw);
    // Selects node of tree index on screen and in the catalogue without telling the owner.
    void SelectQuietly(int treeIndex, int node);
    // Selects a node as the user would: the owner hears of it, also when it was selected already.
    void Select(int treeIndex, int node);
    void ExpandAll(bool expand);
    // Selects (as the user would) the next node of the visible tree whose text contains find, in the
    // catalogue's order (see FindNextNode); nothing when none does.
    void SelectNextMatch(const std::wstring& find, bool typeLib, bool control);
    void Enable(bool enable);
    // The node under a screen point (selected first when it was not), or the selected node.
    void SelectAt(int treeIndex, POINT screen);

    // The tree's notifications; true when handled, with the result in result.
    bool OnNotify(NMHDR* header, bool busy, LRESULT& result);

private:
    LRESULT OnCustomDraw(int treeIndex, NMTVCUSTOMDRAW* draw) const;

    Catalogue& catalogue_;
    ui::TreeView views_[2];
    int firstId_ = 0;
    // HTREEITEM of every catalogue node, by node index (index 0 unused), per tree.
    std::vector<HTREEITEM> items_[2];
    int visible_ = 0;
    bool quiet_ = false;
    SelectHandler onSelect_;
};

// Image indexes of ilList, in the order of the strip; -1 for an unknown key.
int ListImageIndex(const std::wstring& key);

} // namespace nivex
