#pragma once
// frmFindInList: a small modeless window owned by the main window that steps through the visible
// catalogue tree to the next node whose text contains the search text. Remembers five search texts.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/find_order.h"
#include "common/desktop.h"
#include "common/window.h"
#include "guicontrols/gui_frames.h"

namespace nivex {

class FindInListDialog final : public Dialog {
public:
    // The main window's search: text, library names, control names.
    using SearchHandler = std::function<void(const std::wstring& find, bool typeLib, bool control)>;

    // desktop tells a failure to store the recent texts.
    explicit FindInListDialog(Desktop& desktop) : desktop_(desktop) {}

    void SetSearchHandler(SearchHandler handler) { search_ = std::move(handler); }
    // Creates the window (or brings it forward when it is open).
    void Open(HWND owner);
    bool IsOpen() const { return Handle() != nullptr; }

    // The controls' state, for the main window's tests.
    std::wstring SearchText() const;
    void SetSearchText(const std::wstring& text);
    void SetFlags(bool typeLib, bool control);
    std::vector<std::wstring> ListEntries() const;
    bool FindNextEnabled() const;
    // "&Find Next" and "&Close" as a click would run them.
    void FindNext();
    void CloseWindow();

    // The recent texts as stored (RecentFindString1..5).
    static RecentTexts LoadRecentTexts();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override { etchedLine1_.reset(); }

private:
    void RebuildList();
    void UpdateFindButton(const std::wstring& text);

    Desktop& desktop_;
    SearchHandler search_;
    HWND owner_ = nullptr;
    std::unique_ptr<GuiControl> etchedLine1_;
};

} // namespace nivex
