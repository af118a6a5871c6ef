#include "registration/reg_status_window.h"

#include <algorithm>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/ui/controls.h"
#include "common/text.h"
#include "registration/registration_resource.h"

namespace nivex {

namespace {

std::unique_ptr<frmRegStatus> instance;


// The static controls break lines at CR LF.
std::wstring WindowsLineBreaks(const std::wstring& text) {
    return ReplaceAll(ReplaceAll(text, L"\r\n", L"\n"), L"\n", L"\r\n");
}

} // namespace

frmRegStatus* frmRegStatus::Existing() { return instance && instance->Handle() ? instance.get() : nullptr; }

frmRegStatus* frmRegStatus::Instance(HWND owner) {
    if (frmRegStatus* existing = Existing()) return existing;
    instance = std::make_unique<frmRegStatus>();
    if (!instance->CreateModeless(IDD_REGSTATUS, owner)) {
        instance.reset();
        return nullptr;
    }
    return instance.get();
}

bool frmRegStatus::IsShown() const { return Handle() && IsWindowVisible(Handle()); }

void frmRegStatus::Init() {
    HWND hwnd = Handle();
    // The title in the bold form of the window's font.
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0))) {
        LOGFONTW lf{};
        if (GetObjectW(font, sizeof(lf), &lf)) {
            lf.lfWeight = FW_BOLD;
            titleFont_ = CreateFontIndirectW(&lf);
            SendDlgItemMessageW(hwnd, IDC_REGSTATUS_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
        }
    }
    // The etched line where the template keeps its place (a plain etched line should the control library
    // be unavailable).
    line_ = PlaceInDialog(GuiControlKind::EtchedLine, hwnd, IDC_REGSTATUS_LINE, IDP_REGSTATUS_LINE);

    const RECT message = ui::ChildRect(hwnd, GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE));
    baseMessageHeight_ = message.bottom - message.top;
    baseButtonTop_ = ui::ChildRect(hwnd, GetDlgItem(hwnd, IDOK)).top;
    RECT window{};
    GetWindowRect(hwnd, &window);
    baseWindowHeight_ = window.bottom - window.top;
}

// Grows the message label (and the window) to the lines the message needs.
void frmRegStatus::FitMessage() {
    HWND hwnd = Handle();
    HWND label = GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE);
    const RECT r = ui::ChildRect(hwnd, label);
    const std::wstring text = ui::WindowText(label);

    RECT calc{0, 0, r.right - r.left, 0};
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text.c_str(), -1, &calc, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);

    const int height = std::max(baseMessageHeight_, static_cast<int>(calc.bottom) + 2);
    const int grow = height - baseMessageHeight_;
    SetWindowPos(label, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND ok = GetDlgItem(hwnd, IDOK);
    const RECT okRect = ui::ChildRect(hwnd, ok);
    SetWindowPos(ok, nullptr, okRect.left, baseButtonTop_ + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT window{};
    GetWindowRect(hwnd, &window);
    SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, baseWindowHeight_ + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void frmRegStatus::ShowOutcome(const std::wstring& caption, const std::wstring& title, const std::wstring& message,
                               bool success) {
    HWND hwnd = Handle();
    if (!hwnd) return;
    SetWindowTextW(hwnd, caption.c_str());
    SetDlgItemTextW(hwnd, IDC_REGSTATUS_TITLE, title.c_str());
    SetDlgItemTextW(hwnd, IDC_REGSTATUS_MESSAGE, WindowsLineBreaks(message).c_str());
    HICON picture = LoadIconW(nullptr, success ? IDI_INFORMATION : IDI_ERROR);
    SendDlgItemMessageW(hwnd, IDC_REGSTATUS_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
    FitMessage();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    SetFocus(GetDlgItem(hwnd, IDOK));
}

INT_PTR frmRegStatus::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        Init();
        AttachDialogHelp(Handle(), IDH_REGSTATUS,
                         {{IDC_REGSTATUS_MESSAGE, IDH_REGSTATUS_MESSAGE}, {IDC_REGSTATUS_TITLE, IDH_REGSTATUS_MESSAGE},
                          {IDOK, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_COMMAND:
        // O&K, Esc and the close box put the window away; the next outcome brings it back.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ShowWindow(Handle(), SW_HIDE);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

void frmRegStatus::OnDestroyed() {
    if (titleFont_) DeleteObject(titleFont_);
    titleFont_ = nullptr;
    line_.reset();
}

void StatusWindowDisplay::Show(const OutcomeText& text, WindowRef owner) {
    if (frmRegStatus* window = frmRegStatus::Instance(static_cast<HWND>(owner))) {
        window->ShowOutcome(text.caption, text.title, text.message, text.success);
        return;
    }
    // Without the window's template the outcome must still reach the user.
    desktop_.Message(owner, text.title + L"\n\n" + text.message, text.caption, MsgButtons::Ok,
                     text.success ? MsgIcon::Information : MsgIcon::Critical);
}

void StatusWindowDisplay::WaitUntilDismissed() {
    for (;;) {
        frmRegStatus* window = frmRegStatus::Existing();
        if (!window || !window->IsShown()) return;
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // leave it for whoever runs the next loop
            return;
        }
        if (got == -1) return;
        if (!IsDialogMessageW(window->Handle(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace nivex
