#include "app/options_dialog.h"

#include <shellapi.h>
#include <uxtheme.h>

#include <cwchar>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/desktop.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "common/path_split.h"
#include "app/options_resource.h"
#include "registry/settings.h"
#include "registry/shell_integration.h"

namespace nivex {

namespace {

std::unique_ptr<frmOptions> current;
std::wstring searchRoot = L"C:\\Program Files\\";

struct GeneralBox {
    int index; // chkGeneral(index)
    const wchar_t* section;
    const wchar_t* key;
};
// In the order OK saves them.
const GeneralBox kGeneralBoxes[] = {
    {0, kSectionOptions, kKeyShowSplash},     {1, kSectionAppearence, kKeyToolbarCaptions},
    {3, kSectionOptions, kKeyIntegrateShell}, {4, kSectionOptions, kKeyMinimizeToTray},
    {5, kSectionOptions, kKeyTipOfTheDay},    {6, kSectionOptions, kKeyPlaySounds},
};
constexpr int kIntegrateShellBox = 3;

const int kGeneralFrame[] = {IDC_CHKGENERAL_0, IDC_CHKGENERAL_1, IDC_CHKGENERAL_3,
                             IDC_CHKGENERAL_4, IDC_CHKGENERAL_5, IDC_CHKGENERAL_6};
const int kDialogsFrame[] = {IDC_OPT_FRADIALOG,  IDC_LSTDIALOGS,      IDC_OPT_FRAMESSAGE,
                             IDC_LBLMESSAGE,     IDC_OPT_ACTIONLABEL, IDC_CBOACTIONS};
const int kBrowserFrame[] = {IDC_OPT_FRABROWSER,     IDC_LVBROWSERS, IDC_CMDBROWSER,
                             IDC_OPT_BROWSERCAPTION, IDC_LBLBROWSER, IDC_OPT_BROWSERNOTE};

const wchar_t* const kIconKeys[] = {L"IE", L"N4", L"N6", L"PROGRAM"};

std::wstring WindowsLineBreaks(const std::wstring& text) { return ReplaceAll(text, L"\n", L"\r\n"); }

int TextWidth(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

void ShowError(Desktop& desktop, HWND owner, const std::wstring& procedure, long number,
               const std::wstring& description) {
    desktop.Message(owner, ErrorInMessage(procedure, number, description), L"Options", MsgButtons::Ok,
                    MsgIcon::Critical);
}

} // namespace

const std::vector<DialogEntry>& DialogEntries() {
    static const std::vector<DialogEntry> entries = {
        {L"Register: File not in System folder",
         kKeyRegisterNonSysPath,
         {L"Prompt me for what to do. [default]", L"Register control in it's current location.",
          L"Copy control to System folder, then register it."},
         L"You have chosen to register a control that does not reside\nin the System folder. Do you want to copy the "
         L"file to the\nSystem folder before registering?"},
        {L"Unregister: Delete file from hard drive",
         kKeyUnregisterDelete,
         {L"Prompt me for what to do. [default]", L"Unregister only; keep file on hard drive.",
          L"Unregister and delete; completely delete file."},
         L"You are about to unregister a control. Nivex can also delete\nthe file from your hard drive, but it is not "
         L"recomended.\n\nDo you want to keep the file?\n(Note: You will not be able to recover the file)"},
        {L"Change Data: Modify registry values",
         kKeyEditRegistryData,
         {L"Display a warning dialog. [default]", L"Perform operation without warning."},
         L"You are about to modify the registry data pertaining to an\nActiveX control. In some cases, this can cause "
         L"unpredictable\nresults, repairable only be reinstalling that control.\nRecomended for ADVANCED USERS ONLY. "
         L"Are you sure you \nwant to modify the registry data?"},
        {L"File Found: Control re-register confirmation",
         kKeyFoundMissingFile,
         {L"Display confirmation dialog. [default]", L"Perform operation without confirmation."},
         L"Nivex will now delete the registry data for the selected\ncontrol and then re-register the control. Are you "
         L"sure this\nis what you want to do?"},
        {L"Delete Keys: Deleteall registry keys confirmation",
         kKeyDeleteRegistryKeys,
         {L"Display confirmation dialog. [default]", L"Perform operation without confirmation."},
         L"Nivex will now delete the following registry keys, values, and all subkeys.\nAre you sure this is what you "
         L"want to do?"},
        {L"Restore Keys: Restore registry keys confirmation",
         kKeyRestoreRegistryKeys,
         {L"Display confirmation dialog. [default]", L"Perform operation without confirmation."},
         L"Nivex will write and delete the keys the backup lists.\nDo you want to restore the registry keys?"},
    };
    return entries;
}

std::wstring BrowserIconKey(const std::wstring& fileName) {
    const std::wstring lower = ToLowerText(fileName);
    if (lower == L"iexplore.exe") return L"IE";
    if (lower == L"netscape.exe") return L"N4";
    if (lower == L"netscp6.exe") return L"N6";
    return L"PROGRAM";
}

frmOptions* frmOptions::Current() { return current && current->Handle() ? current.get() : nullptr; }

void frmOptions::SetBrowserSearchRoot(const std::wstring& folder) { searchRoot = folder; }

frmOptions* frmOptions::Show(HWND owner, Desktop& desktop, OptionsHost* host) {
    if (frmOptions* open = Current()) {
        open->host_ = host;
        open->desktop_ = &desktop;
        ShowWindow(open->Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(open->Handle());
        return open;
    }
    // A closed dialog still unwinding its browser search keeps its object until the search returns.
    if (current && current->searching_) return nullptr;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    auto dialog = std::make_unique<frmOptions>();
    dialog->host_ = host;
    dialog->desktop_ = &desktop;
    if (!dialog->CreateModeless(IDD_OPTIONS, owner)) return nullptr;
    current = std::move(dialog);
    ShowWindow(current->Handle(), SW_SHOWNORMAL);
    return current.get();
}

void frmOptions::Init() {
    ui::WaitCursor wait;
    HWND hwnd = Handle();
    AttachDialogHelp(hwnd, IDH_OPTIONS,
                     {{IDC_OPT_TABS, IDH_OPT_TABS}, {IDC_CHKGENERAL_0, IDH_OPT_SHOWSPLASH},
                      {IDC_CHKGENERAL_1, IDH_OPT_TOOLBARCAPTIONS}, {IDC_CHKGENERAL_3, IDH_OPT_INTEGRATESHELL},
                      {IDC_CHKGENERAL_4, IDH_OPT_TRAY}, {IDC_CHKGENERAL_5, IDH_OPT_TIPS}, {IDC_CHKGENERAL_6, IDH_OPT_SOUNDS},
                      {IDC_OPT_FRADIALOG, IDH_OPT_DIALOGLIST}, {IDC_LSTDIALOGS, IDH_OPT_DIALOGLIST},
                      {IDC_OPT_FRAMESSAGE, IDH_OPT_DIALOGMESSAGE}, {IDC_LBLMESSAGE, IDH_OPT_DIALOGMESSAGE},
                      {IDC_OPT_ACTIONLABEL, IDH_OPT_DIALOGACTION}, {IDC_CBOACTIONS, IDH_OPT_DIALOGACTION},
                      {IDC_OPT_FRABROWSER, IDH_OPT_BROWSERLIST}, {IDC_LVBROWSERS, IDH_OPT_BROWSERLIST},
                      {IDC_CMDBROWSER, IDH_OPT_BROWSERBROWSE}, {IDC_LBLBROWSER, IDH_OPT_BROWSERCHOSEN},
                      {IDC_OPT_BROWSERCAPTION, IDH_OPT_BROWSERCHOSEN}, {IDOK, IDH_BUTTON_OK},
                      {IDCANCEL, IDH_BUTTON_CANCEL}});
    // The frames' controls stand on the tab's body: they take its themed background, not the dialog face.
    EnableThemeDialogTexture(hwnd, ETDT_ENABLETAB);
    HWND tabs = GetDlgItem(hwnd, IDC_OPT_TABS);
    const wchar_t* const tabTexts[] = {L"General Settings", L"Dialogs", L"Browser"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabTexts[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }

    images_ = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK,
                               4, 0);
    HICON application = LoadIconW(nullptr, IDI_APPLICATION);
    for (int i = 0; i < 4; ++i) ImageList_AddIcon(images_, application);
    SendDlgItemMessageW(hwnd, IDC_LVBROWSERS, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));

    for (const DialogEntry& entry : DialogEntries())
        SendDlgItemMessageW(hwnd, IDC_LSTDIALOGS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text));

