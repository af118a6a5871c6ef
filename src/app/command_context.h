#pragma once
// What a command of the main window works with, and nothing of the window's own parts: the selection,
// the catalogue, the owner window, the desktop, where outcomes and status texts go, how to run an
// operation busy, and what to do once the catalogue changed. The main window builds one and hands it to
// every command entry; tests build their own, without a window.
#include <windows.h>

#include <functional>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/selected_control.h"
#include "common/desktop.h"
#include "registration/outcome_display.h"

namespace nivex {

// The "STATUS" panel and the progress bar inside it. Every member may be empty.
struct StatusSink {
    std::function<std::wstring()> text;
    std::function<void(const std::wstring&)> setText;
    std::function<void(int maximum)> showProgress; // range 0..maximum, value 0, visible
    std::function<void(int value)> setProgress;
    std::function<void()> hideProgress;
};

struct CommandContext {
    CommandContext(Catalogue& model, const SelectedControl& selected, Desktop& desk, OutcomeDisplay& display)
        : catalogue(model), selection(selected), desktop(desk), outcomes(display) {}
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    Catalogue& catalogue;             // its display mode is the tree on screen
    const SelectedControl& selection; // as it is when the command runs
    Desktop& desktop;
    OutcomeDisplay& outcomes;         // where a registration's outcome is shown
    HWND owner = nullptr;             // of every question and window a command opens
    StatusSink status;

    // Each may be empty.
    std::function<void(const std::function<void()>&)> runBusy; // no other command starts meanwhile
    std::function<void()> showChanges;                       // nodes added or removed: trees redrawn
    std::function<void()> rescan;                            // only a full scan shows what changed
    std::function<void()> showCounts;
    std::function<void(const std::wstring& path)> deleteAtExit;
    std::function<void(int tab)> openOptions;
    std::function<bool(HWND owner, const std::wstring& path)> openProperties; // the shell's properties sheet
    // The element of the selected control-information row while that list is the active one; empty otherwise.
    std::function<std::wstring()> selectedElement;
    // Shows a value read back from the registry in the element's control-information row.
    std::function<void(const std::wstring& element, const std::wstring& value)> showElementValue;
    // Called after every selection change.
    std::function<void(std::function<void(const SelectedControl&)> listener)> addSelectionListener;

    void RunBusy(const std::function<void()>& operation) const {
        if (runBusy) runBusy(operation);
        else operation();
    }
    std::wstring StatusText() const { return status.text ? status.text() : std::wstring(); }
    void SetStatusText(const std::wstring& text) const {
        if (status.setText) status.setText(text);
    }
    static void Call(const std::function<void()>& callback) {
        if (callback) callback();
    }
};

} // namespace nivex
