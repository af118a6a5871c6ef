#include "app/find_order.h"

#include <algorithm>

#include "common/text.h"

namespace nivex {

bool NodeTextMatches(std::wstring_view nodeText, std::wstring_view find) {
    if (find.empty()) return true;
    return ToLowerText(nodeText).find(ToLowerText(find)) != std::wstring::npos;
}

int FindNextNode(const CatalogueTree& tree, int selected, std::wstring_view find, bool typeLib, bool control) {
    if (!typeLib && !control) return 0;
    const int n = tree.Capacity();
    if (n == 0) return 0;
    if (selected < 0 || selected > n) selected = 0;
    const std::wstring wanted = ToLowerText(find);
    // One pass: selected + 1 .. n, then 1 .. selected - 1.
    for (int step = 1; step < n + (selected == 0 ? 1 : 0); ++step) {
        const int index = (selected + step - 1) % n + 1;
        if (!tree.IsValid(index)) continue; // removed nodes leave their index unused
        const CatalogueNode& node = tree.Node(index);
        const bool hasChildren = node.firstChild != 0;
        if (hasChildren ? !typeLib : !control) continue;
        if (wanted.empty() || ToLowerText(node.text).find(wanted) != std::wstring::npos) return index;
    }
    return 0;
}

std::vector<std::wstring> RecentListEntries(const RecentTexts& recent) {
    std::vector<std::wstring> entries;
    for (const auto& text : recent)
        if (!text.empty()) entries.push_back(text);
    return entries;
}

bool RememberSearchText(RecentTexts& recent, const std::wstring& text) {
    const std::vector<std::wstring> entries = RecentListEntries(recent);
    if (std::find(entries.begin(), entries.end(), text) != entries.end()) return false;
    for (size_t i = recent.size() - 1; i > 0; --i) recent[i] = recent[i - 1];
    recent[0] = text;
    return true;
}

} // namespace nivex
