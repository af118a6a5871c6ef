#include "reports/reports_dialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "auxiliary/close_button.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/scope_guard.h"
#include "common/path_split.h"
#include "registry/settings.h"
#include "reports/reports_resource.h"

namespace nivex {

namespace {

std::unique_ptr<frmReports> current;

const wchar_t* const kTitle = L"Nivex - Reports";
const wchar_t* const kTemplateFilter = L"ActiveX Controls (*.tpl)|*.tpl|Template Files (*.tpl)|*.tpl";

// Everything that is off while a report is generated.
const int kBusyControls[] = {IDC_REP_CMDGENERAL, IDC_REP_CMDCANCEL, IDC_REP_CMDBROWSE, IDC_REP_FRAME2, IDC_REP_DOCTYPE_0,
                             IDC_REP_DOCTYPE_1,  IDC_REP_FRAME3, IDC_REP_CHKCONTROLS_0, IDC_REP_CHKCONTROLS_1, IDC_REP_CHKCONTROLS_2};

std::wstring TemplateLabel(const std::wstring& path) { return L"Template: " + GetFileName(path); }

} // namespace

frmReports* frmReports::Current() { return current && current->Handle() ? current.get() : nullptr; }

frmReports* frmReports::Show(HWND owner, Desktop& desktop, const Catalogue& catalogue, ReportsHost host) {
    if (frmReports* open = Current()) {
        ShowWindow(open->Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(open->Handle());
        return open;
    }
    // A dialog destroyed while its report was written keeps its object until the generator returns.
    if (current && current->generating_) return nullptr;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    auto dialog = std::make_unique<frmReports>();
    dialog->owner_ = owner;
    dialog->desktop_ = &desktop;
    dialog->catalogue_ = &catalogue;
    dialog->host_ = std::move(host);
    if (!dialog->CreateModeless(IDD_REPORTS, owner)) return nullptr;
    current = std::move(dialog);
    ShowWindow(current->Handle(), SW_SHOWNORMAL);
    return current.get();
}

std::wstring frmReports::TemplateSetting(int docType) {
    return ReadSetting(kSectionOptions, docType != 0 ? kKeyTEXTTemplate : kKeyHTMLTemplate);
}

std::wstring frmReports::TemplateTip() const { return tooltip_.Tip(GetDlgItem(Handle(), IDC_REP_LBLFILE)); }

int frmReports::SelectedDocType() const { return IsDlgButtonChecked(Handle(), IDC_REP_DOCTYPE_1) == BST_CHECKED ? 1 : 0; }

void frmReports::Init() {
    HWND hwnd = Handle();
    // The main window waits while the dialog is open, as under a modal dialog.
    if (owner_) EnableWindow(owner_, FALSE);

    // The two frames' captions are drawn in Arial.
    LOGFONTW font{};
    if (HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)))
        GetObjectW(dialogFont, sizeof(font), &font);
    wcscpy_s(font.lfFaceName, L"Arial");
    frameFont_.Reset(CreateFontIndirectW(&font));
    if (frameFont_)
        for (int frame : {IDC_REP_FRAME2, IDC_REP_FRAME3})
            SendDlgItemMessageW(hwnd, frame, WM_SETFONT, reinterpret_cast<WPARAM>(frameFont_.Get()), FALSE);

    // cmdBrowse is a picture button: the shell's open-folder image where there is one, else its "...".
    SHSTOCKICONINFO folder{};
    folder.cbSize = sizeof(folder);
    if (SUCCEEDED(SHGetStockIconInfo(SIID_FOLDEROPEN, SHGSI_ICON | SHGSI_SMALLICON, &folder)) && folder.hIcon) {
        browseIcon_ = folder.hIcon;
        HWND browse = GetDlgItem(hwnd, IDC_REP_CMDBROWSE);
        SetWindowLongPtrW(browse, GWL_STYLE, GetWindowLongPtrW(browse, GWL_STYLE) | BS_ICON);
        SendMessageW(browse, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(browseIcon_));
    }
    if (tooltip_.Create(hwnd, 480)) tooltip_.SetTip(GetDlgItem(hwnd, IDC_REP_CMDBROWSE), L"Browse for template file...");

    CheckRadioButton(hwnd, IDC_REP_DOCTYPE_0, IDC_REP_DOCTYPE_1, IDC_REP_DOCTYPE_0);
    DocTypeClick(0);
}

void frmReports::DocTypeClick(int index) { ShowTemplate(TemplateSetting(index)); }

void frmReports::ShowTemplate(const std::wstring& path) {
    SetDlgItemTextW(Handle(), IDC_REP_LBLFILE, TemplateLabel(path).c_str());
    // The label has room for the name only: the whole path is its tip.
    tooltip_.SetTip(GetDlgItem(Handle(), IDC_REP_LBLFILE), path);
}

