#pragma once
// Which commands of the main window are enabled when: the commands that later work has not yet
// delivered, the rule of "enable main controls" used around scans, and the rule of the selected
// control's missing state. Portable, so the rules are tested natively.
#include <string>
#include <vector>

namespace nivex {

struct CommandState {
    int id = 0;
    bool enabled = false;
};

// False for commands whose operation is not part of this build: they stay greyed whatever the rules say.
bool CommandAvailable(int id);
// The commands that are not available yet, in menu order.
const std::vector<int>& UnavailableCommands();

// The menu commands and toolbar buttons that "enable main controls" sets (the two trees are the window's).
// View > Missing Controls is enabled only when enable is true and missingCount is not 0.
std::vector<CommandState> MainControlStates(bool enable, long missingCount);

// The commands that suit a present or a missing server file of the selected control.
std::vector<CommandState> MissingFileStates(bool missing);

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

} // namespace nivex
