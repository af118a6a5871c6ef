#pragma once
// frmCompare: two control files side by side, row by row, each row marked with whether they agree.
// Modeless; its owner stays disabled from the window's loading until it is closed.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/window.h"
#include "guicontrols/gui_frames.h"
#include "inspect/compare_rows.h"

namespace nivex {

class frmCompare final : public Dialog {
public:
    // Creates and shows the window, owned by owner, with firstPath (the selected control's resolved server
    // file; may be empty) in the first box. The window deletes itself when it is closed. nullptr when the
    // window cannot be created (no template in the executable).
    static frmCompare* Open(HWND owner, Desktop& desktop, const std::wstring& firstPath);

    // cmdBrowse(index): asks for a file and puts it into box index.
    void Browse(int index);
    // cmdCompare: checks both files and fills the results.
    void Compare();

    // What the window shows, for tests.
    std::wstring BoxText(int index) const;
    const std::wstring& BoxPath(int index) const { return paths_[index == 0 ? 0 : 1]; }
    bool CompareEnabled() const;
    struct ShownRow {
        std::wstring element, first, second;
        int image = -1; // 0 "YES", 1 "NO"
    };
    std::vector<ShownRow> Rows() const;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    frmCompare(HWND owner, Desktop& desktop) : owner_(owner), desktop_(desktop) {}
    void Load();
    void Layout();
    void SetBox(int index, const std::wstring& path);
    HWND Item(int id) const { return GetDlgItem(Handle(), id); }

    HWND owner_;
    Desktop& desktop_;
    std::wstring paths_[2]; // the boxes' tags: the full paths that are examined
    std::unique_ptr<GuiControl> line_; // EtchedLine1
    HIMAGELIST images_ = nullptr;
    HBITMAP browsePicture_ = nullptr;
};

} // namespace nivex
