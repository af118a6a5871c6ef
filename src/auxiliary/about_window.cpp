#include "auxiliary/about_window.h"

#include <shellapi.h>


#include "auxiliary/about_text.h"
#include "auxiliary/auxiliary_resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/desktop.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/winutil.h"
#include "nivex_version.h"
#include "registry/settings_table.h"

namespace nivex {

namespace {
// The usual colour of a link (the system's hot-track colour is pale on some platforms).
constexpr COLORREF kLinkColour = RGB(0, 70, 200);

bool IsLink(int id) { return id == IDC_ABOUT_LBLEMAIL || id == IDC_ABOUT_LBLWEB; }

} // namespace

AboutWindow& TheAboutWindow() {
    static AboutWindow about;
    return about;
}

HWND AboutWindow::Open(HWND owner, Desktop& desktop) {
    desktop_ = &desktop;
    if (Handle()) {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        return Handle();
    }
    CreateModeless(IDD_ABOUT, owner);
    if (!Handle()) return nullptr;
    ShowWindow(Handle(), SW_SHOW);
    return Handle();
}

void AboutWindow::OnInit() {
    etchedLine1_ = PlaceInDialog(GuiControlKind::EtchedLine, Handle(), IDC_ABOUT_ETCHEDLINE1, IDP_ABOUT_ETCHEDLINE1);
    SetDlgItemTextW(Handle(), IDC_ABOUT_LBLAPP, kAppTitle);
    SetDlgItemTextW(Handle(), IDC_ABOUT_LBLVERSION,
                    AboutVersionLine(NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION).c_str());
    SetDlgItemTextW(Handle(), IDC_ABOUT_LABEL1, kProductSlogan);
    SetDlgItemTextW(Handle(), IDC_ABOUT_LBLMAKER, MakerLine(NIVEX_COPYRIGHT_YEAR).c_str());
    SetDlgItemTextW(Handle(), IDC_ABOUT_LBLEMAIL, kMakerEmail);
    SetDlgItemTextW(Handle(), IDC_ABOUT_LBLWEB, kProductWebAddress);

    LOGFONTW base{};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    GetObjectW(dialogFont ? static_cast<HGDIOBJ>(dialogFont) : GetStockObject(DEFAULT_GUI_FONT), sizeof(base), &base);
    LOGFONTW title = base;
    title.lfWeight = FW_BOLD;
    title.lfHeight = base.lfHeight < 0 ? base.lfHeight * 3 / 2 : base.lfHeight;
    titleFont_ = CreateFontIndirectW(&title);
    LOGFONTW link = base;
    link.lfUnderline = TRUE;
    linkFont_ = CreateFontIndirectW(&link);
    SendDlgItemMessageW(Handle(), IDC_ABOUT_LBLAPP, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
    SendDlgItemMessageW(Handle(), IDC_ABOUT_LBLEMAIL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
    SendDlgItemMessageW(Handle(), IDC_ABOUT_LBLWEB, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);

    // The two pictures: the program's icon and its control icon, as the executable carries them.
    HICON large[2] = {nullptr, nullptr};
    const UINT found = ExtractIconExW(ExecutablePath().c_str(), 0, large, nullptr, 2);
    for (UINT i = 0; i < 2; ++i) pictures_[i] = i < found && large[i] ? large[i] : nullptr;
    SendDlgItemMessageW(Handle(), IDC_ABOUT_PICTURE1, STM_SETICON,
                        reinterpret_cast<WPARAM>(pictures_[0] ? pictures_[0] : LoadIconW(nullptr, IDI_APPLICATION)), 0);
    SendDlgItemMessageW(Handle(), IDC_ABOUT_PICTURE2, STM_SETICON,
                        reinterpret_cast<WPARAM>(pictures_[1] ? pictures_[1] : LoadIconW(nullptr, IDI_INFORMATION)), 0);

    AttachDialogHelp(Handle(), IDH_ABOUT,
                     {{IDC_ABOUT_LBLVERSION, IDH_ABOUT_VERSION}, {IDC_ABOUT_LBLAPP, IDH_ABOUT_VERSION},
                      {IDC_ABOUT_LBLEMAIL, IDH_ABOUT_EMAIL}, {IDC_ABOUT_LBLWEB, IDH_ABOUT_WEB},
                      {IDC_ABOUT_CMDLICENSE, IDH_ABOUT_LICENSE}, {IDOK, IDH_BUTTON_CLOSE}});
}

void AboutWindow::OpenThroughShell(const std::wstring& target) {
    // Nothing else tells the user that no mail program, browser or text viewer could be started.
    if (desktop_->Execute(Handle(), L"open", target, L"") <= 32)
        desktop_->Message(Handle(), L"Unable to open " + target, L"About Nivex", MsgButtons::Ok, MsgIcon::Exclamation);
}

void AboutWindow::OpenEmail() { OpenThroughShell(std::wstring(L"mailto:") + kMakerEmail); }
void AboutWindow::OpenWebPage() { OpenThroughShell(kProductWebAddress); }
void AboutWindow::OpenLicense() { OpenThroughShell(JoinPath(ProgramFolder(), kLicenseFileName)); }

INT_PTR AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_SETCURSOR:
        // The links show the hand pointer.
        if (IsLink(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (IsLink(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kLinkColour);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    case WM_COMMAND: {
        const ui::ChildNotification note(message, wParam, lParam);
        switch (note.Id()) {
        case IDC_ABOUT_LBLEMAIL:
            if (note.Code() == STN_CLICKED) OpenEmail();
            return TRUE;
        case IDC_ABOUT_LBLWEB:
            if (note.Code() == STN_CLICKED) OpenWebPage();
            return TRUE;
        case IDC_ABOUT_CMDLICENSE:
            OpenLicense();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            Close();
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_CLOSE:
        Close();
        return TRUE;
    case WM_NCDESTROY:
        for (HFONT* font : {&titleFont_, &linkFont_}) {
            if (*font) DeleteObject(*font);
            *font = nullptr;
        }
        for (HICON& icon : pictures_) {
            if (icon) DestroyIcon(icon);
            icon = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace nivex
