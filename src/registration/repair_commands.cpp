#include "registration/repair_commands.h"

#include "catalogue/catalogue_scan.h"
#include "registration/registration_commands.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_operations.h"

namespace nivex {

CatalogueChange RemoveKeysCommand(Catalogue& catalogue, const std::wstring& libraryKey, HWND owner, Desktop& desktop) {
    RemovalRequest request;
    request.libraryId = libraryKey;
    request.classIds = LibraryControls(catalogue, libraryKey);
    request.owner = owner;
    const RemovalResult result = RemoveRegistryKeys(request, desktop);
    switch (result.state) {
    case RemovalState::Removed:
        ApplyKeyRemoval(catalogue, libraryKey);
        return CatalogueChange::Updated;
    case RemovalState::PartlyFailed:
        return CatalogueChange::NeedsRescan;
    default:
        return CatalogueChange::None;
    }
}

CatalogueChange RelinkCommand(Catalogue& catalogue, const std::wstring& newRef, const std::wstring& libraryKey,
                              HWND owner, Desktop& desktop, OutcomeDisplay& display, const StatusText& status) {
    if (status) status(kUpdatingListText);
    RemovalRequest request;
    request.libraryId = libraryKey;
    request.classIds = LibraryControls(catalogue, libraryKey);
    request.owner = owner;
    FlowOptions flow(desktop);
    flow.owner = owner;
    flow.display = &display;
    std::wstring path = newRef;
    const RelinkResult result = ChangeFileReference(path, request, flow);
    if (result.removal.state == RemovalState::PartlyFailed || result.restored || !result.restoreProblem.empty())
        return CatalogueChange::NeedsRescan;
    CatalogueChange change = CatalogueChange::None;
    if (result.removal.state == RemovalState::Removed) {
        ApplyKeyRemoval(catalogue, libraryKey);
        change = CatalogueChange::Updated;
    }
    if (result.outcome == RegOutcome::Completed) {
        AddControlsForFile(catalogue, path); // path may now be the copy in the System folder
        change = CatalogueChange::Updated;
    }
    return change;
}

} // namespace nivex
