#include "app/details_view.h"

#include <algorithm>

#include "app/catalogue_view.h"
#include "app/main_layout.h"
#include "common/window.h"

namespace nivex {

namespace {
constexpr int kFirstColumnPixels = 110;

// r is relative to the frame; dx, dy place it in the list's parent (the frame itself, or the window
// when a plain frame stands in).
void MoveTo(HWND hwnd, const TwipsRect& r, int dx, int dy) {
    MoveWindow(hwnd, TwipsToPixelsX(r.left) + dx, TwipsToPixelsY(r.top) + dy, TwipsToPixelsX(r.width),
               TwipsToPixelsY(r.height), TRUE);
}
} // namespace

void DetailsView::Create(HWND parent, int firstFrameId, int firstListId, int firstPropertySet, HFONT font,
                         HIMAGELIST images) {
    firstListId_ = firstListId;
    for (int i = 0; i < 2; ++i) {
        // Each frame's look (title bar, caption) is its property set in the program's resources.
        frames_[i] = GuiControl::Place(GuiControlKind::Bevel, parent, firstFrameId + i, RECT{},
                                       PropertySetResource(GetModuleHandleW(nullptr), firstPropertySet + i));
        HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                        LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                    0, 0, 0, 0, frames_[i]->ChildParent(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(firstListId + i)),
                                    GetModuleHandleW(nullptr), nullptr);
        lists_[i] = ui::ListView(list);
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
        lists_[i].AddColumn(0, L"Element", kFirstColumnPixels);
        lists_[i].AddColumn(1, L"Data", 200);
    }
}

int DetailsView::ListIndexOf(int controlId) const {
    const int index = controlId - firstListId_;
    return index == 0 || index == 1 ? index : -1;
}

void DetailsView::Show(const ControlDetails& details) {
    Fill(details.control, 0);
    Fill(details.file, 1);
}

void DetailsView::ShowView(std::optional<RegistryView> view) {
    std::wstring caption = L"Control Information";
    if (view) caption += *view == RegistryView::Bits32 ? L" (32-bit view)" : L" (64-bit view)";
    if (caption == caption_ || !frames_[0]) return;
    caption_ = caption;
    frames_[0]->SetCaption(caption);
}

void DetailsView::Fill(const std::vector<DetailRow>& rows, int listIndex) {
    rows_[listIndex] = rows;
    const ui::ListView& list = lists_[listIndex];
    SendMessageW(list.Handle(), WM_SETREDRAW, FALSE, 0);
    list.Clear();
    for (const auto& row : rows) list.AddRow(row.element, ListImageIndex(kImageProperty), row.data);
    if (!rows.empty()) list.SelectRow(0);
    FitDataColumn(listIndex);
    SendMessageW(list.Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.Handle(), nullptr, TRUE);
}

void DetailsView::Place(const RECT& upper, const RECT& lower) {
    const RECT panes[2] = {upper, lower};
    for (int i = 0; i < 2; ++i) {
        const RECT& pane = panes[i];
        frames_[i]->Move(RECT{pane.left, pane.top, pane.left + std::max(0L, pane.right - pane.left),
                              pane.top + std::max(0L, pane.bottom - pane.top)});
        const InfoListLayout list =
            ComputeInfoListLayout(PixelsToTwipsX(pane.right - pane.left), PixelsToTwipsY(pane.bottom - pane.top),
                                  PixelsToTwipsX(lists_[i].ColumnWidth(0)));
        const bool inside = frames_[i]->Hosted();
        MoveTo(lists_[i].Handle(), list.list, inside ? 0 : pane.left, inside ? 0 : pane.top);
        if (list.dataWidth > 0) FitDataColumn(i);
    }
}

void DetailsView::FitDataColumn(int listIndex) {
    // "Data" takes the rest of the list's client width, whether or not a scroll bar shows.
    const ui::ListView& list = lists_[listIndex];
    RECT client{};
    GetClientRect(list.Handle(), &client);
    const int rest = client.right - list.ColumnWidth(0);
    if (rest > 0) list.SetColumnWidth(1, rest);
}

const DetailRow* DetailsView::SelectedRow(int listIndex) const {
    const int row = lists_[listIndex ? 1 : 0].SelectedRow();
    const std::vector<DetailRow>& rows = rows_[listIndex ? 1 : 0];
    return row >= 0 && row < static_cast<int>(rows.size()) ? &rows[static_cast<size_t>(row)] : nullptr;
}

void DetailsView::SetData(int listIndex, const std::wstring& element, const std::wstring& data) {
    std::vector<DetailRow>& rows = rows_[listIndex ? 1 : 0];
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].element != element) continue;
        rows[row].data = data;
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = const_cast<wchar_t*>(data.c_str());
        SendMessageW(List(listIndex), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return;
    }
}

void DetailsView::Serve(CommandContext& context) {
    context.selectedElement = [this] {
        const DetailRow* row = active_ == 0 ? SelectedRow(0) : nullptr;
        return row ? row->element : std::wstring();
    };
    context.showElementValue = [this](const std::wstring& element, const std::wstring& value) {
        SetData(0, element, value);
    };
}

void DetailsView::CopySelectedData(Desktop& desktop, HWND owner) const {
    const DetailRow* row = SelectedRow(active_);
    if (row && !row->data.empty()) desktop.SetClipboardText(owner, row->data);
}

void DetailsView::Enable(bool enable) {
    for (const auto& list : lists_) EnableWindow(list.Handle(), enable ? TRUE : FALSE);
}

} // namespace nivex
