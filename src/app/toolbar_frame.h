#pragma once
// fraToolbar: the strip that holds the toolbar. Paints the button face with an etched edge and passes
// its children's commands and notifications on to its parent, so the toolbar talks to the main window.
#include <windows.h>

#include "common/window.h"

namespace nivex {

class ToolbarFrame final : public Window {
public:
    HWND Create(HWND parent, int id);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

} // namespace nivex
