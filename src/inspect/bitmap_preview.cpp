#include "inspect/bitmap_preview.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/desktop.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "inspect/inspect_resource.h"
#include "registry/settings.h"

namespace nivex {

namespace {

const wchar_t* const kSection = L"Appearence";
const wchar_t* const kShowKey = L"ShowToolboxPreview";

// The folder part of a path for the temporary file, "." when it names none.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : L".";
    if (slash == 0) return path.substr(0, 1);
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

// The display's context: bitmaps are made in its format, as the preview and the saved file show them.
struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc) ReleaseDC(nullptr, dc);
    }
};

class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

void StoreShown(bool shown) {
    try {
        SaveSetting(kSection, kShowKey, shown ? L"1" : L"0");
    } catch (const std::exception&) {
        // The window's state stays as the user asked; nothing in this window reports.
    }
}

} // namespace

GdiObject LoadToolboxBitmap(const ToolboxBitmapRef& ref) {
    if (ref.module.empty() || ref.module.find(L'\0') != std::wstring::npos) return {};
    if (ref.resourceId < 1 || ref.resourceId > 0xFFFF) return {};
    // Mapped as an image resource only: the server's own code (DllMain and what it pulls in) never runs.
    DWORD previousMode = 0;
    const BOOL quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    Module module(
        LoadLibraryExW(ref.module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (quiet) SetThreadErrorMode(previousMode, nullptr);
    if (!module) return {};
    HRSRC found = FindResourceW(module.Get(), MAKEINTRESOURCEW(ref.resourceId), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (!found) return {};
    const DWORD size = SizeofResource(module.Get(), found);
    HGLOBAL loaded = LoadResource(module.Get(), found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return {};
    const auto dib = CheckPackedDib(static_cast<const std::uint8_t*>(data), size);
    if (!dib) return {};
    static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4, "CheckedDib::info is laid out as BITMAPINFO");
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib->info.data());
    ScreenDc screen;
    if (!screen.dc) return {};
    return GdiObject(CreateDIBitmap(screen.dc, &info->bmiHeader, CBM_INIT, dib->bits.data(), info, DIB_RGB_COLORS));
}

bool WriteBitmapFile(HBITMAP bitmap, const std::wstring& path) {
    const SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0 || path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    ScreenDc screen;
    if (!screen.dc) return false;
    int depth = GetDeviceCaps(screen.dc, BITSPIXEL) * GetDeviceCaps(screen.dc, PLANES);
    if (depth != 16 && depth != 24 && depth != 32) depth = 24; // palette displays: keep every colour

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = size.cx;
    header.biHeight = size.cy;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(depth);
    header.biCompression = BI_RGB;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(size.cx) * static_cast<unsigned>(depth) + 31) / 32) * 4;
    const std::uint64_t bitsSize = stride * static_cast<std::uint64_t>(size.cy);
    if (bitsSize > 0x7FFFFFFFull - sizeof(BITMAPFILEHEADER) - sizeof(header)) return false;
    header.biSizeImage = static_cast<DWORD>(bitsSize);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(bitsSize));
    BITMAPINFO info{};
    info.bmiHeader = header;
    if (GetDIBits(screen.dc, bitmap, 0, static_cast<UINT>(size.cy), bits.data(), &info, DIB_RGB_COLORS) != size.cy)
        return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bitsSize);
    std::vector<std::uint8_t> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &header, sizeof(header));
    std::memcpy(bytes.data() + file.bfOffBits, bits.data(), bits.size());

    // Written beside the target first, so a failed write never destroys a file that was there.
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"nvx", 0, temporary)) return false;
    bool written = false;
    {
        FileHandle out(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        written = out && WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                  done == bytes.size();
    }
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return true;
    DeleteFileW(temporary);
    return false;
}

