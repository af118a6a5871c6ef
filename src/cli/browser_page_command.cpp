#include "cli/browser_page_command.h"

#include <windows.h>

#include "catalogue/catalogue_scan.h"
#include "common/error.h"
#include "common/file_write.h"
#include "common/text.h"
#include "common/winutil.h"
#include "reports/view_in_browser.h"
#include "reports/browser_page.h"

namespace nivex {

int FindCataloguedControl(const Catalogue& catalogue, const std::wstring& classId) {
    const CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    const int exact = tree.FindByKey(classId);
    if (exact != 0) return tree.Node(exact).parent != 0 ? exact : 0;
    for (int library : tree.Roots())
        for (int child : tree.Children(library))
            if (EqualsNoCase(tree.Node(child).key, classId)) return child;
    return 0;
}

int RunTestPage(const CliOptions& options, CliWriter out, CliWriter err) {
    Catalogue catalogue;
    catalogue.SetErrorSink([&](const std::wstring& procedure, const std::wstring& title, long number,
                               const std::wstring& description) {
        err(title + L": " + ErrorInMessage(procedure, number, description) + L"\r\n");
    });
    PopulateList(catalogue);
    const int node = FindCataloguedControl(catalogue, options.classId);
    const std::optional<BrowserViewTarget> target = PickBrowserControl(catalogue.Tree(Catalogue::kAll), node);
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
