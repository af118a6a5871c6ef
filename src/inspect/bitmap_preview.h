#pragma once
// frmBitmapPreview: the small floating window that shows the selected control's toolbox bitmap,
// and the export of that bitmap to a .bmp file.
// A toolbox bitmap reference is "server file, resource number". The server file is mapped as a
// data file only, so looking at a control's bitmap never runs the control's code.
#include <windows.h>

#include <functional>
#include <string>

#include "common/handles.h"
#include "common/desktop.h"
#include "common/window.h"
#include "inspect/toolbox_bitmap.h"

namespace nivex {

// The bitmap resource resourceId of the module, as a bitmap compatible with the screen; null when the module
// cannot be mapped or holds no usable bitmap with that number. The module is mapped as data, never run.
GdiObject LoadToolboxBitmap(const ToolboxBitmapRef& ref);

// Writes a bitmap as a Windows .bmp file at the display's colour depth. False when it cannot be written.
bool WriteBitmapFile(HBITMAP bitmap, const std::wstring& path);

// Draws the rectangle (inclusive right and bottom) of source onto destination at x, y; pixels of
// transparentColour show background (read at the destination position) instead.
void DrawTransparent(HDC destination, HDC background, HDC source, const RECT& sourceRect, int x, int y,
                     COLORREF transparentColour);

class BitmapPreview final : public Dialog {
public:
    static BitmapPreview& Instance();

    // The main window: owner of the preview and of the save dialog, and the reference for placing it.
    void SetOwner(HWND mainWindow);
    // Called when the user closes the preview with its close box (the window is hidden and "0" stored
    // already, it is unloaded afterwards); the main window unchecks its menu item there.
    void SetClosedByUser(std::function<void()> handler) { closedByUser_ = std::move(handler); }

    // Draws the referenced bitmap; creates and loads the window (hidden) when it does not exist yet.
    void DrawToolboxBitmap(const std::wstring& reference);

    bool IsVisible() const;
    void SetVisible(bool visible);
    // Puts a shown preview back on top of its owner's windows without activating it.
    void KeepAboveOwner();
    // The View menu toggle: shows (and redraws the last reference) or hides the window, stores
    // "ShowToolboxPreview" "1" or "0", and returns the new state; the caller checks its menu item.
    bool Toggle();

    // Edit > Save Toolbox Bitmap: asks for a file (desktop seam) and writes the bitmap of the given reference
    // (the "Toolbox Bitmap" row's data) there. Nothing is written, and nothing is said, without a bitmap.
    void SaveToolboxBitmap(HWND owner, Desktop& desktop, const std::wstring& reference);

    bool HasBitmap() const { return static_cast<bool>(image_); }
    const std::wstring& Reference() const { return reference_; }

    // What the window shows, for tests and the screenshot script.
    std::wstring LabelText() const;
    RECT BoxRect() const;                  // iBox in the window's client coordinates
    RECT FrameRect() const;                // Frame2 in the window's client coordinates
    COLORREF BoxPixel(int x, int y) const; // of the drawn image; CLR_INVALID outside it or when empty
    // Closes the window as the close box does.
    void CloseByUser();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    BitmapPreview() = default;
    void EnsureLoaded();
    void ClearBox();
    void Layout();

    HWND owner_ = nullptr;
    std::wstring reference_;
    GdiObject image_; // the persistent image of iBox (button face and the transparent-drawn bitmap)
    SIZE imageSize_{};
    std::function<void()> closedByUser_;
};

} // namespace nivex
