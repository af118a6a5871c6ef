// Reports and the browser test page: Tools > Reports (and its toolbar button), Edit > View in Web Browser (F5).
#include "app/main_commands.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "common/desktop.h"
#include "common/ui/controls.h"
#include "app/options_dialog.h"
#include "reports/view_in_browser.h"
#include "reports/reports_dialog.h"

namespace nivex {

namespace {

void OpenReports(MainWindow& w) {
    ReportsHost host;
    host.statusText = [&w] { return w.PanelText(MainWindow::kPanelStatus); };
    host.setStatusText = [&w](const std::wstring& text) { w.SetStatusText(text); };
    host.showProgress = [&w](int maximum) {
        const ui::ProgressBar bar(w.ProgressBarHandle());
        bar.SetMaximum(maximum);
        bar.SetValue(0);
        ShowWindow(bar.Handle(), SW_SHOW);
    };
    host.setProgress = [&w](int value) { ui::ProgressBar(w.ProgressBarHandle()).SetValue(value); };
    host.hideProgress = [&w] { ShowWindow(w.ProgressBarHandle(), SW_HIDE); };
    host.runBusy = [&w](const std::function<void()>& operation) { w.RunBusy(operation); };
    frmReports::Show(w.Handle(), TheDesktop(), w.Model(), std::move(host));
}

void ViewInBrowser(MainWindow& w) {
    const CatalogueTree& tree = w.Model().Tree(w.VisibleTree());
    // The selection names the control (a library's first one); the page shows it as the tree does.
    const std::optional<BrowserViewTarget> target = PickBrowserControl(tree, tree.FindByKey(w.Selection().classId));
    if (!target) return;
    BrowserViewContext context;
    context.owner = w.Handle();
    context.addTempFile = [&w](const std::wstring& path) { w.Temp().Add(path); };
    context.chooseBrowser = [&w] {
        if (frmOptions* options = frmOptions::Show(w.Handle(), &w)) options->SelectTab(frmOptions::kTabBrowser);
    };
    nivex::ViewInBrowser(TheDesktop(), *target, context);
}

} // namespace

void AddReportCommands(MainWindow& w) {
    CommandTable& t = w.Commands();
    t.Add(mnuReports, kNeedsIdle, [&w] { OpenReports(w); });
    t.Add(mnuTestInBrowser, kNeedsIdle | kNeedsSelection, [&w] { ViewInBrowser(w); });
}

} // namespace nivex