void DrawTransparent(HDC destination, HDC background, HDC source, const RECT& sourceRect, int x, int y,
                     COLORREF transparentColour) {
    const int width = sourceRect.right - sourceRect.left + 1;
    const int height = sourceRect.bottom - sourceRect.top + 1;
    if (width <= 0 || height <= 0) return;

    MemoryDc maskDc(CreateCompatibleDC(background));
    MemoryDc inverseDc(CreateCompatibleDC(background));
    MemoryDc backDc(CreateCompatibleDC(background));
    MemoryDc objectDc(CreateCompatibleDC(background));
    GdiObject mask(CreateBitmap(width, height, 1, 1, nullptr));
    GdiObject inverse(CreateBitmap(width, height, 1, 1, nullptr));
    GdiObject back(CreateCompatibleBitmap(background, width, height));
    GdiObject object(CreateCompatibleBitmap(background, width, height));
    if (!maskDc || !inverseDc || !backDc || !objectDc || !mask || !inverse || !back || !object) return;
    Selection s1(maskDc.Get(), mask.Get());
    Selection s2(inverseDc.Get(), inverse.Get());
    Selection s3(backDc.Get(), back.Get());
    Selection s4(objectDc.Get(), object.Get());
    // Monochrome to colour blits take their two colours from the target: white for 1, black for 0.
    for (HDC dc : {backDc.Get(), objectDc.Get()}) {
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
    }

    const COLORREF previous = SetBkColor(source, transparentColour);
    BitBlt(maskDc.Get(), 0, 0, width, height, source, sourceRect.left, sourceRect.top, SRCCOPY);
    SetBkColor(source, previous);
    BitBlt(inverseDc.Get(), 0, 0, width, height, maskDc.Get(), 0, 0, NOTSRCCOPY);

    BitBlt(backDc.Get(), 0, 0, width, height, background, x, y, SRCCOPY);
    BitBlt(backDc.Get(), 0, 0, width, height, maskDc.Get(), 0, 0, SRCAND);
    BitBlt(objectDc.Get(), 0, 0, width, height, source, sourceRect.left, sourceRect.top, SRCCOPY);
    BitBlt(objectDc.Get(), 0, 0, width, height, inverseDc.Get(), 0, 0, SRCAND);
    BitBlt(backDc.Get(), 0, 0, width, height, objectDc.Get(), 0, 0, SRCPAINT);
    BitBlt(destination, x, y, width, height, backDc.Get(), 0, 0, SRCCOPY);
}

BitmapPreview& BitmapPreview::Instance() {
    static BitmapPreview preview;
    return preview;
}

void BitmapPreview::SetOwner(HWND mainWindow) {
    owner_ = mainWindow;
}

void BitmapPreview::EnsureLoaded() {
    if (Handle()) return;
    HWND focus = GetFocus();
    if (!CreateModeless(IDD_BITMAP_PREVIEW, owner_)) return;
    // Right edges aligned, 500 twips below the main window's top.
    RECT own{};
    GetWindowRect(Handle(), &own);
    if (owner_ && IsWindow(owner_)) {
        RECT main{};
        GetWindowRect(owner_, &main);
        const int left = main.left + (main.right - main.left) - (own.right - own.left);
        const int top = main.top + TwipsToPixelsY(500);
        SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (IsWindowVisible(owner_) && focus && GetFocus() != focus) SetFocus(focus);
    }
}

void BitmapPreview::ClearBox() {
    image_.Reset();
    imageSize_ = SIZE{0, 0};
    if (HWND box = Handle() ? GetDlgItem(Handle(), IDC_PREVIEW_IBOX) : nullptr) InvalidateRect(box, nullptr, TRUE);
}

