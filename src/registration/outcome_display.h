#pragma once
// Where the flows show an outcome: the status window in the program, standard output in the console
// companion, a recorder in tests.
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

// The process-wide display: the registration status window unless another is installed.
OutcomeDisplay& TheOutcomeDisplay();
// Installs a display (not owned); nullptr restores the status window. Returns the previous one.
OutcomeDisplay* SetOutcomeDisplay(OutcomeDisplay* display);

} // namespace nivex
