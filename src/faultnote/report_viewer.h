#pragma once
// "View Report": the report in a fixed-pitch font, with what it was saved as above it.
#include <windows.h>

#include <string>

#include "common/window.h"

namespace faultnote {

class ReportViewer final : public velmora::Dialog {
public:
    ReportViewer() = default;
    ~ReportViewer() override;

    // Shows the report (creating the window, owned by owner, the first time) and brings it to the front.
    bool ShowReport(HWND owner, const std::wstring& pathText, const std::wstring& report);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    HFONT font_ = nullptr;
};

} // namespace faultnote
