#include "faultnote/wizard_window.h"

#include "faultnote/faultnote_resource.h"
#include "faultnote/report_store.h"
#include "common/desktop.h"
#include "common/paths.h"
#include "common/ui/modeless.h"
#include "common/ui/toolkit.h"

namespace faultnote {

namespace {

using velmora::MsgAnswer;
using velmora::MsgButtons;
using velmora::MsgIcon;
using velmora::TheDesktop;

constexpr COLORREF kCurrentStep = RGB(0, 0, 0);
constexpr COLORREF kOtherStep = RGB(192, 192, 192);

constexpr int kStepLabels[] = {lblNumber0, lblNumber1, lblNumber2, lblNumber3};
constexpr int kMarkers[] = {imgBug0, imgBug1, imgBug2, imgBug3};
constexpr int kPageTemplates[] = {IDD_PAGE0, IDD_PAGE1, IDD_PAGE2, IDD_PAGE3};

// The pages are child dialogs; the wizard reads their fields, they handle nothing themselves.
INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

} // namespace

WizardWindow::WizardWindow(WizardSetup setup) : setup_(std::move(setup)) {}

WizardWindow::~WizardWindow() {
    ended_ = true; // destroying the object is not the user closing the window
    viewer_.Close();
    Close();
    if (stepFont_) DeleteObject(stepFont_);
    if (marker_) DestroyIcon(marker_);
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

bool WizardWindow::Show() {
    if (!CreateModeless(IDD_WIZARD, nullptr)) return false;
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    return true;
}

bool WizardWindow::PreTranslate(MSG& msg) { return velmora::ui::ModelessWindows::Dispatch(msg); }

void WizardWindow::Init() {
    const HINSTANCE instance = velmora::ProgramInstance();
    const int small = GetSystemMetrics(SM_CXSMICON), big = GetSystemMetrics(SM_CXICON);
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FAULTNOTE), IMAGE_ICON, big, big, 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FAULTNOTE), IMAGE_ICON, small, small, 0));
    marker_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FAULTNOTE), IMAGE_ICON, small, small, 0));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    // The step labels in the dialog's font, bold.
    LOGFONTW font{};
    if (HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
        dialogFont && GetObjectW(dialogFont, sizeof(font), &font)) {
        font.lfWeight = FW_BOLD;
        stepFont_ = CreateFontIndirectW(&font);
    }
    for (int i = 0; i < WizardPages::kCount; ++i) {
        if (stepFont_) SendDlgItemMessageW(Handle(), kStepLabels[i], WM_SETFONT, reinterpret_cast<WPARAM>(stepFont_), FALSE);
        SendDlgItemMessageW(Handle(), kMarkers[i], STM_SETICON, reinterpret_cast<WPARAM>(marker_), 0);
    }

    // Each page takes the place of the hidden page area.
    RECT area{};
    GetWindowRect(GetDlgItem(Handle(), IDC_PAGE_AREA), &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    HWND insertAfter = GetDlgItem(Handle(), IDC_PAGE_AREA);
    for (int i = 0; i < WizardPages::kCount; ++i) {
        HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(kPageTemplates[i]), Handle(), &PageProc, 0);
        page_[static_cast<size_t>(i)] = page;
        if (!page) continue;
        // In the tab order where the page area stands: after the step list, before the buttons.
        SetWindowPos(page, insertAfter, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
        insertAfter = page;
    }

    SetDlgItemTextW(Page(1), lblWinVer, setup_.osText.c_str());
    SetDlgItemTextW(Page(0), txtAppInfo0, setup_.product.name.c_str());
    SetDlgItemTextW(Page(0), txtAppInfo1, setup_.product.version.c_str());
    SetDlgItemTextW(Page(0), txtAppInfo2, setup_.product.build.c_str());
    SetDlgItemTextW(Page(3), lblMailbox, kBugMailbox);
    CheckRadioButton(Page(3), optEmail0, optEmail1, optEmail0);
    CheckDlgButton(Page(3), Check1_0, BST_CHECKED);
    CheckDlgButton(Page(3), Check1_1, BST_UNCHECKED);
    ShowCurrentPage();
}

INT_PTR WizardWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Init();
        return FALSE; // focus goes where ShowCurrentPage put it
    case WM_COMMAND: {
        const velmora::ui::ChildNotification note(message, wParam, lParam);
        for (int button : {cmdNavigate0, cmdNavigate1, cmdNavigate2}) {
            if (!note.IsFrom(button)) continue;
            if (note.Code() == BN_CLICKED) Navigate(button - cmdNavigate0);
            return TRUE;
        }
        // Escape asks nothing and ends nothing.
        if (note.IsFrom(IDCANCEL)) return TRUE;
        break;
    }
    case WM_CTLCOLORSTATIC: {
        const HWND control = reinterpret_cast<HWND>(lParam);
        const int id = GetDlgCtrlID(control);
        for (int i = 0; i < WizardPages::kCount; ++i) {
            if (id != kStepLabels[i]) continue;
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, i == pages_.Current() ? kCurrentStep : kOtherStep);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    }
    case WM_CLOSE:
        // Closed by any other means than "Exit": no question.
        Close();
        return TRUE;
    }
    return FALSE;
}

