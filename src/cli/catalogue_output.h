#pragma once
// Text, JSON and CSV forms of the catalogue for the console companion.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace nivex {

struct CatalogueError {
    std::wstring procedure;
    std::wstring title;
    long number = 0;
    std::wstring description;
};

std::wstring CatalogueText(const Catalogue& catalogue, int treeIndex);
std::wstring CatalogueJson(const Catalogue& catalogue, const std::vector<CatalogueError>& errors);
std::wstring CatalogueCsv(const Catalogue& catalogue, int treeIndex);

// The nodes of an identifier (a library's or a control's, keyed exactly, else without regard to case) in the
// view asked for, or in each view when none is: two nodes mean the identifier needs a view.
struct ViewedNode {
    std::vector<int> nodes; // 64-bit view first
    int Single() const { return nodes.size() == 1 ? nodes.front() : 0; }
    bool Ambiguous() const { return nodes.size() > 1; }
};
ViewedNode FindInViews(const CatalogueTree& tree, const std::wstring& id, std::optional<RegistryView> view,
                       bool library);
// Tells that id names a node in both views, and how to choose each.
std::wstring BothViewsMessage(const CatalogueTree& tree, const std::wstring& id, const ViewedNode& found);

std::wstring JsonString(const std::wstring& text);
std::wstring CsvField(const std::wstring& text);

} // namespace nivex
