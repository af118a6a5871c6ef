#include "inspect/compare_window.h"

#include <commctrl.h>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/ui/controls.h"
#include "common/ui/toolkit.h"
#include "common/paths.h"
#include "inspect/file_compare.h"
#include "common/file_exists.h"
#include "inspect/inspect_images.h"
#include "inspect/inspect_resource.h"
#include "common/path_split.h"

namespace nivex {

namespace {

constexpr int kYes = 0;
constexpr int kNo = 1;

} // namespace

frmCompare* frmCompare::Open(HWND owner, Desktop& desktop, const std::wstring& firstPath) {
    auto* window = new frmCompare(owner, desktop);
    if (!window->CreateModeless(IDD_COMPARE, owner)) {
        delete window;
        return nullptr;
    }
    window->SetBox(0, firstPath);
    ShowWindow(window->Handle(), SW_SHOW);
    return window;
}

void frmCompare::Load() {
    HWND hwnd = Handle();
    // The EtchedLine where the template keeps its place (a plain etched line without the control library).
    line_ = PlaceInDialog(GuiControlKind::EtchedLine, hwnd, IDC_COMPARE_ETCHEDLINE1, IDP_COMPARE_ETCHEDLINE1);

    browsePicture_ = MakeInspectBitmap(InspectImage::Open);
    for (int id : {IDC_COMPARE_CMDBROWSE0, IDC_COMPARE_CMDBROWSE1})
        SendMessageW(Item(id), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(browsePicture_));

    HWND list = Item(IDC_COMPARE_LVRESULTS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    const InspectImage pictures[] = {InspectImage::Yes, InspectImage::No}; // "YES", "NO"
    images_ = MakeInspectImages(pictures, 2);
    ListView_SetImageList(list, images_, LVSIL_SMALL);
    RECT client{};
    GetClientRect(list, &client);
    const int width = (client.right - client.left) / 3 - TwipsToPixelsX(50);
    const wchar_t* captions[] = {L"Element", L"Compare File", L"Compared To File"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(captions[i]);
        column.cx = width;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    Layout();
    if (owner_) EnableWindow(owner_, FALSE);
}

void frmCompare::Layout() {
    HWND hwnd = Handle();
    RECT client{};
    GetClientRect(hwnd, &client);
    const int width = client.right - TwipsToPixelsX(90);
    const int height = client.bottom - TwipsToPixelsY(1500);
    MoveWindow(Item(IDC_COMPARE_LVRESULTS), TwipsToPixelsX(45), TwipsToPixelsY(1440), width > 0 ? width : 0,
               height > 0 ? height : 0, TRUE);
    if (!line_ || !line_->Window()) return;
    const RECT line = ui::ChildRect(hwnd, line_->Window());
    HWND compare = Item(IDC_COMPARE_CMDCOMPARE);
    const RECT c = ui::ChildRect(hwnd, compare);
    const int left = (line.left + client.right) / 2 - (c.right - c.left) / 2;
    for (HWND button : {compare, Item(IDC_COMPARE_CMDCLOSE)}) {
        const RECT b = ui::ChildRect(hwnd, button);
        SetWindowPos(button, nullptr, left, b.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

void frmCompare::SetBox(int index, const std::wstring& path) {
    const int i = index == 0 ? 0 : 1;
    paths_[i] = path;
    SetWindowTextW(Item(i == 0 ? IDC_COMPARE_TXTFILE0 : IDC_COMPARE_TXTFILE1), GetFileName(path).c_str());
}

void frmCompare::Browse(int index) {
    FileDialogRequest request;
    request.owner = Handle();
    request.filter = L"ActiveX Controls (*.OCX)|*.ocx|ActiveX DLL's (*.DLL)|*.dll";
    request.title = L"Open Compare File";
    request.initialFolder = SystemFolder();
    const std::wstring chosen = desktop_.OpenFile(request);
    if (chosen == kDialogCancelled || chosen.empty()) return;
    SetBox(index, chosen);
    if (!BoxText(1).empty()) EnableWindow(Item(IDC_COMPARE_CMDCOMPARE), TRUE);
}

void frmCompare::Compare() {
    HWND list = Item(IDC_COMPARE_LVRESULTS);
    ListView_DeleteAllItems(list);
    for (int i = 0; i < 2; ++i) {
        if (!OrdinaryFileExists(paths_[i])) {
            desktop_.Message(Handle(), DoesNotExistText(BoxText(i)), L"Error", MsgButtons::Ok, MsgIcon::Critical);
            return;
        }
    }
    ui::WaitCursor wait;
    const std::vector<CompareRow> rows = CompareFiles(BoxText(0), paths_[0], BoxText(1), paths_[1]);
    for (const CompareRow& row : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = const_cast<wchar_t*>(row.element.c_str());
        item.iImage = row.same ? kYes : kNo;
        const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        ListView_SetItemText(list, at, 1, const_cast<wchar_t*>(row.first.c_str()));
        ListView_SetItemText(list, at, 2, const_cast<wchar_t*>(row.second.c_str()));
    }
}

std::wstring frmCompare::BoxText(int index) const {
    return ui::ItemText(Handle(), index == 0 ? IDC_COMPARE_TXTFILE0 : IDC_COMPARE_TXTFILE1);
}

bool frmCompare::CompareEnabled() const { return IsWindowEnabled(GetDlgItem(Handle(), IDC_COMPARE_CMDCOMPARE)) != FALSE; }

std::vector<frmCompare::ShownRow> frmCompare::Rows() const {
    HWND list = GetDlgItem(Handle(), IDC_COMPARE_LVRESULTS);
    std::vector<ShownRow> rows;
    const int count = ListView_GetItemCount(list);
    for (int r = 0; r < count; ++r) {
        ShownRow row{ui::ListView(list).Text(r, 0), ui::ListView(list).Text(r, 1), ui::ListView(list).Text(r, 2), -1};
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = r;
        if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) row.image = item.iImage;
        rows.push_back(row);
    }
    return rows;
}

INT_PTR frmCompare::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Load();
        AttachDialogHelp(Handle(), IDH_COMPARE,
                         {{IDC_COMPARE_TXTFILE0, IDH_COMPARE_FIRST}, {IDC_COMPARE_LABEL1, IDH_COMPARE_FIRST},
                          {IDC_COMPARE_TXTFILE1, IDH_COMPARE_SECOND}, {IDC_COMPARE_LABEL2, IDH_COMPARE_SECOND},
                          {IDC_COMPARE_CMDBROWSE0, IDH_COMPARE_BROWSE}, {IDC_COMPARE_CMDBROWSE1, IDH_COMPARE_BROWSE},
                          {IDC_COMPARE_CMDCOMPARE, IDH_COMPARE_RUN}, {IDC_COMPARE_LVRESULTS, IDH_COMPARE_RESULTS},
                          {IDC_COMPARE_CMDCLOSE, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_SIZE: Layout(); return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 420;
        info->ptMinTrackSize.y = 240;
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_COMPARE_CMDBROWSE0: Browse(0); return TRUE;
        case IDC_COMPARE_CMDBROWSE1: Browse(1); return TRUE;
        case IDC_COMPARE_CMDCOMPARE: Compare(); return TRUE;
        case IDC_COMPARE_CMDCLOSE:
        case IDCANCEL: Close(); return TRUE;
        default: break;
        }
        break;
    case WM_CLOSE: Close(); return TRUE;
    case WM_DESTROY:
        // The owner is enabled again before it would lose the activation to another program.
        if (owner_) EnableWindow(owner_, TRUE);
        return FALSE;
    default: break;
    }
    (void)lParam;
    return FALSE;
}

void frmCompare::OnDestroyed() {
    if (images_) ImageList_Destroy(images_);
    if (browsePicture_) DeleteObject(browsePicture_);
    delete this;
}

} // namespace nivex
