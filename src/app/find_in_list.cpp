#include "app/find_in_list.h"

#include <vector>

#include "app/resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/ui/controls.h"
#include "common/ui/toolkit.h"
#include "common/desktop.h"
#include "common/error.h"
#include "registry/settings.h"

namespace nivex {

RecentTexts FindInListDialog::LoadRecentTexts() {
    RecentTexts recent;
    for (int i = 0; i < kRecentCount; ++i) recent[static_cast<size_t>(i)] = ReadSetting(kSectionData, RecentKey(kKeyRecentFindString, i + 1));
    return recent;
}

void FindInListDialog::Open(HWND owner) {
    owner_ = owner;
    if (Handle()) {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        return;
    }
    CreateModeless(IDD_FINDINLIST, owner);
    if (!Handle()) return;
    // Centred over the main window, so it does not cover the start of the tree.
    RECT own{}, main{};
    GetWindowRect(Handle(), &own);
    if (owner && GetWindowRect(owner, &main)) {
        const int x = main.left + ((main.right - main.left) - (own.right - own.left)) / 2;
        const int y = main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2;
        SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(Handle(), SW_SHOW);
}

std::wstring FindInListDialog::SearchText() const {
    return ui::ItemText(Handle(), IDC_FIND_TXTFIND);
}

void FindInListDialog::SetSearchText(const std::wstring& text) {
    if (!Handle()) return;
    SetDlgItemTextW(Handle(), IDC_FIND_TXTFIND, text.c_str());
    UpdateFindButton(text);
}

void FindInListDialog::SetFlags(bool typeLib, bool control) {
    if (!Handle()) return;
    CheckDlgButton(Handle(), IDC_FIND_CHKTYPELIB, typeLib ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_FIND_CHKCONTROL, control ? BST_CHECKED : BST_UNCHECKED);
}

std::vector<std::wstring> FindInListDialog::ListEntries() const {
    std::vector<std::wstring> entries;
    if (!Handle()) return entries;
    HWND combo = GetDlgItem(Handle(), IDC_FIND_TXTFIND);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length < 0 ? 0 : length));
        entries.push_back(text);
    }
    return entries;
}

bool FindInListDialog::FindNextEnabled() const {
    return Handle() && IsWindowEnabled(GetDlgItem(Handle(), IDC_FIND_CMDSEARCH));
}

void FindInListDialog::UpdateFindButton(const std::wstring& text) {
    EnableWindow(GetDlgItem(Handle(), IDC_FIND_CMDSEARCH), text.empty() ? FALSE : TRUE);
}

void FindInListDialog::RebuildList() {
    HWND combo = GetDlgItem(Handle(), IDC_FIND_TXTFIND);
    const std::wstring kept = SearchText();
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SetWindowTextW(combo, kept.c_str());
    for (const auto& entry : RecentListEntries(LoadRecentTexts()))
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    UpdateFindButton(kept);
}

void FindInListDialog::FindNext() {
    if (!Handle()) return;
    const std::wstring text = SearchText();
    if (text.empty()) return;
    if (search_)
        search_(text, IsDlgButtonChecked(Handle(), IDC_FIND_CHKTYPELIB) == BST_CHECKED,
                IsDlgButtonChecked(Handle(), IDC_FIND_CHKCONTROL) == BST_CHECKED);
    if (!Handle()) return;
    // The drop-down holds the stored texts, so "already listed" compares with those.
    RecentTexts recent = LoadRecentTexts();
    if (RememberSearchText(recent, text)) {
        try {
            for (int i = kRecentCount; i >= 1; --i)
                SaveSetting(kSectionData, RecentKey(kKeyRecentFindString, i), recent[static_cast<size_t>(i - 1)]);
        } catch (const Error& e) {
            desktop_.Message(Handle(), ErrorInMessage(L"cmdSearch_Click", e), L"Find in List...", MsgButtons::Ok,
                             MsgIcon::Critical);
        }
        RebuildList();
    }
}

void FindInListDialog::CloseWindow() {
    HWND owner = owner_;
    Close();
    if (owner && IsWindow(owner)) SetFocus(owner);
}

INT_PTR FindInListDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        etchedLine1_ = PlaceInDialog(GuiControlKind::EtchedLine, Handle(), IDC_FIND_ETCHEDLINE1, IDP_FIND_ETCHEDLINE1);
        CheckDlgButton(Handle(), IDC_FIND_CHKTYPELIB, BST_UNCHECKED);
        CheckDlgButton(Handle(), IDC_FIND_CHKCONTROL, BST_CHECKED);
        SendDlgItemMessageW(Handle(), IDC_FIND_TXTFIND, CB_LIMITTEXT, 255, 0);
        RebuildList();
        AttachDialogHelp(Handle(), IDH_FINDINLIST,
                         {{IDC_FIND_TXTFIND, IDH_FIND_TEXT}, {IDC_FIND_LABEL1, IDH_FIND_TEXT},
                          {IDC_FIND_CHKTYPELIB, IDH_FIND_TYPELIB}, {IDC_FIND_CHKCONTROL, IDH_FIND_CONTROL},
                          {IDC_FIND_CMDSEARCH, IDH_FIND_NEXT}, {IDC_FIND_COMMAND2, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_COMMAND: {
        const ui::ChildNotification note(message, wParam, lParam);
        if (note.IsFrom(IDC_FIND_TXTFIND)) {
            if (note.Code() == CBN_EDITCHANGE || note.Code() == CBN_EDITUPDATE) {
                UpdateFindButton(SearchText());
            } else if (note.Code() == CBN_SELCHANGE) {
                // The edit shows the chosen entry only after this notification.
                HWND combo = GetDlgItem(Handle(), IDC_FIND_TXTFIND);
                const bool entryChosen = SendMessageW(combo, CB_GETCURSEL, 0, 0) >= 0; // entries are never empty
                EnableWindow(GetDlgItem(Handle(), IDC_FIND_CMDSEARCH), entryChosen || !SearchText().empty());
            }
            return TRUE;
        }
        if (note.IsFrom(IDC_FIND_CMDSEARCH) || note.IsFrom(IDOK)) {
            if (FindNextEnabled()) FindNext();
            return TRUE;
        }
        if (note.IsFrom(IDC_FIND_COMMAND2) || note.IsFrom(IDCANCEL)) {
            CloseWindow();
            return TRUE;
        }
        return FALSE;
    }
    case WM_CLOSE:
        CloseWindow();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace nivex
