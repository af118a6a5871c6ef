#pragma once
// frmReports: the report kind, its template, three options and Generate. Modeless and owned by the main
// window, which stays disabled while the dialog is open; one at a time.
#include <windows.h>

#include <functional>
#include <string>

#include "catalogue/catalogue.h"
#include "common/desktop.h"
#include "common/handles.h"
#include "common/ui/toolkit.h"
#include "common/window.h"
#include "reports/report_generator.h"

namespace nivex {

// What the dialog needs of the main window while a report is generated. Every member may be empty.
struct ReportsHost {
    std::function<std::wstring()> statusText;                   // the "STATUS" panel's text
    std::function<void(const std::wstring&)> setStatusText;     // sets it
    std::function<void(int maximum)> showProgress;              // range 0..maximum, value 0, visible
    std::function<void(int value)> setProgress;
    std::function<void()> hideProgress;
    // Runs the generation with the commands that start operations off (the main window's busy state).
    std::function<void(const std::function<void()>& operation)> runBusy;
};

inline const wchar_t* const kGeneratingReportText = L"Generating Report...";

class frmReports final : public Dialog {
public:
    // Opens the dialog for the catalogue (which must outlive it), or brings the open one forward.
    static frmReports* Show(HWND owner, Desktop& desktop, const Catalogue& catalogue, ReportsHost host);
    // The open dialog, or nullptr.
    static frmReports* Current();

    bool Generating() const { return generating_; }
    // Index of the selected DocType option.
    int SelectedDocType() const;
    // The template label's tool tip (the template's full path).
    std::wstring TemplateTip() const;
    // The template setting of a report kind with its default ("HTMLTemplate" or "TEXTTemplate").
    static std::wstring TemplateSetting(int docType);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Init();
    void DocTypeClick(int index);
    void ShowTemplate(const std::wstring& path);
    void BrowseClick();
    void Generate();
    void SetIdle(bool idle);
    void CloseDialog();
    void ReenableOwner();

    HWND owner_ = nullptr;
    Desktop* desktop_ = nullptr;
    const Catalogue* catalogue_ = nullptr;
    ReportsHost host_;
    bool generating_ = false;
    bool ownerReenabled_ = false;
    GdiObject frameFont_;
    HICON browseIcon_ = nullptr;
    ui::Tooltip tooltip_;
};

} // namespace nivex
