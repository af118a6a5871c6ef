#include "registration/repair_commands.h"

#include "catalogue/catalogue_scan.h"
#include "registration/registration_commands.h"
#include "registration/repair_catalogue.h"
#include "registration/repair_operations.h"

namespace nivex {

CatalogueChange RemoveKeysCommand(Catalogue& catalogue, const std::wstring& libraryKey, HWND owner, Desktop& desktop,
                                  RegistryView view) {
    RemovalRequest request;
    request.libraryId = libraryKey;
    request.view = view;
    request.classIds = LibraryControls(catalogue, libraryKey, view);
    request.owner = owner;
    const RemovalResult result = RemoveRegistryKeys(request, desktop);
    switch (result.state) {
    case RemovalState::Removed:
        ApplyKeyRemoval(catalogue, libraryKey, view);
        return CatalogueChange::Updated;
    case RemovalState::PartlyFailed:
        return CatalogueChange::NeedsRescan;
    default:
        return CatalogueChange::None;
    }
}

CatalogueChange RelinkCommand(Catalogue& catalogue, const std::wstring& newRef, const std::wstring& libraryKey,
                              HWND owner, Desktop& desktop, OutcomeDisplay& display, const StatusText& status,
                              RegistryView view) {
    if (status) status(kUpdatingListText);
    RemovalRequest request;
    request.libraryId = libraryKey;
    request.view = view;
    request.classIds = LibraryControls(catalogue, libraryKey, view);
    request.owner = owner;
    FlowOptions flow(desktop);
    flow.owner = owner;
    flow.display = &display;
    std::wstring path = newRef;
    const RelinkResult result = ChangeFileReference(path, request, flow);
    switch (result.removal.state) {
    case RemovalState::FileRefused:
    case RemovalState::Refused:
    case RemovalState::BackupFailed:
        return CatalogueChange::None;
    default:
        break;
    }
    if (!result.removal.Changed() && result.outcome == RegOutcome::Cancelled) return CatalogueChange::None;
    return CatalogueChange::NeedsRescan;
}

} // namespace nivex
