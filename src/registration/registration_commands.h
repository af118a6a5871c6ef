#pragma once
// The register and unregister commands as the main window runs them: the file dialogs, the flows and
// the catalogue updates afterwards; and the one-shot runs of the "/R" and "/U" switches.
#include <windows.h>

#include <string>

#include "catalogue/catalogue.h"
#include "common/desktop.h"
#include "registration/outcome_display.h"
#include "registration/reg_outcome.h"

namespace nivex {

inline const wchar_t* const kControlFileFilter = L"ActiveX Controls (*.OCX)|*.ocx|ActiveX DLL's (*.DLL)|*.dll";
inline const wchar_t* const kRegisterDialogTitle = L"Register ActiveX Control";
inline const wchar_t* const kUnregisterDialogTitle = L"Unregister ActiveX Control";
// What the "STATUS" panel shows while the register command runs.
inline const wchar_t* const kUpdatingListText = L"Updating List.....";

// File > Register Control and the tray's Register Control: asks for a file (starting in the System folder),
// runs the register flow and, on Completed, adds the controls the file now serves to the catalogue.
// Cancelled when the dialog is cancelled.
RegOutcome RegisterCommand(Catalogue& catalogue, HWND owner, Desktop& desktop, OutcomeDisplay& display);

// File > Unregister Control on the selected control's server file. On Completed the
// selected control's library leaves the all-controls tree: libraries - 1, controls - CountSiblings(), the
// library node removed with its children. The catalogue's selection must be the tree's.
RegOutcome UnregisterSelectedCommand(Catalogue& catalogue, const std::wstring& path, HWND owner, Desktop& desktop,
                                      OutcomeDisplay& display);

// The tray's Unregister Control: asks for a file, runs the unregister flow and, on Completed, removes the
// libraries of every catalogued control whose server (read before unregistering) was that file.
RegOutcome TrayUnregisterCommand(Catalogue& catalogue, HWND owner, Desktop& desktop, OutcomeDisplay& display);

// Removes the libraries holding the given control nodes of the all-controls tree, lowering the counters.
void RemoveLibrariesOf(Catalogue& catalogue, const std::vector<int>& controlNodes);

// Control nodes of the all-controls tree whose registered server (InProcServer32) is the given file.
std::vector<int> ControlsServedBy(const Catalogue& catalogue, const std::wstring& path);

// True when two paths name the same file (case, "." and "..", short and long names aside).
bool SamePath(const std::wstring& a, const std::wstring& b);

// The "/R" and "/U" runs: the path text as it follows the switch (one pair of surrounding double quotes
// removed), the flow with its usual questions, then the display's wait until the user dismissed it.
// Returns the process exit code: 0 Completed, 3 Cancelled, 10 + outcome code for a failure.
int RunOneShot(bool unregister, const std::wstring& pathText, Desktop& desktop, OutcomeDisplay& display);

} // namespace nivex
