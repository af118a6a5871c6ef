// Reports and the browser test page: Tools > Reports (and its toolbar button), Edit > View in Web Browser (F5).
#include "app/main_commands.h"
#include "app/options_dialog.h"
#include "app/resource.h"
#include "reports/reports_dialog.h"
#include "reports/view_in_browser.h"

namespace nivex {

namespace {

void OpenReports(const CommandContext& c) {
    ReportsHost host;
    host.statusText = c.status.text;
    host.setStatusText = c.status.setText;
    host.showProgress = c.status.showProgress;
    host.setProgress = c.status.setProgress;
    host.hideProgress = c.status.hideProgress;
    host.runBusy = [&c](const std::function<void()>& operation) { c.RunBusy(operation); };
    frmReports::Show(c.owner, c.desktop, c.catalogue, std::move(host));
}

void ViewInBrowser(const CommandContext& c) {
    const CatalogueTree& tree = c.catalogue.Tree(c.catalogue.DisplayMode());
    // The selection names the control (a library's first one); the page shows it as the tree does.
    const std::optional<BrowserViewTarget> target =
        PickBrowserControl(tree, tree.FindByKey(c.selection.classId, c.selection.view));
    BrowserViewContext context;
    context.owner = c.owner;
    context.addTempFile = c.deleteAtExit;
    context.chooseBrowser = [&c] {
        if (c.openOptions) c.openOptions(frmOptions::kTabBrowser);
    };
    nivex::ViewInBrowser(c.desktop, target, context);
}

} // namespace

void AddReportCommands(CommandTable& t, const CommandContext& c) {
    t.Add(mnuReports, kNeedsIdle, [&c] { OpenReports(c); });
    t.Add(mnuTestInBrowser, kNeedsIdle | kNeedsSelection, [&c] { ViewInBrowser(c); });
}

} // namespace nivex
