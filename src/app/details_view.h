#pragma once
// fraInfo and lvInfo 0 and 1: the selected control's registration ("Control Information") and its server
// file's facts ("File Information"), each list inside a VelmoraGUI Bevel (a plain frame when the control
// library cannot be had).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "common/desktop.h"
#include "common/ui/controls.h"
#include "guicontrols/gui_frames.h"
#include "catalogue/details_loader.h"

namespace nivex {

class DetailsView {
public:
    // The frames' property sets are the resources firstPropertySet and the one after it.
    void Create(HWND parent, int firstFrameId, int firstListId, int firstPropertySet, HFONT font, HIMAGELIST images);
    HWND Frame(int index) const { return frames_[index ? 1 : 0] ? frames_[index ? 1 : 0]->Window() : nullptr; }
    const GuiControl* FrameControl(int index) const { return frames_[index ? 1 : 0].get(); }
    HWND List(int index) const { return lists_[index ? 1 : 0].Handle(); }
    // Which list a list-view notification came from; -1 when neither.
    int ListIndexOf(int controlId) const;

    void Show(const ControlDetails& details);
    // The Control Information frame's caption names the selection's registry view (none: the plain caption).
    void ShowView(std::optional<RegistryView> view);
    void Place(const RECT& upper, const RECT& lower);
    // The row the user selected in a list, as this view filled it (the screen is not read back); null when
    // no row is selected.
    const DetailRow* SelectedRow(int listIndex) const;
    // Shows new data in the row of element (a value read back after an edit).
    void SetData(int listIndex, const std::wstring& element, const std::wstring& data);
    void Enable(bool enable);

    // The list last released with a mouse button (0 or 1).
    int ActiveList() const { return active_; }
    void SetActiveList(int listIndex) { active_ = listIndex ? 1 : 0; }
    // What Edit Data needs of the lists: the selected control-information row's element while that list is
    // the active one, and the row to show the value read back in.
    void Serve(CommandContext& context);
    // Edit > Copy Data: the active list's selected data onto the clipboard; a failure is not reported.
    void CopySelectedData(Desktop& desktop, HWND owner) const;

private:
    void Fill(const std::vector<DetailRow>& rows, int listIndex);
    void FitDataColumn(int listIndex);

    std::unique_ptr<GuiControl> frames_[2];
    ui::ListView lists_[2];
    std::vector<DetailRow> rows_[2]; // what each list shows, row by row
    int active_ = 0;
    std::wstring caption_; // the Control Information frame's caption as last set
    int firstListId_ = 0;
};

} // namespace nivex
