#include "faultnote/report_viewer.h"

#include "faultnote/faultnote_resource.h"

namespace faultnote {

ReportViewer::~ReportViewer() {
    Close();
    if (font_) DeleteObject(font_);
}

bool ReportViewer::ShowReport(HWND owner, const std::wstring& pathText, const std::wstring& report) {
    if (!Handle() && !CreateModeless(IDD_VIEW, owner)) return false;
    SetDlgItemTextW(Handle(), lblPath, pathText.c_str());
    SetDlgItemTextW(Handle(), txtView, report.c_str());
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    return true;
}

INT_PTR ReportViewer::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        // Courier New at 10 points for the screen's resolution: the report lines up as in a text editor.
        HDC dc = GetDC(Handle());
        const int height = -MulDiv(10, dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96, 72);
        if (dc) ReleaseDC(Handle(), dc);
        if (!font_)
            font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
        SendDlgItemMessageW(Handle(), txtView, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_FAULTNOTE)))
            SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        Layout();
        return TRUE;
    }
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            // Escape or the Close box: the viewer goes, the wizard stays.
            Close();
            return TRUE;
        }
        break;
    case WM_CLOSE:
        Close();
        return TRUE;
    }
    return FALSE;
}

void ReportViewer::Layout() {
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT unit{0, 0, 4, 14};
    MapDialogRect(Handle(), &unit); // margin and the label's height in pixels
    const int margin = unit.right, top = unit.bottom + margin;
    MoveWindow(GetDlgItem(Handle(), lblPath), margin, margin, client.right - 2 * margin, top - 2 * margin + 2, TRUE);
    MoveWindow(GetDlgItem(Handle(), txtView), margin, top, client.right - 2 * margin, client.bottom - top - margin,
               TRUE);
}

} // namespace faultnote
