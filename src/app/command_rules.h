#pragma once
// When the main window's commands are enabled, and the toolbar's buttons. Portable, tested natively.
#include <string>
#include <vector>

namespace nivex {

// What a command needs before it may run; a command's rule is a combination of these.
enum CommandNeeds : unsigned {
    kNeedsNothing = 0,
    kNeedsIdle = 1u << 0,            // no scan or other operation under way ("enable main controls")
    kNeedsSelection = 1u << 1,       // a control is selected
    kNeedsPresentFile = 1u << 2,     // ... whose server file is present (implies a selection)
    kNeedsMissingFile = 1u << 3,     // ... whose server file is missing (implies a selection)
    kNeedsMissingControls = 1u << 4, // the catalogue counts a missing file
    kNeedsTwoViews = 1u << 5,        // the machine has two registry views (64-bit Windows)
};

struct CommandConditions {
    bool idle = true;
    bool selection = false; // a control is selected
    bool missing = false;   // the selected control's file is missing
    long missingCount = 0;
    bool twoViews = false;
};

bool NeedsMet(unsigned needs, const CommandConditions& conditions);

// The eight toolbar buttons in order.
struct ToolbarButtonInfo {
    int id;             // the button's own identifier
    const wchar_t* key; // also its image key
    const wchar_t* caption;
    const wchar_t* toolTip;
    int command;        // the menu command it runs
};
const std::vector<ToolbarButtonInfo>& ToolbarButtons();
// The image keys of ilToolbar24 and ilToolbar24BW, in image-list order.
const std::vector<std::wstring>& ToolbarImageKeys();
// The image index for a key, -1 when the list has no such key.
int ToolbarImageIndex(const std::wstring& key);
// The menu command a toolbar button runs; 0 for an unknown button.
int ToolbarCommand(int buttonId);
// The toolbar button of a menu command; 0 when it has none.
int ToolbarButtonOf(int commandId);

} // namespace nivex
