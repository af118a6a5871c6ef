#pragma once
// The search order of Find in List and its recent search texts. Portable, tested natively.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"

namespace nivex {

// True when nodeText contains find, compared without regard to case (an empty find is contained in any text).
bool NodeTextMatches(std::wstring_view nodeText, std::wstring_view find);

// The first node after selected, in insertion order and wrapping round once, whose text contains find and
// whose kind is allowed: nodes with children when typeLib, nodes without children when control.
// The selected node itself is not examined; with no selection (0) the whole tree is examined from its first
// node. Returns 0 when nothing matches.
int FindNextNode(const CatalogueTree& tree, int selected, std::wstring_view find, bool typeLib, bool control);

using RecentTexts = std::array<std::wstring, 5>; // [0] is "RecentFindString1", the newest

// The drop-down entries: the recent texts in order, empty ones skipped.
std::vector<std::wstring> RecentListEntries(const RecentTexts& recent);
// After a search for text: when the entries already hold it (exact, case-sensitive) nothing changes;
// otherwise every text moves one place down, the oldest falls out and text becomes the newest.
// Returns true when the texts changed.
bool RememberSearchText(RecentTexts& recent, const std::wstring& text);

} // namespace nivex