    // The label shows the chosen browser, perhaps shortened; its tooltip the full path.
    tooltip_.Create(hwnd, 600);

    SelectTab(kTabGeneral);
    for (const GeneralBox& box : kGeneralBoxes)
        CheckDlgButton(hwnd, IDC_CHKGENERAL + box.index, SettingIsOn(box.section, box.key) ? BST_CHECKED : BST_UNCHECKED);
    ShowBrowserPath(GetSetting(kSectionOptions, kKeyTestBrowser, L""));
}

int frmOptions::CurrentTab() const {
    return static_cast<int>(SendDlgItemMessageW(Handle(), IDC_OPT_TABS, TCM_GETCURSEL, 0, 0));
}

void frmOptions::SelectTab(int index) {
    if (index < kTabGeneral || index > kTabBrowser) return;
    SendDlgItemMessageW(Handle(), IDC_OPT_TABS, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowFrame(index);
}

void frmOptions::ShowFrame(int tab) {
    HWND hwnd = Handle();
    auto show = [&](const int* ids, size_t count, bool visible) {
        for (size_t i = 0; i < count; ++i) ShowWindow(GetDlgItem(hwnd, ids[i]), visible ? SW_SHOW : SW_HIDE);
    };
    show(kGeneralFrame, std::size(kGeneralFrame), false);
    show(kDialogsFrame, std::size(kDialogsFrame), false);
    show(kBrowserFrame, std::size(kBrowserFrame), false);
    if (tab == kTabGeneral) show(kGeneralFrame, std::size(kGeneralFrame), true);
    if (tab == kTabDialogs) show(kDialogsFrame, std::size(kDialogsFrame), true);
    if (tab == kTabBrowser) show(kBrowserFrame, std::size(kBrowserFrame), true);
    FillDialogsFrame(0);
    if (tab == kTabBrowser && !browsersFilled_) FillBrowserList();
}

void frmOptions::FillDialogsFrame(int index) {
    const auto& entries = DialogEntries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    HWND hwnd = Handle();
    const DialogEntry& entry = entries[static_cast<size_t>(index)];
    SendDlgItemMessageW(hwnd, IDC_LSTDIALOGS, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendDlgItemMessageW(hwnd, IDC_CBOACTIONS, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* action : entry.actions)
        SendDlgItemMessageW(hwnd, IDC_CBOACTIONS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(action));
    // A stored value that names no action selects none.
    const long stored = SettingNumber(kSectionDialogs, entry.key);
    SendDlgItemMessageW(hwnd, IDC_CBOACTIONS, CB_SETCURSEL, static_cast<WPARAM>(stored), 0);
    SetDlgItemTextW(hwnd, IDC_LBLMESSAGE, WindowsLineBreaks(entry.message).c_str());
}

void frmOptions::ActionChosen() {
    HWND hwnd = Handle();
    const LRESULT entry = SendDlgItemMessageW(hwnd, IDC_LSTDIALOGS, LB_GETCURSEL, 0, 0);
    const LRESULT action = SendDlgItemMessageW(hwnd, IDC_CBOACTIONS, CB_GETCURSEL, 0, 0);
    const auto& entries = DialogEntries();
    if (entry < 0 || entry >= static_cast<LRESULT>(entries.size()) || action < 0) return;
    // Saved at once: a later Cancel keeps it.
    try {
        SaveSetting(kSectionDialogs, entries[static_cast<size_t>(entry)].key, std::to_wstring(action));
    } catch (const Error& e) {
        ShowError(*desktop_, hwnd, L"frmOptions.cboActions_Click", e.Number(), e.Description());
    }
}

int frmOptions::IconIndex(const std::wstring& key, const std::wstring& path) {
    for (int i = 0; i < 4; ++i) {
        if (key != kIconKeys[i]) continue;
        // A browser's image is its own icon, taken from the first one of its kind.
        if (i < 3 && !imageFromFile_[i] && !path.empty()) {
            HICON small = nullptr;
            if (ExtractIconExW(path.c_str(), 0, nullptr, &small, 1) > 0 && small) {
                ImageList_ReplaceIcon(images_, i, small);
                DestroyIcon(small);
                imageFromFile_[i] = true;
            }
        }
        return i;
    }
    return 3;
}

bool frmOptions::HasBrowser(const std::wstring& path) const {
    for (const BrowserEntry& entry : browsers_)
        if (EqualsNoCase(entry.key, path)) return true;
    return false;
}

void frmOptions::AddBrowser(const std::wstring& path, const std::wstring& name, const std::wstring& icon) {
    browsers_.push_back({path, name, icon});
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = static_cast<int>(browsers_.size()) - 1;
    item.pszText = const_cast<wchar_t*>(name.c_str());
    item.iImage = IconIndex(icon, path);
    item.lParam = static_cast<LPARAM>(browsers_.size() - 1);
    SendDlgItemMessageW(Handle(), IDC_LVBROWSERS, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void frmOptions::FillBrowserList() {
    browsersFilled_ = true; // at most once per opening, also if a message during the search comes back here
    ui::WaitCursor wait;
    searching_ = true;
    ThrottledPump pump;
    SearchFolder(WithTrailingBackslash(searchRoot), pump);
    searching_ = false;
    if (!Handle()) return; // closed while searching
    const std::wstring saved = GetSetting(kSectionOptions, kKeyTestBrowser, L"");
    if (!saved.empty() && !HasBrowser(saved)) AddBrowser(saved, GetFileName(saved), BrowserIconKey(GetFileName(saved)));
}

void frmOptions::SearchFolder(const std::wstring& folder, ThrottledPump& pump) {
    pump.Tick();
    if (!Handle()) return;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((folder + L"*.*").c_str(), &data));
    if (!find) return;
    do {
        try {
            const std::wstring name = CutAtNul(std::wstring(data.cFileName, wcsnlen(data.cFileName, MAX_PATH)));
            // Only a plain directory is entered: one with any other attribute bit is taken like a file.
            if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
                if (name != L"." && name != L"..") SearchFolder(folder + name + L"\\", pump);
            } else {
                const std::wstring icon = BrowserIconKey(name);
                if (icon != L"PROGRAM") AddBrowser(folder + name, name, icon);
            }
        } catch (const Error& e) {
            desktop_->Message(Handle(), NumberDashDescription(e.Number(), e.Description()), L"", MsgButtons::Ok,
                              MsgIcon::None);
        } catch (const std::exception& e) {
            desktop_->Message(Handle(), NumberDashDescription(0, Utf8ToWide(e.what())), L"", MsgButtons::Ok,
                              MsgIcon::None);
        }
        if (!Handle()) return;
    } while (FindNextFileW(find.Get(), &data));
}

void frmOptions::BrowserSelected() {
    const LRESULT selected =
        SendDlgItemMessageW(Handle(), IDC_LVBROWSERS, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    if (selected < 0) return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(selected);
    if (!SendDlgItemMessageW(Handle(), IDC_LVBROWSERS, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
    const size_t index = static_cast<size_t>(item.lParam);
    if (index < browsers_.size()) ShowBrowserPath(browsers_[index].key);
}

void frmOptions::ShowBrowserPath(const std::wstring& path) {
    HWND hwnd = Handle();
    HWND label = GetDlgItem(hwnd, IDC_LBLBROWSER);
    browserPath_ = path;
    RECT panel{};
    GetWindowRect(GetDlgItem(hwnd, IDC_OPT_FRABROWSER), &panel);
    const int panelWidth = panel.right - panel.left;
    std::wstring shown = path;
    // Too wide for the panel: drop leading characters and show "..." in their place.
    if (TextWidth(label, shown) > panelWidth - TwipsToPixelsX(180)) {
        while (!shown.empty() && TextWidth(label, shown) >= panelWidth - TwipsToPixelsX(210)) shown.erase(0, 1);
        shown = L"..." + shown;
    }
    SetWindowTextW(label, shown.c_str());
    RECT r{};
    GetWindowRect(label, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(label, nullptr, 0, 0, TextWidth(label, shown) + 2, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    tooltip_.SetTip(label, browserPath_);
}

void frmOptions::BrowseForBrowser() {
    FileDialogRequest request;
    request.owner = Handle();
    request.filter = L"Program Files (*.exe)|*.exe";
    request.title = L"Choose Browser";
    request.initialFolder = L"C:\\Program Files\\";
    const std::wstring chosen = desktop_->OpenFile(request);
    if (chosen.empty() || chosen == kDialogCancelled || HasBrowser(chosen)) return;
    // Listed, not chosen: the user selects it to make it the browser.
    AddBrowser(chosen, GetFileName(chosen), L"PROGRAM");
}

void frmOptions::Ok() {
    HWND hwnd = Handle();
    {
        ui::WaitCursor wait;
        try {
            for (const GeneralBox& box : kGeneralBoxes)
                SaveSetting(box.section, box.key,
                            IsDlgButtonChecked(hwnd, IDC_CHKGENERAL + box.index) == BST_CHECKED ? L"1" : L"0");
            ApplyShellIntegration(IsDlgButtonChecked(hwnd, IDC_CHKGENERAL + kIntegrateShellBox) == BST_CHECKED);
            SaveSetting(kSectionOptions, kKeyTestBrowser, browserPath_);
        } catch (const Error& e) {
            // Nothing is lost: the dialog stays open with the user's choices.
            ShowError(*desktop_, hwnd, L"frmOptions.cmdOK_Click", e.Number(), e.Description());
            return;
        }
        if (host_)
            host_->OptionsApplied(SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1 ? L"Minimize To Tray"
                                                                                          : L"E&xit");
    }
    Close(IDOK);
}

INT_PTR frmOptions::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Init();
        return TRUE;
    case WM_COMMAND: {
        const ui::ChildNotification note(message, wParam, lParam);
        if (note.Is(IDOK, BN_CLICKED)) Ok();
        else if (note.IsFrom(IDCANCEL)) Close(IDCANCEL);
        else if (note.Is(IDC_LSTDIALOGS, LBN_SELCHANGE))
            FillDialogsFrame(static_cast<int>(SendDlgItemMessageW(Handle(), IDC_LSTDIALOGS, LB_GETCURSEL, 0, 0)));
        else if (note.Is(IDC_CBOACTIONS, CBN_SELCHANGE)) ActionChosen();
        else if (note.Is(IDC_CMDBROWSER, BN_CLICKED)) BrowseForBrowser();
        else return FALSE;
        return TRUE;
    }
    case WM_NOTIFY: {
        const ui::ChildNotification note(message, wParam, lParam);
        if (note.Is(IDC_OPT_TABS, TCN_SELCHANGE)) ShowFrame(CurrentTab());
        else if (note.Is(IDC_LVBROWSERS, LVN_ITEMCHANGED)) {
            const auto* change = note.Details<const NMLISTVIEW>();
            if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
                !(change->uOldState & LVIS_SELECTED))
                BrowserSelected();
        } else return FALSE;
        return TRUE;
    }
    default: break;
    }
    return FALSE;
}

void frmOptions::OnDestroyed() {
    images_ = nullptr; // the list view destroyed it with itself
    tooltip_.Forget();
}

} // namespace nivex
