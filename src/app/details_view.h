#pragma once
// fraInfo and lvInfo 0 and 1: the selected control's registration ("Control Information") and its server
// file's facts ("File Information"), each list inside a VelmoraGUI Bevel (a plain frame when the control
// library cannot be had).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

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
    void Place(const RECT& upper, const RECT& lower);
    // The data text of the row whose element is element; empty when absent.
    std::wstring Data(int listIndex, const std::wstring& element) const;
    // The data text of the selected row of a list; empty when none is selected.
    std::wstring SelectedData(int listIndex) const;
    void Enable(bool enable);

private:
    void Fill(const std::vector<DetailRow>& rows, int listIndex);
    void FitDataColumn(int listIndex);

    std::unique_ptr<GuiControl> frames_[2];
    ui::ListView lists_[2];
    int firstListId_ = 0;
};

} // namespace nivex
