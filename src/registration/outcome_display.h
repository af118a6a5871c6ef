#pragma once
// Where the flows show an outcome: the status window in the program, standard output and error in the
// console companion, a recorder in tests. The caller hands it to the flow.
#include "common/desktop.h"
#include "registration/reg_outcome.h"

namespace nivex {

class OutcomeDisplay {
public:
    virtual ~OutcomeDisplay() = default;
    // Shows the outcome without waiting for the user (the status window is modeless).
    virtual void Show(const OutcomeText& text, WindowRef owner) = 0;
    // For runs that end after one flow: returns when the user has dismissed what Show put up.
    virtual void WaitUntilDismissed() {}
};

} // namespace nivex
