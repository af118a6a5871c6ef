#pragma once
// The main window's ways to give a command: the menu bar, the toolbar in its frame, the tray menu and the
// accelerators. Their enabled states come from the command table; nothing else greys or enables them.
#include <windows.h>

#include <functional>

#include "app/command_table.h"
#include "app/toolbar_frame.h"
#include "common/handles.h"
#include "common/ui/controls.h"

namespace nivex {

class CommandBar {
public:
    // Positions of the menu bar's menus.
    static constexpr int kMenuFile = 0, kMenuEdit = 1, kMenuView = 2, kMenuTools = 3, kMenuHelp = 4;

    // Loads the menus and accelerators (the menu bar is then handed to the window's creation).
    void Load(HINSTANCE instance);
    // Creates the toolbar's frame, the image lists and the toolbar in the created window.
    void Create(HWND window, HFONT font);
    // Rebuilds the toolbar, so that button sizes follow the captions setting.
    void RebuildToolbar();

    HMENU MenuBar() const { return menu_.Handle(); }
    const ui::Menu& Menus() const { return menu_; }
    const ui::Menu& TrayMenu() const { return trayMenu_; }
    HACCEL Accelerators() const { return accelerators_; }
    HWND Toolbar() const { return toolbar_.Handle(); }
    HWND ToolbarFrameHandle() const { return frame_; }
    HIMAGELIST ListImages() const { return listImages_.Get(); }
    // The toolbar's height in pixels (its last button's bottom edge).
    int ToolbarPixels() const;

    // Every menu item, toolbar button and tray item takes the state its command has now.
    void Apply(const CommandTable& table, const CommandConditions& conditions);
    // The whole File, Edit and Tools menus, for the time of a scan.
    void SetTopMenusEnabled(bool enabled);
    // The command a menu, toolbar or accelerator identifier stands for (a button runs its menu command).
    static int CommandOf(int id);
    // True when the identifier's item is enabled on screen right now.
    bool IsEnabled(int id) const;
    // The exit item's text, keeping its shortcut.
    void SetExitCaption(const std::wstring& caption);
    // Pops up the File menu without its exit item (the trees' context menu).
    void PopupFileMenuWithoutExit(const std::function<void(HMENU, POINT)>& popup, POINT screen);
    // Tool tips of the toolbar; true when the notification was one.
    bool OnNotify(NMHDR* header);

private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    ui::Menu menu_;
    OwnedMenu trayMenuBar_; // the resource menu whose first popup is mnuSysTray
    ui::Menu trayMenu_;
    HACCEL accelerators_ = nullptr;
    ToolbarFrame toolbarFrame_;
    HWND frame_ = nullptr;
    ui::Toolbar toolbar_;
    ImageList listImages_;
    ImageList toolbarImages_;
    ImageList toolbarGreyImages_;
    // The last states applied, so that a rebuilt toolbar gets them again.
    const CommandTable* table_ = nullptr;
    CommandConditions conditions_;
};

} // namespace nivex
