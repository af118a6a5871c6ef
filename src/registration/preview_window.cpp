#include "registration/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/error.h"
#include "common/path_split.h"
#include "common/paths.h"
#include "common/ui/controls.h"
#include "common/ui/toolkit.h"
#include "registration/reg_backup.h"
#include "registration/reg_engine.h"
#include "registration/registration_commands.h"
#include "registration/registration_resource.h"

namespace nivex {

namespace {

std::wstring Marked(CaptureMark mark, const std::wstring& text) { return L"[" + std::wstring(MarkText(mark)) + L"] " + text; }

} // namespace

frmPreviewRegistration* frmPreviewRegistration::Open(HWND owner, Desktop& desktop, const std::wstring& file,
                                                     HostReport report) {
    auto* window = new frmPreviewRegistration(owner, desktop, file, std::move(report));
    if (!window->CreateModeless(IDD_PREVIEWREG, owner)) {
        delete window;
        return nullptr;
    }
    window->Fill();
    ShowWindow(window->Handle(), SW_SHOW);
    return window;
}

void frmPreviewRegistration::Load() {
    Layout();
    if (owner_) EnableWindow(owner_, FALSE);
}

void frmPreviewRegistration::Layout() {
    HWND hwnd = Handle();
    RECT client{};
    GetClientRect(hwnd, &client);
    const RECT tree = ui::ChildRect(hwnd, Item(IDC_TVPREVIEW));
    const RECT close = ui::ChildRect(hwnd, Item(IDCANCEL));
    const RECT exportButton = ui::ChildRect(hwnd, Item(IDC_PREVIEW_EXPORT));
    const int margin = tree.left;
    const int buttonHeight = close.bottom - close.top, buttonWidth = close.right - close.left;
    const int buttonTop = client.bottom - margin - buttonHeight;
    const int gap = close.left - exportButton.right;
    MoveWindow(Item(IDC_TVPREVIEW), margin, tree.top, client.right - 2 * margin,
               std::max(0, static_cast<int>(buttonTop - margin - tree.top)), TRUE);
    for (int id : {IDC_PREVIEW_FILE, IDC_PREVIEW_SUMMARY}) {
        const RECT r = ui::ChildRect(hwnd, Item(id));
        MoveWindow(Item(id), r.left, r.top, client.right - margin - r.left, r.bottom - r.top, TRUE);
    }
    MoveWindow(Item(IDCANCEL), client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(Item(IDC_PREVIEW_EXPORT), client.right - margin - 2 * buttonWidth - gap, buttonTop, buttonWidth,
               buttonHeight, TRUE);
}

void frmPreviewRegistration::Fill() {
    const CaptureCounts counts = CountMarks(report_.keys);
    SetWindowTextW(Item(IDC_PREVIEW_FILE),
                   (GetFileName(file_) + L" would write into " + RegistryViewText(report_.machine) + L":").c_str());
    std::wstring summary = std::to_wstring(counts.keys) + L" keys: " + std::to_wstring(counts.added) + L" new, " +
                           std::to_wstring(counts.changed) + L" changed, " + std::to_wstring(counts.same) +
                           L" same. The registry has not been changed.";
    if (report_.result.outcome != RegOutcome::Completed)
        summary = L"DllRegisterServer failed after writing these keys. " + summary;
    SetWindowTextW(Item(IDC_PREVIEW_SUMMARY), summary.c_str());
    EnableWindow(Item(IDC_PREVIEW_EXPORT), report_.result.outcome == RegOutcome::Completed && !report_.keys.empty());

    ui::TreeView tree(Item(IDC_TVPREVIEW));
    SendMessageW(tree.Handle(), WM_SETREDRAW, FALSE, 0);
    tree.Clear();
    // Keys come parents first: each goes under the item of the path before its last backslash, the roots
    // at the top.
    std::map<std::wstring, HTREEITEM> items;
    for (const CapturedKey& key : report_.keys) {
        const std::wstring& path = key.written.path;
        const size_t cut = path.rfind(L'\\');
        const std::wstring parentPath = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
        HTREEITEM parent = TVI_ROOT;
        if (!parentPath.empty()) {
            auto found = items.find(parentPath);
            if (found == items.end()) // a root, not written itself
                found = items.emplace(parentPath, tree.Add(TVI_ROOT, parentPath, 0, 0, false)).first;
            parent = found->second;
        }
        const CaptureMark mark = KeyMark(key);
        HTREEITEM item = tree.Add(parent, Marked(mark, path.substr(cut + 1)), 0, 0, mark != CaptureMark::Same);
        items[path] = item;
        for (const RegFileValue& v : key.written.values)
            tree.Add(item, Marked(ValueMark(v, key), ValueNameText(v) + L"  " + ValueTypeName(v.type) + L"  " +
                                                          ValueDataText(v)),
                     0, 0, false);
    }
    for (const auto& [path, item] : items) tree.Expand(item, true);
    SendMessageW(tree.Handle(), WM_SETREDRAW, TRUE, 0);
    if (HTREEITEM first = tree.Root()) TreeView_EnsureVisible(tree.Handle(), first);
}

bool frmPreviewRegistration::Export() {
    FileDialogRequest request;
    request.owner = Handle();
    request.filter = L"Registration Files (*.reg)|*.reg";
    request.title = L"Export Registration";
    request.defaultExt = L"reg";
    const std::wstring chosen = desktop_.SaveFile(request);
    if (chosen == kDialogCancelled || chosen.empty()) return false;
    std::vector<RegFileKey> keys;
    for (const CapturedKey& key : report_.keys) keys.push_back(key.written);
    try {
        WriteRegFile(chosen, keys);
    } catch (const Error& e) {
        desktop_.Message(Handle(), e.Description(), L"Export Registration", MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    return true;
}

std::vector<std::wstring> frmPreviewRegistration::TreeLines() const {
    ui::TreeView tree(GetDlgItem(Handle(), IDC_TVPREVIEW));
    std::vector<std::wstring> lines;
    // Depth first, in the order shown.
    std::vector<std::pair<HTREEITEM, int>> stack;
    for (HTREEITEM item = tree.Root(); item; item = tree.Next(item)) stack.emplace_back(item, 0);
    std::reverse(stack.begin(), stack.end());
    while (!stack.empty()) {
        const auto [item, depth] = stack.back();
        stack.pop_back();
        lines.push_back(std::wstring(2 * static_cast<size_t>(depth), L' ') + tree.Text(item));
        std::vector<std::pair<HTREEITEM, int>> children;
        for (HTREEITEM child = tree.Child(item); child; child = tree.Next(child)) children.emplace_back(child, depth + 1);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return lines;
}

std::wstring frmPreviewRegistration::SummaryText() const { return ui::ItemText(Handle(), IDC_PREVIEW_SUMMARY); }

INT_PTR frmPreviewRegistration::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Load();
        AttachDialogHelp(Handle(), IDH_PREVIEWREG,
                         {{IDC_TVPREVIEW, IDH_PREVIEWREG_TREE}, {IDC_PREVIEW_SUMMARY, IDH_PREVIEWREG_TREE},
                          {IDC_PREVIEW_EXPORT, IDH_PREVIEWREG_EXPORT}, {IDCANCEL, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_SIZE: Layout(); return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 360;
        info->ptMinTrackSize.y = 220;
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PREVIEW_EXPORT: Export(); return TRUE;
        case IDCANCEL: Close(); return TRUE;
        default: break;
        }
        break;
    case WM_CLOSE: Close(); return TRUE;
    case WM_DESTROY:
        if (owner_) EnableWindow(owner_, TRUE);
        return FALSE;
    default: break;
    }
    return FALSE;
}

void frmPreviewRegistration::OnDestroyed() { delete this; }

void PreviewRegistrationCommand(HWND owner, Desktop& desktop) {
    FileDialogRequest request;
    request.owner = owner;
    request.filter = kControlFileFilter;
    request.title = kPreviewTitle;
    request.initialFolder = SystemFolder();
    const std::wstring chosen = desktop.OpenFile(request);
    if (chosen == kDialogCancelled || chosen.empty()) return;
    const std::wstring file = AbsolutePath(chosen);
    HostReport report;
    {
        ui::WaitCursor wait;
        EngineOptions options;
        options.desktop = &desktop;
        options.owner = owner;
        report = CaptureServerRegistration(file, options);
    }
    if (report.result.outcome != RegOutcome::Completed && report.keys.empty()) {
        desktop.Message(owner,
                        L"The dry run of " + GetFileName(file) + L" failed.\n" +
                            ReasonFor(report.result, kModeRegister, file),
                        kPreviewTitle, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    frmPreviewRegistration::Open(owner, desktop, file, std::move(report));
}

} // namespace nivex
