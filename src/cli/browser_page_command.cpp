#include "cli/browser_page_command.h"

#include <windows.h>

#include "catalogue/catalogue_scan.h"
#include "cli/catalogue_output.h"
#include "common/error.h"
#include "common/file_write.h"
#include "common/text.h"
#include "common/winutil.h"
#include "reports/view_in_browser.h"
#include "reports/browser_page.h"

namespace nivex {

int RunTestPage(const CliOptions& options, CliWriter out, CliWriter err) {
    Catalogue catalogue;
    catalogue.SetErrorSink([&](const std::wstring& procedure, const std::wstring& title, long number,
                               const std::wstring& description) {
        err(title + L": " + ErrorInMessage(procedure, number, description) + L"\r\n");
    });
    PopulateList(catalogue);
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const ViewedNode found = FindInViews(all, options.classId, options.view, false);
    if (found.Ambiguous()) {
        err(L"nivexcmd: " + BothViewsMessage(all, options.classId, found));
        return kExitUsage;
    }
    const int node = found.Single();
    const std::optional<BrowserViewTarget> target = PickBrowserControl(all, node);
    if (node == 0 || !target) {
        err(L"nivexcmd: " + options.classId + L" is not a catalogued control.\r\n");
        return kExitNotCatalogued;
    }
    const std::optional<std::string> bytes = BrowserPageBytes(target->name, target->classId);
    if (!bytes) {
        err(L"nivexcmd: " + NotAGuidMessage(target->classId) + L"\r\n");
        return kExitFailed;
    }
    // Written whole under a name of its own first: a failure never leaves a page cut short.
    if (const DWORD code = WriteWholeFile(options.out, *bytes, ExistingFile::Replace)) {
        err(L"nivexcmd: cannot write '" + options.out + L"': " + SystemErrorText(code) + L"\r\n");
        return kExitFailed;
    }
    out(L"Test page of " + target->classId + L" written to " + options.out + L"\r\n");
    return kExitOk;
}

} // namespace nivex
