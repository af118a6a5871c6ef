#include "registration/repair_windows.h"

#include <commctrl.h>
#include <shellapi.h>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "common/winutil.h"
#include "common/path_split.h"
#include "registration/file_search.h"
#include "registration/registration_resource.h"
#include "registration/repair_operations.h"
#include "registry/settings.h"

namespace nivex {

namespace {

frmEditData* gEditData = nullptr;
frmRestoreList* gRestoreList = nullptr;
frmFindFile* gFindFile = nullptr;

// The run-time error message of the search window's procedures: number, " - ", description.
void ShowRunTimeError(Desktop& desktop, HWND owner, const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    desktop.Message(owner,
                    error ? NumberDashDescription(error->Number(), error->Description())
                          : NumberDashDescription(0, Utf8ToWide(e.what())),
                    L"", MsgButtons::Ok, MsgIcon::None);
}

int SystemIconIndex(const wchar_t* path, DWORD attributes, bool useAttributes) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (useAttributes) flags |= SHGFI_USEFILEATTRIBUTES;
    if (!SHGetFileInfoW(path, attributes, &info, sizeof(info), flags)) return 0;
    return info.iIcon;
}

HIMAGELIST SystemSmallImages() {
    SHFILEINFOW info{};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

} // namespace

// ---- Edit Data ----

frmEditData::frmEditData(Desktop& desktop, EditDataRequest request, RowUpdated rowUpdated)
    : desktop_(desktop), request_(std::move(request)), rowUpdated_(std::move(rowUpdated)) {}

frmEditData* frmEditData::Current() {
    return gEditData;
}

void frmEditData::OnDestroyed() {
    if (gEditData == this) gEditData = nullptr;
}

INT_PTR frmEditData::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        gEditData = this;
        AttachDialogHelp(Handle(), IDH_EDITDATA,
                         {{IDC_LBLELEMENT, IDH_EDITDATA_ELEMENT}, {IDC_EDITDATA_ELEMENT_CAPTION, IDH_EDITDATA_ELEMENT},
                          {IDC_TXTDATA, IDH_EDITDATA_DATA}, {IDC_EDITDATA_DATA_CAPTION, IDH_EDITDATA_DATA},
                          {IDOK, IDH_BUTTON_OK}, {IDCANCEL, IDH_BUTTON_CANCEL}});
        SetWindowTextW(Handle(), (L"Edit Data - " + request_.controlName).c_str());
        SetDlgItemTextW(Handle(), IDC_LBLELEMENT, request_.element.c_str());
        // The stored text, not the shown one: an expandable value keeps its references. An absent value
        // starts empty.
        oldValue_ = request_.element == kElementClsid
                        ? request_.classId
                        : ReadElementValue(request_.classId, request_.element, nullptr, request_.view);
        SetDlgItemTextW(Handle(), IDC_TXTDATA, oldValue_.c_str());
        const bool readOnly = request_.element == kElementStatus || request_.element == kElementClsid;
        EnableWindow(GetDlgItem(Handle(), IDC_TXTDATA), !readOnly);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk();
            return TRUE;
        case IDCANCEL:
            Close(IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void frmEditData::OnOk() {
    const std::wstring text = ui::ItemText(Handle(), IDC_TXTDATA);
    if (text == oldValue_) {
        Close(IDCANCEL);
        return;
    }
    if (SettingNumber(kSectionDialogs, kKeyEditRegistryData) == 0) {
        const MsgAnswer answer =
            desktop_.Message(Handle(), kEditWarningText, L"Warning", MsgButtons::YesNo, MsgIcon::Critical);
        if (answer != MsgAnswer::Yes) return;
    }
    if (!EditDataKeyPath(request_.element, request_.classId)) {
        Close(IDCANCEL); // an element that is not stored: nothing to write
        return;
    }
    const EditResult result =
        WriteElementValue(request_.classId, request_.element, text, desktop_, Handle(), Elevation::Ask, request_.view);
    if (!result.ok) {
        // The dialog stays open with the text kept, so the user can try again or cancel.
        desktop_.Message(Handle(), result.error, L"Edit Data", MsgButtons::Ok, MsgIcon::Critical);
        SetFocus(GetDlgItem(Handle(), IDC_TXTDATA));
        return;
    }
    written_ = true;
    if (rowUpdated_) rowUpdated_(request_.element, result.value);
    Close(IDOK);
}

bool EditDataCommand(HWND owner, Desktop& desktop, const EditDataRequest& request, const RowUpdated& rowUpdated) {
    if (request.element == kElementStatus) {
        MessageBeep(MB_OK);
        return false;
    }
    frmEditData dialog(desktop, request, rowUpdated);
    dialog.RunModal(IDD_EDITDATA, owner);
    if (owner) SetFocus(owner);
    return dialog.Written();
}

// ---- Restore Registry Keys ----

frmRestoreList::frmRestoreList(Desktop& desktop) : desktop_(desktop) {}

frmRestoreList* frmRestoreList::Current() {
    return gRestoreList;
}

void frmRestoreList::OnDestroyed() {
    if (gRestoreList == this) gRestoreList = nullptr;
}

INT_PTR frmRestoreList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        gRestoreList = this;
        HWND list = Item(IDC_LVBACKUPS);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        const std::pair<const wchar_t*, int> columns[] = {{L"Time", 140}, {L"Operation", 160}, {L"Control", 200}};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(columns[i].first);
            column.cx = columns[i].second;
            ListView_InsertColumn(list, i, &column);
        }
        ListView_SetColumnWidth(list, 2, LVSCW_AUTOSIZE_USEHEADER); // the rest of the width
        Fill();
        SetFocus(list);
        return FALSE; // the focus is set
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_LVBACKUPS) break;
        if (header->code == LVN_ITEMCHANGED) UpdateButtons();
        if (header->code == NM_DBLCLK && SelectedIndex() >= 0) OnRestore();
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: // Enter in the list
        case IDC_CMDRESTORE:
            OnRestore();
            return TRUE;
        case IDC_CMDOPENFOLDER:
            try {
                CreateFolderPath(BackupFolder());
            } catch (const Error&) {
                // Explorer then says the folder is missing.
            }
            desktop_.Execute(Handle(), L"open", BackupFolder(), L"");
            return TRUE;
        case IDC_CMDDELETEBACKUP:
            OnDelete();
            return TRUE;
        case IDC_CMDBROWSEBACKUP:
            if (RestoreRegistryKeysCommand(Handle(), desktop_)) {
                restored_ = true;
                Close(IDOK);
            }
            return TRUE;
        case IDCANCEL:
            Close(IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void frmRestoreList::Fill() {
    HWND list = Item(IDC_LVBACKUPS);
    ListView_DeleteAllItems(list);
    entries_ = ListBackups(BackupFolder());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const BackupEntry& entry = entries_[i];
        const std::wstring texts[] = {entry.time, entry.operation.empty() ? L"(not a Nivex backup)" : entry.operation,
                                      entry.operation.empty() ? GetFileName(entry.path) : entry.control};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(texts[0].c_str());
        const int row = ListView_InsertItem(list, &item);
        for (int column = 1; column < 3; ++column)
            ListView_SetItemText(list, row, column, const_cast<wchar_t*>(texts[column].c_str()));
    }
    if (!entries_.empty()) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    UpdateButtons();
}