void frmReports::BrowseClick() {
    FileDialogRequest request;
    request.owner = Handle();
    request.title = L"Select Template File";
    request.filter = kTemplateFilter;
    request.initialFolder = JoinPath(ProgramFolder(), L"templates");
    const std::wstring chosen = desktop_->OpenFile(request);
    if (chosen == kDialogCancelled || chosen.empty()) return;
    const int docType = SelectedDocType();
    try {
        SaveSetting(kSectionOptions, docType == 0 ? kKeyHTMLTemplate : kKeyTEXTTemplate, chosen);
    } catch (const Error& e) {
        // The label keeps showing the template that a report would really use.
        desktop_->Message(Handle(), ErrorInMessage(L"cmdBrowse_Click", e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    ShowTemplate(chosen);
}

void frmReports::SetIdle(bool idle) {
    HWND hwnd = Handle();
    for (int id : kBusyControls) EnableWindow(GetDlgItem(hwnd, id), idle ? TRUE : FALSE);
    try {
        EnableCloseButton(hwnd, idle);
    } catch (const Error&) {
        // Without a system menu there is no Close item to grey; the handlers below refuse to close anyway.
    }
    SetCursor(LoadCursorW(nullptr, idle ? IDC_ARROW : IDC_WAIT));
}

void frmReports::Generate() {
    if (generating_) return;
    generating_ = true;
    SetIdle(false);

    // Removed nodes leave their indexes unused: the range must reach the highest index the walk reports.
    const int maximum = catalogue_->Tree(Catalogue::kAll).Capacity();
    if (host_.showProgress) host_.showProgress(maximum);
    const std::wstring remembered = host_.statusText ? host_.statusText() : std::wstring();
    if (host_.setStatusText) host_.setStatusText(kGeneratingReportText);

    ReportOptions options;
    HWND hwnd = Handle();
    options.onlyMissing = IsDlgButtonChecked(hwnd, IDC_REP_CHKCONTROLS_0) == BST_CHECKED;
    options.onlyLibraries = IsDlgButtonChecked(hwnd, IDC_REP_CHKCONTROLS_1) == BST_CHECKED;
    options.showWhenFinished = IsDlgButtonChecked(hwnd, IDC_REP_CHKCONTROLS_2) == BST_CHECKED;
    const DocType type = SelectedDocType() == 0 ? DocType::Html : DocType::Text;

    // The bar moves and the windows repaint, but never at the cost of one round trip per node.
    ThrottledPump pump(50);
    auto progress = [&](int index) {
        if (host_.setProgress) host_.setProgress(index);
        pump.Tick();
    };
    ScopeGuard restore([&] {
        generating_ = false;
        if (Handle()) SetIdle(true);
        if (host_.hideProgress) host_.hideProgress();
        if (host_.setStatusText) host_.setStatusText(remembered);
    });
    // The save dialog and the messages belong to this dialog: closing one enables its owner again, and the
    // main window must stay disabled while this dialog is open.
    auto generate = [&] { GenerateReport(*catalogue_, type, options, hwnd, *desktop_, progress); };
    if (host_.runBusy) host_.runBusy(generate);
    else generate();
}

void frmReports::ReenableOwner() {
    if (ownerReenabled_ || !owner_) return;
    ownerReenabled_ = true;
    // Before the dialog goes, or the system hands the activation to some other program.
    EnableWindow(owner_, TRUE);
}

void frmReports::CloseDialog() {
    if (generating_) return; // the generator still runs on this dialog's stack
    ReenableOwner();
    if (owner_) {
        SetActiveWindow(owner_);
        SetFocus(owner_);
    }
    DestroyWindow(Handle());
}

INT_PTR frmReports::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Init();
        AttachDialogHelp(Handle(), IDH_REPORTS,
                         {{IDC_REP_CHKCONTROLS_0, IDH_REPORTS_MISSING},
                          {IDC_REP_CHKCONTROLS_1, IDH_REPORTS_LIBRARIES},
                          {IDC_REP_CHKCONTROLS_2, IDH_REPORTS_SHOW},
                          {IDC_REP_DOCTYPE_0, IDH_REPORTS_FORMAT},
                          {IDC_REP_DOCTYPE_1, IDH_REPORTS_FORMAT},
                          {IDC_REP_CMDBROWSE, IDH_REPORTS_TEMPLATE},
                          {IDC_REP_LBLFILE, IDH_REPORTS_TEMPLATE},
                          {IDC_REP_CMDGENERAL, IDH_REPORTS_GENERATE},
                          {IDC_REP_CMDCANCEL, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_COMMAND: {
        const ui::ChildNotification note(message, wParam, lParam);
        if (generating_) return TRUE; // Esc, Enter and stray clicks wait for the report
        if (note.Code() != BN_CLICKED) return FALSE;
        switch (note.Id()) {
        case IDC_REP_DOCTYPE_0: DocTypeClick(0); return TRUE;
        case IDC_REP_DOCTYPE_1: DocTypeClick(1); return TRUE;
        case IDC_REP_CMDBROWSE: BrowseClick(); return TRUE;
        case IDC_REP_CMDGENERAL: Generate(); return TRUE;
        case IDC_REP_CMDCANCEL: CloseDialog(); return TRUE;
        default: return FALSE;
        }
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && generating_) {
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        CloseDialog();
        return TRUE;
    case WM_SETCURSOR:
        if (generating_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        ReenableOwner();
        return FALSE;
    default: return FALSE;
    }
}

void frmReports::OnDestroyed() {
    tooltip_.Forget(); // destroyed with the dialog it belongs to
    if (browseIcon_) {
        DestroyIcon(browseIcon_);
        browseIcon_ = nullptr;
    }
}

} // namespace nivex
