#pragma once
// The main window's command dispatch: the command table, the busy state, and the conditions every
// command's needs are checked against; the command bar shows each command's state.
#include <functional>

#include "app/command_bar.h"
#include "app/command_table.h"
#include "catalogue/catalogue.h"
#include "catalogue/selected_control.h"

namespace nivex {

class CommandDispatch {
public:
    CommandDispatch(CommandBar& bar, const Catalogue& catalogue, const SelectedControl& selection)
        : bar_(bar), catalogue_(catalogue), selection_(selection) {}

    CommandTable& Table() { return table_; }
    bool Busy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }
    CommandConditions Conditions() const;
    // Every menu item, button and tray item takes the state its command has now.
    void Refresh() const { bar_.Apply(table_, Conditions()); }
    // Runs an operation busy (no other command starts), the states refreshed before and after.
    void RunBusy(const std::function<void()>& operation);
    // A menu item, toolbar button or accelerator: its command runs unless the window is busy or the item
    // is greyed on screen (a greyed item's accelerator does nothing).
    void Dispatch(int id);
    // Runs a command as its item would; false when it is not enabled.
    bool Run(int command) { return table_.Run(command, Conditions()); }

private:
    CommandBar& bar_;
    const Catalogue& catalogue_;
    const SelectedControl& selection_;
    CommandTable table_;
    bool busy_ = false;
};

} // namespace nivex
