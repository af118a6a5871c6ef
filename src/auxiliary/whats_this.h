#pragma once
// What's-This help that works everywhere: the program runs the mode itself (help pointer, the next
// click picks the control under it, Esc or a click outside cancels), looks the control's help
// identifier up and shows its text pop-up from the help file, or in a window of its own when the
// viewer shows no pop-ups.
#include <windows.h>

#include <initializer_list>
#include <string>

namespace nivex {

// The help identifier of a window: its own context help id, else that of the nearest parent up to
// and including root; 0 when none has one.
unsigned long HelpIdOf(HWND window, HWND root);

// The deepest visible child of root under a screen point (the smallest one where they overlap, so a
// check box inside a group box wins); root itself when the point is on no child; nullptr outside root.
HWND ControlAtPoint(HWND root, POINT screen);

struct WhatsThisPick {
    HWND target = nullptr; // nullptr: cancelled, or the click fell outside root
    POINT at{};            // the click, screen coordinates
};
// Runs the mode on root: help pointer and mouse capture until the next click, Esc, a right click or a
// loss of the capture. One click ends the mode.
WhatsThisPick PickWhatsThisTarget(HWND root);

// Shows the pop-up of a help identifier at a screen point: the help file's text pop-up, or the
// program's own pop-up window with the same text. False when the identifier has no text.
bool ShowHelpPopup(HWND owner, unsigned long id, POINT at);

// The whole command: pick, look up, show. Returns the identifier shown, 0 when nothing was.
unsigned long RunWhatsThis(HWND root);

// The program's own pop-up window (tests read it): nullptr when none is open.
HWND OpenHelpPopupWindow();
void CloseHelpPopupWindow();

struct ControlHelpId {
    int controlId;
    unsigned long helpId;
};
// Gives a dialog its help: the dialog's own identifier (F1 opens that page), the identifiers of its
// controls, the caption's "?" button and Shift+F1, which run the mode above. Keys of modal dialogs are
// served by a message filter of the thread, installed with the first dialog. Safe to call once per dialog.
void AttachDialogHelp(HWND dialog, unsigned long dialogHelpId, std::initializer_list<ControlHelpId> controls);

// F1 or Shift+F1 pressed in a window with help (its message, before the window handles it): F1 opens the
// window's page, Shift+F1 runs What's-This on it; returns true. Messages of except (the main window, whose
// keys are its accelerators) are left alone.
bool HandleDialogHelpKey(const MSG& msg, HWND except);

} // namespace nivex
