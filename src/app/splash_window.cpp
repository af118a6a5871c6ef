#include "app/splash_window.h"

#include <commctrl.h>

#include "app/resource.h"
#include "app/version_text.h"
#include "common/ui/window_classes.h"
#include "nivex_version.h"

namespace nivex {

namespace {
// The artwork keeps a flat band at its bottom for the version, the status line and the progress bar.
constexpr int kBandHeight = 60;
constexpr int kDefaultWidth = 400;
constexpr int kDefaultHeight = 250;
constexpr int kMargin = 12;

HFONT MessageFont(bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (bold) metrics.lfMessageFont.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}
} // namespace

void SplashWindow::Show(std::function<void()> onEscape) {
    onEscape_ = std::move(onEscape);
    if (Handle()) {
        ShowWindow(Handle(), SW_SHOW);
        return;
    }
    version_ = SplashVersionLine(NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION);
    artwork_.Reset(static_cast<HGDIOBJ>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    artSize_ = {kDefaultWidth, kDefaultHeight};
    if (artwork_) {
        BITMAP info{};
        GetObjectW(artwork_.Get(), sizeof(info), &info);
        artSize_ = {info.bmWidth, info.bmHeight};
    }
    font_.Reset(MessageFont(false));
    boldFont_.Reset(MessageFont(true));

    RegisterWindowClass(ui::kSplashWindowClass, CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                        LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIVEX)));
    RECT rect{0, 0, artSize_.cx, artSize_.cy};
    AdjustWindowRectEx(&rect, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    Create(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, ui::kSplashWindowClass, L"Velmora Control Manager", WS_POPUP | WS_BORDER,
           x, y, width, height, nullptr, nullptr);
    if (!Handle()) return;
    progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, kMargin, artSize_.cy - 18,
                                artSize_.cx - 2 * kMargin, 10, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SPLASH_PROGRESSBAR)),
                                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    SetForegroundWindow(Handle());
    SetFocus(Handle());
}

void SplashWindow::Close() {
    Destroy();
    progress_ = nullptr;
}

RECT SplashWindow::StatusRect() const {
    const int band = artSize_.cy - kBandHeight;
    return RECT{kMargin, band + 24, artSize_.cx - kMargin, band + 40};
}

void SplashWindow::SetStatus(const std::wstring& text) {
    if (text == status_) return;
    status_ = text;
    if (Handle()) {
        const RECT rect = StatusRect();
        InvalidateRect(Handle(), &rect, TRUE);
    }
}

void SplashWindow::SetProgressMaximum(int maximum) {
    if (progress_) SendMessageW(progress_, PBM_SETRANGE32, 0, maximum);
}

void SplashWindow::SetProgress(int value) {
    if (progress_) SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void SplashWindow::Paint(HDC dc) {
    const int band = artSize_.cy - kBandHeight;
    if (artwork_) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, artwork_.Get());
        BitBlt(dc, 0, 0, artSize_.cx, artSize_.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    } else {
        // Without artwork: a gradient in caption colours with the title, and a light band below.
        TRIVERTEX vertices[2] = {{0, 0, 0x1000, 0x3000, 0x7000, 0}, {artSize_.cx, band, 0x3000, 0x7000, 0xC000, 0}};
        GRADIENT_RECT gradient{0, 1};
        GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, boldFont_.Get());
        RECT title{0, 0, artSize_.cx, band};
        DrawTextW(dc, L"Velmora Control Manager", -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        RECT rest{0, band, artSize_.cx, artSize_.cy};
        HBRUSH light = CreateSolidBrush(RGB(243, 246, 251));
        FillRect(dc, &rest, light);
        DeleteObject(light);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(32, 48, 80));
    HGDIOBJ old = SelectObject(dc, boldFont_.Get());
    RECT versionRect{kMargin, band + 6, artSize_.cx - kMargin, band + 22};
    DrawTextW(dc, version_.c_str(), -1, &versionRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, font_.Get());
    RECT statusRect = StatusRect();
    DrawTextW(dc, status_.c_str(), -1, &statusRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
}

LRESULT SplashWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // Paint covers everything
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            ShowWindow(Handle(), SW_HIDE);
            if (onEscape_) onEscape_();
            return 0;
        }
        break;
    case WM_CLOSE:
        return 0; // the start-up sequence closes it
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace nivex
