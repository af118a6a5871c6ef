#pragma once
// The main window's placement in the "Appearence" settings.
#include <windows.h>

#include "common/desktop.h"

namespace nivex {

// Applies the stored place to a normal window (a stored place off every screen keeps its size at the default
// place) and returns the stored state to show the window in (0 normal, 1 minimised, 2 maximised). An
// unreadable measure is told to the user and its default is used.
int ApplyStoredPlacement(HWND window, Desktop& desktop);

// Stores the window's state and, for a normal window, its place. Throws nivex::Error when the store refuses.
void StorePlacement(HWND window);

} // namespace nivex