int frmRestoreList::SelectedIndex() const {
    const int row = ListView_GetNextItem(Item(IDC_LVBACKUPS), -1, LVNI_SELECTED);
    return row >= 0 && static_cast<size_t>(row) < entries_.size() ? row : -1;
}

void frmRestoreList::UpdateButtons() {
    const bool chosen = SelectedIndex() >= 0;
    EnableWindow(Item(IDC_CMDRESTORE), chosen);
    EnableWindow(Item(IDC_CMDDELETEBACKUP), chosen);
}

void frmRestoreList::OnRestore() {
    const int index = SelectedIndex();
    if (index < 0) return;
    if (RestoreBackupFile(Handle(), desktop_, entries_[static_cast<size_t>(index)].path)) {
        restored_ = true;
        Close(IDOK);
    }
}

void frmRestoreList::OnDelete() {
    const int index = SelectedIndex();
    if (index < 0) return;
    const std::wstring path = entries_[static_cast<size_t>(index)].path;
    // A backup may be the only copy of what an operation deleted: never without asking.
    if (desktop_.Message(Handle(), L"Delete this backup? The keys it holds can then no longer be restored.\n" + path,
                         L"Delete Backup", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    if (!DeleteFileW(path.c_str())) {
        desktop_.Message(Handle(), L"Cannot delete " + path + L":\n" + SystemErrorText(GetLastError()),
                         L"Delete Backup", MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    Fill();
    const int rows = static_cast<int>(entries_.size());
    if (rows > 0) {
        const int row = index < rows ? index : rows - 1;
        ListView_SetItemState(Item(IDC_LVBACKUPS), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    SetFocus(Item(IDC_LVBACKUPS));
}

bool RestoreListCommand(HWND owner, Desktop& desktop) {
    frmRestoreList window(desktop);
    window.RunModal(IDD_RESTORELIST, owner);
    if (owner) SetFocus(owner);
    return window.Restored();
}

// ---- Find Missing File ----

class FindFileObserver final : public SearchObserver {
public:
    explicit FindFileObserver(frmFindFile& window) : window_(window) {}
    bool KeepGoing() override {
        const DWORD now = GetTickCount();
        // Messages run at most every 40 ms: often enough to stay responsive, rarely enough to cost nothing.
        if (now - lastPump_ >= 40) {
            lastPump_ = now;
            if (!folder_.empty()) SetDlgItemTextW(window_.Handle(), IDC_LBLSEARCHSTATUS, folder_.c_str());
            window_.Pump();
        }
        if (window_.stopRequested_) {
            SetDlgItemTextW(window_.Handle(), IDC_LBLSEARCHSTATUS, L"Aborting...");
            return false;
        }
        return true;
    }
    void FolderEntered(const std::wstring& folder) override { folder_ = folder; }
    void Found(const std::wstring& path, const std::wstring& name, const std::wstring& folder) override {
        window_.AddResult(path, name, folder);
    }

private:
    frmFindFile& window_;
    std::wstring folder_;
    DWORD lastPump_ = GetTickCount();
};

frmFindFile::frmFindFile(Desktop& desktop) : desktop_(desktop) {
    // The look-in list is an image combo.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

frmFindFile::~frmFindFile() {
    if (gFindFile == this) gFindFile = nullptr;
}

frmFindFile* frmFindFile::Current() {
    return gFindFile;
}

void frmFindFile::OnDestroyed() {
    if (gFindFile == this) gFindFile = nullptr;
}

void frmFindFile::SetupFind(const std::wstring& sFind, const std::wstring& sLib) {
    try {
        wanted_ = GetFileName(sFind);
        library_ = sLib;
        searchFolder_ = SystemFolder();
        stopRequested_ = false;
        if (!Handle()) return; // the window fills its controls when it opens
        SetDlgItemTextW(Handle(), IDC_LBLSEARCHFILE, (L"Searching for " + wanted_ + L"...").c_str());
        FillLookIn();
        SelectLookIn(0);
    } catch (const std::exception& e) {
        ShowRunTimeError(desktop_, Handle(), e);
    }
}

void frmFindFile::FillLookIn() {
    SendDlgItemMessageW(Handle(), IDC_CBOLOOKIN, CB_RESETCONTENT, 0, 0);
    lookIn_.clear();
    AddLookIn({L"SYSTEM", SystemFolder(), imageFolder_});
    AddLookIn({L"APPDRIVE", VolumeRoot(ProgramFolder()), imageHardDisk_});
    for (int i = 1; i <= kRecentCount; ++i) {
        const std::wstring folder = ReadSetting(kSectionData, RecentKey(kKeyRecentFindFolders, i));
        if (!folder.empty()) AddLookIn({folder, folder, imageFolder_});
    }
}

void frmFindFile::AddLookIn(const LookInEntry& entry) {
    lookIn_.push_back(entry);
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = -1;
    item.pszText = const_cast<wchar_t*>(lookIn_.back().text.c_str());
    item.iImage = item.iSelectedImage = entry.image;
    SendDlgItemMessageW(Handle(), IDC_CBOLOOKIN, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void frmFindFile::SelectLookIn(int index) {
    SendDlgItemMessageW(Handle(), IDC_CBOLOOKIN, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    OnLookInChanged();
}

void frmFindFile::OnLookInChanged() {
    const LRESULT index = SendDlgItemMessageW(Handle(), IDC_CBOLOOKIN, CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= lookIn_.size()) return;
    const std::wstring& key = lookIn_[static_cast<size_t>(index)].key;
    if (key == L"SYSTEM")
        searchFolder_ = SystemFolder();
    else if (key == L"APPDRIVE")
        searchFolder_ = VolumeRoot(ProgramFolder());
    else
        searchFolder_ = key;
}

void frmFindFile::OnBrowse() {
    std::wstring folder =
        CutAtNul(desktop_.BrowseFolder(Handle(), L"Please choose the folder in which to search for " + wanted_));
    if (folder.empty()) return;
    folder = FolderWithBackslash(folder);
    size_t found = lookIn_.size();
    for (size_t i = 0; i < lookIn_.size(); ++i)
        if (lookIn_[i].key != L"SYSTEM" && lookIn_[i].key != L"APPDRIVE" && EqualsNoCase(lookIn_[i].key, folder))
            found = i;
    if (found == lookIn_.size()) {
        RecentFolders recent;
        for (int i = 1; i <= kRecentCount; ++i)
            recent[static_cast<size_t>(i - 1)] = ReadSetting(kSectionData, RecentKey(kKeyRecentFindFolders, i));
        if (AddRecentFolder(recent, folder)) {
            for (int i = 1; i <= kRecentCount; ++i)
                SaveSetting(kSectionData, RecentKey(kKeyRecentFindFolders, i), recent[static_cast<size_t>(i - 1)]);
        }
        AddLookIn({folder, folder, imageFolder_});
    }
    SelectLookIn(static_cast<int>(found));
    searchFolder_ = folder;
}

void frmFindFile::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            stopRequested_ = true;
            return;
        }
        // Keys of this window (Esc, Tab, the buttons' letters) work during the search too.
        if (Handle() && IsDialogMessageW(Handle(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void frmFindFile::AddResult(const std::wstring& path, const std::wstring& name, const std::wstring& folder) {
    HWND list = Item(IDC_LVFOUND);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(resultKeys_.size());
    item.pszText = const_cast<wchar_t*>(name.c_str());
    item.iImage = imageControl_;
    const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(folder.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
    resultKeys_.push_back(path);
}

void frmFindFile::OnSearch() {
    if (searching_) return;
    // Searching from here on: a close or Stop that arrives while messages run stops, never destroys.
    searching_ = true;
    stopRequested_ = false;
    try {
        Pump();
        EnableWindow(Item(IDC_CMDCHOOSEFILE), FALSE);
        EnableWindow(Item(IDC_CMDSEARCH), FALSE);
        SetDlgItemTextW(Handle(), IDC_CMDCANCEL, L"Stop");
        SetDlgItemTextW(Handle(), IDC_LBLSEARCHFILE, (L"Searching for " + wanted_ + L"...").c_str());
        SendDlgItemMessageW(Handle(), IDC_LVFOUND, LVM_DELETEALLITEMS, 0, 0);
        resultKeys_.clear();
        SetDlgItemTextW(Handle(), IDC_LBLSEARCHSTATUS, searchFolder_.c_str());
        FindFileObserver observer(*this);
        const bool recursive = IsDlgButtonChecked(Handle(), IDC_CHKRECURSIVE) == BST_CHECKED;
        SearchFiles(searchFolder_, wanted_, recursive, observer);
    } catch (const std::exception& e) {
        ShowRunTimeError(desktop_, Handle(), e);
    }
    searching_ = false;
    if (!Handle()) return;
    SetDlgItemTextW(Handle(), IDC_LBLSEARCHSTATUS, (std::to_wstring(resultKeys_.size()) + L" File(s) found.").c_str());
    SetDlgItemTextW(Handle(), IDC_LBLSEARCHFILE, (L"Finished Searching for " + wanted_ + L".").c_str());
    EnableWindow(Item(IDC_CMDSEARCH), TRUE);
    SetDlgItemTextW(Handle(), IDC_CMDCANCEL, L"&Close");
    if (!resultKeys_.empty()) {
        EnableWindow(Item(IDC_CMDCHOOSEFILE), TRUE);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendDlgItemMessageW(Handle(), IDC_LVFOUND, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
}

void frmFindFile::OnChooseFile() {
    const int selected = static_cast<int>(
        SendDlgItemMessageW(Handle(), IDC_LVFOUND, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected < 0 || static_cast<size_t>(selected) >= resultKeys_.size()) return;
    if (SettingNumber(kSectionDialogs, kKeyFoundMissingFile) == 0) {
        const MsgAnswer answer = desktop_.Message(Handle(), kConfirmReRegistrationText, kConfirmReRegistrationTitle,
                                                  MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgAnswer::Yes) {
            Close(IDCANCEL);
            return;
        }
    }
    chosen_ = resultKeys_[static_cast<size_t>(selected)];
    Close(IDOK);
}

void frmFindFile::OnCancelButton() {
    if (searching_)
        stopRequested_ = true; // the search notices before its next entry
    else
        Close(IDCANCEL);
}

void frmFindFile::RequestClose() {
    // The close box, Alt+F4 and Esc stop a running search instead of destroying the window under it.
    if (searching_)
        stopRequested_ = true;
    else
        Close(IDCANCEL);
}

void frmFindFile::OnInit() {
    gFindFile = this;
    HIMAGELIST images = SystemSmallImages();
    imageFolder_ = SystemIconIndex(L"folder", FILE_ATTRIBUTE_DIRECTORY, true);
    imageHardDisk_ = SystemIconIndex(VolumeRoot(ProgramFolder()).c_str(), 0, false);
    imageControl_ = SystemIconIndex(L"control.ocx", FILE_ATTRIBUTE_NORMAL, true);
    if (images) SendDlgItemMessageW(Handle(), IDC_CBOLOOKIN, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));

    HWND list = Item(IDC_LVFOUND);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (images) SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    RECT client{};
    GetClientRect(list, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    const wchar_t* titles[] = {L"Filename", L"Location"};
    const int widths[] = {width * 2 / 5, width - width * 2 / 5};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(titles[i]);
        column.cx = widths[i];
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    CheckDlgButton(Handle(), IDC_CHKRECURSIVE, BST_UNCHECKED);
    SetupFind(wanted_, library_); // the name given before the window opened
}

INT_PTR frmFindFile::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        AttachDialogHelp(Handle(), IDH_FINDFILE,
                         {{IDC_LBLSEARCHFILE, IDH_FINDFILE_WANTED}, {IDC_LBLSEARCHSTATUS, IDH_FINDFILE_STATUS},
                          {IDC_LVFOUND, IDH_FINDFILE_RESULTS}, {IDC_CMDCHOOSEFILE, IDH_FINDFILE_SELECT},
                          {IDC_CMDSEARCH, IDH_FINDFILE_SEARCH}, {IDC_CMDCANCEL, IDH_FINDFILE_CLOSE},
                          {IDC_FRASEARCHIN, IDH_FINDFILE_LOOKIN}, {IDC_CBOLOOKIN, IDH_FINDFILE_LOOKIN},
                          {IDC_CMDBROWSE, IDH_FINDFILE_BROWSE}, {IDC_CHKRECURSIVE, IDH_FINDFILE_RECURSIVE}});
        return TRUE;
    case WM_CLOSE:
        RequestClose();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
            RequestClose();
            return TRUE;
        case IDOK:
            return TRUE; // Enter outside a button does nothing
        case IDC_CMDCANCEL:
            OnCancelButton();
            return TRUE;
        case IDC_CMDSEARCH:
            OnSearch();
            return TRUE;
        case IDC_CMDCHOOSEFILE:
            if (!searching_) OnChooseFile();
            return TRUE;
        case IDC_CMDBROWSE:
            if (!searching_) OnBrowse();
            return TRUE;
        case IDC_CBOLOOKIN:
            if (ui::ChildNotification(message, wParam, lParam).Code() == CBN_SELCHANGE) OnLookInChanged();
            return TRUE;
        }
        break;
    }
    return FALSE;
}

std::wstring ShowFindFile(HWND owner, Desktop& desktop, const std::wstring& missingPath,
                          const std::wstring& libraryId) {
    frmFindFile window(desktop);
    window.SetupFind(missingPath, libraryId);
    window.RunModal(IDD_FINDFILE, owner);
    if (owner) SetFocus(owner);
    return window.Chosen();
}

CatalogueChange FindMissingFileCommand(Catalogue& catalogue, const std::wstring& missingPath,
                                       const std::wstring& libraryKey, HWND owner, Desktop& desktop,
                                       OutcomeDisplay& display, const StatusText& status, RegistryView view) {
    const std::wstring chosen = ShowFindFile(owner, desktop, missingPath, libraryKey);
    if (chosen.empty()) return CatalogueChange::None;
    return RelinkCommand(catalogue, chosen, libraryKey, owner, desktop, display, status, view);
}

} // namespace nivex
