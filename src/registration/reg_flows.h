#pragma once
// The register and unregister flows: the questions around the engine (copy into the System folder first?
// delete the file afterwards?), the outcome shown in the status window and the sound.
#include <string>

#include "common/desktop.h"
#include "registration/reg_outcome.h"

namespace nivex {

// How a flow settles a question that its "Dialogs" setting governs.
enum class CopyChoice {
    Setting,        // "RegisterNonSysPath": 0 asks, 1 in place, 2 copies, anything else in place
    SettingNoAsk,   // the same, but where the setting says ask: in place (never asks)
    InPlace,        // register where the file is
    CopyToSystem,   // copy into the System folder first
};
enum class DeleteChoice {
    Setting,      // "UnregisterDelete": 0 asks, 1 keeps, 2 deletes, anything else keeps
    SettingNoAsk, // the same, but where the setting says ask: keep (never asks)
    Keep,
    Delete,
};

// What a flow does when the server failed for lack of rights and this program runs without them.
enum class Elevation {
    Ask,    // "Try again as administrator?"; Yes runs the helper again with administrator rights
    Always, // run it again with administrator rights without asking (nivexcmd --elevate)
    Never,  // report the failure
};

inline const wchar_t* const kTryAsAdministratorText = L"Try again as administrator?";

class OutcomeDisplay;

struct FlowOptions {
    explicit FlowOptions(Desktop& asker) : desktop(asker) {}
    Desktop& desktop;                     // asks the questions, plays the sound
    WindowRef owner = nullptr;            // owner of the questions and of the status window
    OutcomeDisplay* display = nullptr;    // where the outcome is shown (the status window, a console); none when null
    CopyChoice copy = CopyChoice::Setting;
    DeleteChoice remove = DeleteChoice::Setting;
    Elevation elevation = Elevation::Ask;
};

// Registers path. When the file is copied into the System folder, path becomes the copy's path and the copy
// is what gets registered. Cancelled when the user stops the flow (nothing is shown then).
RegOutcome RegisterControl(std::wstring& path, const FlowOptions& options);

// Unregisters path, deleting the file afterwards when that was chosen and the unregistration completed.
RegOutcome UnregisterControl(const std::wstring& path, const FlowOptions& options);

// True when the path's folder is the System folder (compared without regard to case).
bool IsInSystemFolder(const std::wstring& path);

} // namespace nivex
