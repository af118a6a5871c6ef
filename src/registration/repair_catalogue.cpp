#include "registration/repair_catalogue.h"

namespace nivex {

namespace {
int LibraryNode(const CatalogueTree& tree, const std::wstring& libraryId, RegistryView view) {
    const int node = tree.FindByKey(libraryId, view);
    return node != 0 && tree.Node(node).parent == 0 ? node : 0;
}
} // namespace

std::vector<std::wstring> LibraryControls(const Catalogue& catalogue, const std::wstring& libraryId,
                                          RegistryView view) {
    std::vector<std::wstring> ids;
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int library = LibraryNode(all, libraryId, view);
    if (library == 0) return ids;
    for (int child : all.Children(library))
        ids.push_back(all.Node(child).key);
    return ids;
}

std::wstring LibraryOfNode(const Catalogue& catalogue, const std::wstring& nodeKey, RegistryView view) {
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int node = all.FindByKey(nodeKey, view);
    if (node == 0) return {};
    const int library = all.Node(node).parent == 0 ? node : all.Node(node).parent;
    return all.Node(library).key;
}

bool ApplyKeyRemoval(Catalogue& catalogue, const std::wstring& libraryId, RegistryView view) {
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int library = LibraryNode(all, libraryId, view);
    if (library == 0) return false;
    catalogue.controls -= all.Node(library).childCount;
    catalogue.libraries -= 1;
    all.Remove(library);
    CatalogueTree& lost = catalogue.Tree(Catalogue::kMissing);
    const int missing = LibraryNode(lost, libraryId, view);
    if (missing != 0) {
        catalogue.missing -= 1; // counted once per library
        lost.Remove(missing);
    }
    return true;
}

} // namespace nivex
