#pragma once
// Text, JSON and CSV forms of the catalogue for the console companion.
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

std::wstring JsonString(const std::wstring& text);
std::wstring CsvField(const std::wstring& text);

} // namespace nivex
