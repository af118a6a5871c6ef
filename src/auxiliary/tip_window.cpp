#include "auxiliary/tip_window.h"

#include <random>
#include <string_view>

#include "auxiliary/auxiliary_resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/desktop.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "common/winutil.h"
#include "registry/settings.h"

namespace nivex {

namespace {

// A tips file is a few kilobytes; anything this large is not one.
constexpr LONGLONG kMaxTipsFileBytes = 16LL * 1024 * 1024;

bool IsOrdinaryFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file's text: UTF-8 or UTF-16 when it starts with a byte-order mark, otherwise the ANSI code page.
bool ReadTextFile(const std::wstring& path, std::wstring& text) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxTipsFileBytes) return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return false;
    std::string_view view(bytes);
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        text = Utf8ToWide(view.substr(3));
    } else if (view.size() >= 2 && view.substr(0, 2) == "\xFF\xFE") {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    } else {
        text = AnsiToWide(view);
    }
    return true;
}

double TimerSeededRandom() {
    static std::mt19937 engine(static_cast<std::mt19937::result_type>(GetTickCount64()));
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

} // namespace

TipWindow::TipWindow() : random_(&TimerSeededRandom) {}

HWND TipWindow::Open(HWND owner, Desktop& desktop) {
    desktop_ = &desktop;
    if (Handle()) {
        ShowWindow(Handle(), SW_SHOW);
        return Handle();
    }
    CreateModeless(IDD_TIP, owner);
    if (!Handle()) return nullptr;
    // Centred over the main window, where the user is looking.
    RECT own{}, main{};
    if (owner && GetWindowRect(Handle(), &own) && GetWindowRect(owner, &main) && IsWindowVisible(owner)) {
        const int x = main.left + ((main.right - main.left) - (own.right - own.left)) / 2;
        const int y = main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2;
        SetWindowPos(Handle(), nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(Handle(), SW_SHOW);
    return Handle();
}

std::wstring TipWindow::TipText() const {
    return ui::ItemText(Handle(), IDC_TIP_LBLTIPTEXT);
}

bool TipWindow::LoadTips(const std::wstring& path) {
    if (path.empty() || !IsOrdinaryFile(path)) return false;
    std::wstring text;
    // A file that cannot be read counts as missing; the list keeps what it had.
    if (!ReadTextFile(path, text)) return false;
    tips_.Assign(SplitTipLines(text));
    DoNextTip();
    return true;
}

void TipWindow::DoNextTip() {
    tips_.Next(random_ ? random_() : 0.0);
    DisplayCurrentTip();
}

void TipWindow::DisplayCurrentTip() {
    const std::wstring* text = tips_.CurrentText();
    if (!text || !Handle()) return;
    SetDlgItemTextW(Handle(), IDC_TIP_LBLTIPTEXT, TipForProgram(*text, static_cast<int>(sizeof(void*) * 8)).c_str());
}

void TipWindow::OnInit() {
    if (SettingNumber(kSectionOptions, kKeyTipOfTheDay) == 0) {
        Close();
        return;
    }
    // The heading and the tip in fonts of their own; the picture is the system's information icon.
    HDC dc = GetDC(Handle());
    const int pixelsPerInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(Handle(), dc);
    LOGFONTW tip{};
    tip.lfHeight = -MulDiv(10, pixelsPerInch, 72);
    tip.lfWeight = FW_NORMAL;
    tip.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(tip.lfFaceName, L"Arial");
    tipFont_ = CreateFontIndirectW(&tip);
    LOGFONTW heading = tip;
    heading.lfHeight = -MulDiv(14, pixelsPerInch, 72);
    heading.lfWeight = FW_BOLD;
    headingFont_ = CreateFontIndirectW(&heading);
    SendDlgItemMessageW(Handle(), IDC_TIP_LBLTIPTEXT, WM_SETFONT, reinterpret_cast<WPARAM>(tipFont_), FALSE);
    SendDlgItemMessageW(Handle(), IDC_TIP_HEADING, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_), FALSE);
    SendDlgItemMessageW(Handle(), IDC_TIP_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_INFORMATION)), 0);

    AttachDialogHelp(Handle(), IDH_TIP,
                     {{IDC_TIP_LBLTIPTEXT, IDH_TIP_TEXT}, {IDC_TIP_HEADING, IDH_TIP_TEXT},
                      {IDC_TIP_CHKLOADTIPSATSTARTUP, IDH_TIP_SHOWATSTARTUP}, {IDC_TIP_CMDNEXTTIP, IDH_TIP_NEXT},
                      {IDOK, IDH_BUTTON_CLOSE}});

    // Ticking the box counts as a click: "1" is stored again. A store that refuses it loses nothing
    // (the option is on either way), so that is not worth a message at every start.
    CheckDlgButton(Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP, BST_CHECKED);
    try {
        SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"1");
    } catch (const Error&) {
    }
    tips_.Assign({}); // the list lives as long as the window
    const std::wstring path = tipsPath_.empty() ? JoinPath(ProgramFolder(), kTipsFileName) : tipsPath_;
    if (!LoadTips(path)) SetDlgItemTextW(Handle(), IDC_TIP_LBLTIPTEXT, TipsNotFoundText().c_str());
}

void TipWindow::OnShowAtStartupClicked() {
    const bool ticked = IsDlgButtonChecked(Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP) == BST_CHECKED;
    try {
        SaveSetting(kSectionOptions, kKeyTipOfTheDay, ticked ? L"1" : L"0");
    } catch (const Error& e) {
        desktop_->Message(Handle(), ErrorInMessage(L"chkLoadTipsAtStartup_Click", e), L"Tip of the Day", MsgButtons::Ok,
                          MsgIcon::Critical);
    }
}

void TipWindow::Paint() {
    // The picture area: a white sunken panel behind the heading, the icon and the tip.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    RECT area;
    GetWindowRect(GetDlgItem(Handle(), IDC_TIP_PICTURE), &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT);
    EndPaint(Handle(), &ps);
}

INT_PTR TipWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_PAINT:
        Paint();
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IDC_TIP_LBLTIPTEXT || id == IDC_TIP_HEADING || id == IDC_TIP_ICON) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        }
        return FALSE;
    }
    case WM_COMMAND: {
        const ui::ChildNotification note(message, wParam, lParam);
        switch (note.Id()) {
        case IDC_TIP_CMDNEXTTIP:
            DoNextTip();
            return TRUE;
        case IDC_TIP_CHKLOADTIPSATSTARTUP:
            if (note.Code() == BN_CLICKED) OnShowAtStartupClicked();
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
        if (tipFont_) DeleteObject(tipFont_);
        if (headingFont_) DeleteObject(headingFont_);
        tipFont_ = headingFont_ = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

namespace {
TipWindow& StartupTip() {
    static TipWindow tip;
    return tip;
}
} // namespace

TipWindow* ShowTipOfTheDayAtStartup(HWND owner, Desktop& desktop) {
    if (SettingNumber(kSectionOptions, kKeyTipOfTheDay) != 1) return nullptr;
    TipWindow& tip = StartupTip();
    if (!tip.Open(owner, desktop)) return nullptr;
    UpdateWindow(tip.Handle());
    return &tip;
}

void KeepTipOfTheDayAboveOwner() {
    HWND tip = StartupTip().Handle();
    if (!tip || !IsWindowVisible(tip)) return;
    // Without activation: by now the user may be typing in the main window, and the focus must stay there
    // (a Space on "Show Tips at Startup" would switch the tips off).
    ShowWindow(tip, SW_HIDE);
    ShowWindow(tip, SW_SHOWNA);
}

} // namespace nivex
