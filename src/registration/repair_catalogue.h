#pragma once
// What the repair commands need of the catalogue: a library's controls, and the trees after its keys are gone.
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace nivex {

// The class identifiers of the controls catalogued under the library node keyed libraryId (all-controls
// tree), first to last; empty when there is no such library node.
std::vector<std::wstring> LibraryControls(const Catalogue& catalogue, const std::wstring& libraryId,
                                          RegistryView view = OwnView());

// The library node keyed libraryId (all-controls tree) of the node keyed nodeKey: the node itself when it is
// a library, its parent when it is a control; empty when neither.
std::wstring LibraryOfNode(const Catalogue& catalogue, const std::wstring& nodeKey, RegistryView view = OwnView());

// After every key of the library was removed: its nodes leave both trees and the counters go down (the
// missing counter only when the library was listed as missing). False when the catalogue has no such library.
bool ApplyKeyRemoval(Catalogue& catalogue, const std::wstring& libraryId, RegistryView view = OwnView());

} // namespace nivex
