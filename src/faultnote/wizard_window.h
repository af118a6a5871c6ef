#pragma once
// The wizard (four pages, a step list with a marker, Back / Next-Finish / Exit) and its Finish.
#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "faultnote/bug_report.h"
#include "faultnote/report_viewer.h"
#include "common/desktop.h"
#include "common/window.h"

namespace faultnote {

struct WizardSetup {
    ProductInfo product;
    std::wstring osText;
    std::wstring programFolder;   // where "Bug_Report.txt" goes
    std::wstring documentsFolder; // where it goes when the program folder cannot be written
    unsigned codePage = 0;        // of the report file; 0 is the system's ANSI code page
    std::function<std::wstring()> today;
    std::function<void()> endProgram; // "Exit" confirmed, or the window closed
};

class WizardWindow final : public velmora::Dialog {
public:
    explicit WizardWindow(WizardSetup setup);
    ~WizardWindow() override;

    // Creates the window (no owner) and shows it.
    bool Show();
    // Keyboard navigation for the wizard and the viewer; true when the message was used.
    bool PreTranslate(MSG& msg);

    int CurrentPage() const { return pages_.Current(); }
    HWND Page(int index) const { return page_[static_cast<size_t>(index)]; }
    HWND ViewerHandle() const { return viewer_.Handle(); }
    // The report of the last Finish.
    const std::wstring& LastReport() const { return lastReport_; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Init();
    void Navigate(int index);
    void ShowCurrentPage();
    void Finish();
    std::wstring FieldText(int page, int id) const;
    bool Checked(int page, int id) const;

    WizardSetup setup_;
    velmora::Desktop& desktop_ = velmora::TheDesktop(); // the one installed when the wizard was made
    WizardPages pages_;
    std::array<HWND, WizardPages::kCount> page_{};
    ReportViewer viewer_;
    HFONT stepFont_ = nullptr;
    HICON marker_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::wstring lastReport_;
    bool ended_ = false;
};

} // namespace faultnote