void BitmapPreview::Layout() {
    HWND box = GetDlgItem(Handle(), IDC_PREVIEW_IBOX);
    if (!box) return;
    const RECT frame = FrameRect();
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    // Centred in the frame; a bitmap larger than the frame is cut at the frame's edges.
    const int width = std::min<int>(imageSize_.cx, frameWidth - 4);
    const int height = std::min<int>(imageSize_.cy, frameHeight - 4);
    const int left = frame.left + frameWidth / 2 - width / 2;
    const int top = frame.top + frameHeight / 2 - height / 2;
    SetWindowPos(box, nullptr, left, top, std::max(width, 0), std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

void BitmapPreview::DrawToolboxBitmap(const std::wstring& reference) {
    try {
        reference_ = reference;
        EnsureLoaded();
        if (!Handle()) return;
        ClearBox();
        const auto ref = ParseToolboxBitmapRef(reference);
        if (!ref) return; // no reference at all: the box stays cleared and the label as it was
        GdiObject bitmap = LoadToolboxBitmap(*ref);
        if (!bitmap) {
            SetDlgItemTextW(Handle(), IDC_PREVIEW_LABEL1, L"N/A");
            return;
        }
        const SIZE size = BitmapSize(static_cast<HBITMAP>(bitmap.Get()));
        if (size.cx <= 0 || size.cy <= 0) return;
        const std::wstring label = std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy);
        SetDlgItemTextW(Handle(), IDC_PREVIEW_LABEL1, label.c_str());

        ScreenDc screen;
        MemoryDc imageDc(CreateCompatibleDC(screen.dc));
        MemoryDc sourceDc(CreateCompatibleDC(screen.dc));
        GdiObject image(CreateCompatibleBitmap(screen.dc, size.cx, size.cy));
        if (!imageDc || !sourceDc || !image) return;
        {
            Selection target(imageDc.Get(), image.Get());
            Selection source(sourceDc.Get(), bitmap.Get());
            const RECT all{0, 0, size.cx, size.cy};
            FillRect(imageDc.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
            // The bottom-left pixel names the colour that shows the background.
            const COLORREF transparent = GetPixel(sourceDc.Get(), 0, size.cy - 1);
            DrawTransparent(imageDc.Get(), imageDc.Get(), sourceDc.Get(), RECT{0, 0, size.cx - 1, size.cy - 1}, 0, 0,
                            transparent);
        }
        image_ = std::move(image);
        imageSize_ = size;
        Layout();
        InvalidateRect(GetDlgItem(Handle(), IDC_PREVIEW_IBOX), nullptr, TRUE);
    } catch (const std::exception&) {
        // Drawing ends silently; the box stays cleared.
    }
}

bool BitmapPreview::IsVisible() const {
    return Handle() && IsWindowVisible(Handle());
}

void BitmapPreview::SetVisible(bool visible) {
    if (!visible) {
        if (Handle()) ShowWindow(Handle(), SW_HIDE);
        return;
    }
    const bool existed = Handle() != nullptr;
    EnsureLoaded();
    if (!Handle()) return;
    ShowWindow(Handle(), SW_SHOW);
    if (!existed) DrawToolboxBitmap(reference_);
}

void BitmapPreview::KeepAboveOwner() {
    if (!IsVisible()) return;
    // Shown again without activation: the window system then maps it above its owner, also where the
    // owner was raised over it behind the window manager's back.
    ShowWindow(Handle(), SW_HIDE);
    ShowWindow(Handle(), SW_SHOWNA);
}

bool BitmapPreview::Toggle() {
    if (IsVisible()) {
        ShowWindow(Handle(), SW_HIDE);
        StoreShown(false);
        return false;
    }
    EnsureLoaded();
    if (!Handle()) return false;
    ShowWindow(Handle(), SW_SHOW);
    PumpPendingMessages();
    DrawToolboxBitmap(reference_);
    StoreShown(true);
    return IsVisible();
}

void BitmapPreview::CloseByUser() {
    if (!Handle()) return;
    if (IsVisible()) Toggle();
    if (closedByUser_) closedByUser_();
    Close();
}

void BitmapPreview::SaveToolboxBitmap(HWND owner, Desktop& desktop, const std::wstring& reference) {
    try {
        FileDialogRequest request;
        request.owner = owner;
        request.filter = L"Bitmap Image (*.bmp)|*.bmp";
        request.title = L"Save File As";
        request.initialFolder = ProgramFolder();
        request.defaultExt = L"bmp";
        const std::wstring path = desktop.SaveFile(request);
        if (path.empty() || path == kDialogCancelled) return;
        const auto ref = ParseToolboxBitmapRef(reference);
        if (!ref) return;
        GdiObject bitmap = LoadToolboxBitmap(*ref);
        if (!bitmap) return;
        // Saved as the resource holds it: no transparency, at the display's depth.
        WriteBitmapFile(static_cast<HBITMAP>(bitmap.Get()), path);
    } catch (const std::exception&) {
        // Nothing is written and nothing is said.
    }
}

std::wstring BitmapPreview::LabelText() const {
    return ui::ItemText(Handle(), IDC_PREVIEW_LABEL1);
}

RECT BitmapPreview::BoxRect() const {
    return ui::ChildRect(Handle(), Handle() ? GetDlgItem(Handle(), IDC_PREVIEW_IBOX) : nullptr);
}

RECT BitmapPreview::FrameRect() const {
    return ui::ChildRect(Handle(), Handle() ? GetDlgItem(Handle(), IDC_PREVIEW_FRAME2) : nullptr);
}

COLORREF BitmapPreview::BoxPixel(int x, int y) const {
    if (!image_ || x < 0 || y < 0 || x >= imageSize_.cx || y >= imageSize_.cy) return CLR_INVALID;
    ScreenDc screen;
    MemoryDc dc(CreateCompatibleDC(screen.dc));
    if (!dc) return CLR_INVALID;
    Selection selected(dc.Get(), image_.Get());
    return GetPixel(dc.Get(), x, y);
}

INT_PTR BitmapPreview::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        AttachDialogHelp(Handle(), IDH_PREVIEW,
                         {{IDC_PREVIEW_IBOX, IDH_PREVIEW_IMAGE}, {IDC_PREVIEW_LABEL1, IDH_PREVIEW_IMAGE}});
        return FALSE; // loaded hidden: the focus stays where it is
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (wParam != IDC_PREVIEW_IBOX || !item) return FALSE;
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        if (image_) {
            MemoryDc dc(CreateCompatibleDC(item->hDC));
            if (dc) {
                Selection selected(dc.Get(), image_.Get());
                BitBlt(item->hDC, 0, 0, imageSize_.cx, imageSize_.cy, dc.Get(), 0, 0, SRCCOPY);
            }
        }
        return TRUE;
    }
    case WM_SYSCOLORCHANGE:
        DrawToolboxBitmap(reference_); // the image holds the button-face colour
        return FALSE;
    case WM_CLOSE:
        CloseByUser();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            CloseByUser();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void BitmapPreview::OnDestroyed() {
    image_.Reset();
    imageSize_ = SIZE{0, 0};
}

} // namespace nivex