void WizardWindow::OnDestroyed() {
    if (ended_) return;
    ended_ = true;
    if (setup_.endProgram) setup_.endProgram();
}

void WizardWindow::Navigate(int index) {
    switch (index) {
    case 0:
        if (pages_.Next()) Finish();
        break;
    case 1:
        pages_.Back();
        break;
    case 2:
        if (desktop_.Message(Handle(), L"Are you sure you want to exit Velmora Bug Report Wizard?", L"Exit?",
                             MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes) {
            Close();
            return;
        }
        break;
    default:
        return;
    }
    if (Handle()) ShowCurrentPage();
}

void WizardWindow::ShowCurrentPage() {
    const int current = pages_.Current();
    for (int i = 0; i < WizardPages::kCount; ++i) {
        ShowWindow(page_[static_cast<size_t>(i)], i == current ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(Handle(), kMarkers[i]), i == current ? SW_SHOW : SW_HIDE);
        InvalidateRect(GetDlgItem(Handle(), kStepLabels[i]), nullptr, TRUE);
    }
    // Typing must not go on into a page that was just hidden (Enter in a field presses "Next >>"), nor can focus
    // stay on a button about to be disabled: the first field of the page shown takes it.
    const HWND back = GetDlgItem(Handle(), cmdNavigate1);
    const HWND focus = GetFocus();
    const HWND shown = page_[static_cast<size_t>(current)];
    bool inHiddenPage = false;
    for (HWND page : page_)
        if (page && page != shown && focus && IsChild(page, focus)) inHiddenPage = true;
    if (inHiddenPage || (!pages_.BackEnabled() && focus == back) || focus == nullptr) {
        if (HWND first = shown ? GetNextDlgTabItem(shown, nullptr, FALSE) : nullptr)
            SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
    EnableWindow(back, pages_.BackEnabled());
    SetDlgItemTextW(Handle(), cmdNavigate0, pages_.NextCaption());
}

std::wstring WizardWindow::FieldText(int page, int id) const { return velmora::ui::ItemText(Page(page), id); }

bool WizardWindow::Checked(int page, int id) const { return IsDlgButtonChecked(Page(page), id) == BST_CHECKED; }

void WizardWindow::Finish() {
    ReportFields fields;
    fields.product = {FieldText(0, txtAppInfo0), FieldText(0, txtAppInfo1), FieldText(0, txtAppInfo2)};
    fields.osText = setup_.osText;
    fields.userName = FieldText(1, txtUserInfo0);
    fields.email = FieldText(1, txtUserInfo1);
    fields.errorMessages = FieldText(2, txtErrors0);
    fields.cause = FieldText(2, txtErrors1);
    fields.description = FieldText(2, txtErrors2);
    lastReport_ = BuildReportText(fields, setup_.today ? setup_.today() : ShortDateText());
    const bool view = Checked(3, Check1_1);

    // The mail program opens only once the report is on the clipboard or in a file: a retry after a failure
    // must not open one more empty message each time.
    bool handedOver = false;
    if (Checked(3, optEmail0)) {
        handedOver = desktop_.SetClipboardText(Handle(), lastReport_);
        if (handedOver) {
            desktop_.Message(Handle(), L"Copied Report to Windows Clipboard", L"Saved Report", MsgButtons::Ok,
                             MsgIcon::Information);
            if (view) viewer_.ShowReport(Handle(), L"Clipboard Data:", lastReport_);
        } else {
            desktop_.Message(Handle(),
                             L"The report could not be copied to the clipboard: another program is using it.\r\n"
                             L"Please press \"Finish\" again in a moment, or choose the text file.",
                             kWizardTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        }
    } else {
        const SaveOutcome saved =
            SaveReportFile(lastReport_, setup_.programFolder, setup_.documentsFolder, setup_.codePage);
        handedOver = saved.saved;
        if (saved.saved) {
            desktop_.Message(Handle(), L"Saved report to " + saved.path, L"Saved Report", MsgButtons::Ok,
                             MsgIcon::Information);
            if (view) viewer_.ShowReport(Handle(), saved.path, lastReport_);
        } else {
            desktop_.Message(Handle(), L"The report could not be saved.\r\n" + saved.error, kWizardTitle,
                             MsgButtons::Ok, MsgIcon::Critical);
            // The text is not lost: the viewer holds it for copying by hand.
            if (view) viewer_.ShowReport(Handle(), L"Not saved:", lastReport_);
        }
    }

    if (handedOver && Checked(3, Check1_0)) {
        const std::wstring address = std::wstring(L"mailto:") + kBugMailbox;
        if (desktop_.Execute(Handle(), L"open", address, L"") <= 32)
            desktop_.Message(Handle(),
                             std::wstring(L"No e-mail program could be started. Please send your report to ") +
                                 kBugMailbox + L".",
                             kWizardTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    }
}

} // namespace faultnote
