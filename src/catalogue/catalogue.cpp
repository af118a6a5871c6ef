#include "catalogue/catalogue.h"

#include <algorithm>

#include "common/desktop.h"
#include "common/error.h"
#include "common/text.h"

namespace nivex {

namespace {
const wchar_t* const kTreeSource = L"TreeView";
}

// ---- CatalogueTree ----

int CatalogueTree::Add(const std::wstring& relativeKey, const std::wstring& key, const std::wstring& text,
                       const std::wstring& tag, const std::wstring& image, RegistryView view) {
    int parent = 0;
    if (!relativeKey.empty()) {
        parent = FindByKey(relativeKey, view);
        if (parent == 0) throw Error(kErrElementNotFound, kTreeSource, L"Element not found");
    }
    auto& byKey = byKey_[ViewSlot(view)];
    if (!key.empty() && byKey.count(key) != 0)
        throw Error(kErrKeyNotUnique, kTreeSource, L"Key is not unique in collection");

    nodes_.push_back(Slot{});
    const int index = static_cast<int>(nodes_.size());
    Slot& slot = nodes_.back();
    slot.live = true;
    CatalogueNode& node = slot.node;
    node.key = key;
    node.text = text;
    node.tag = tag;
    node.image = image;
    node.view = view;
    node.parent = parent;
    if (parent == 0) {
        node.previousSibling = lastRoot_;
        if (lastRoot_ != 0) Node(lastRoot_).nextSibling = index;
        else firstRoot_ = index;
        lastRoot_ = index;
    } else {
        CatalogueNode& p = Node(parent);
        node.previousSibling = p.lastChild;
        if (p.lastChild != 0) Node(p.lastChild).nextSibling = index;
        else p.firstChild = index;
        p.lastChild = index;
        ++p.childCount;
    }
    if (!key.empty()) byKey.emplace(key, index);
    byTag_[ViewSlot(view)][tag].push_back(index); // indexes grow, so each list stays sorted
    ++liveCount_;
    return index;
}

void CatalogueTree::Unlink(int index) {
    CatalogueNode& node = Node(index);
    if (node.previousSibling != 0) Node(node.previousSibling).nextSibling = node.nextSibling;
    if (node.nextSibling != 0) Node(node.nextSibling).previousSibling = node.previousSibling;
    if (node.parent == 0) {
        if (firstRoot_ == index) firstRoot_ = node.nextSibling;
        if (lastRoot_ == index) lastRoot_ = node.previousSibling;
    } else {
        CatalogueNode& p = Node(node.parent);
        if (p.firstChild == index) p.firstChild = node.nextSibling;
        if (p.lastChild == index) p.lastChild = node.previousSibling;
        --p.childCount;
    }
}

void CatalogueTree::RemoveFromIndexes(int index) {
    const CatalogueNode& node = Node(index);
    auto& byKey = byKey_[ViewSlot(node.view)];
    auto k = byKey.find(node.key);
    if (k != byKey.end() && k->second == index) byKey.erase(k);
    auto& byTag = byTag_[ViewSlot(node.view)];
    auto t = byTag.find(node.tag);
    if (t != byTag.end()) {
        auto& list = t->second;
        list.erase(std::lower_bound(list.begin(), list.end(), index));
        if (list.empty()) byTag.erase(t);
    }
}

void CatalogueTree::Remove(int index) {
    if (!IsValid(index)) throw Error(kErrElementNotFound, kTreeSource, L"Element not found");
    Unlink(index);
    // Children first (iteratively, depth first), then the node itself.
    std::vector<int> pending{index};
    while (!pending.empty()) {
        const int current = pending.back();
        pending.pop_back();
        for (int child = Node(current).firstChild; child != 0; child = Node(child).nextSibling) pending.push_back(child);
        if (selected_ == current) selected_ = 0;
        RemoveFromIndexes(current);
        nodes_[static_cast<size_t>(current) - 1].live = false;
        --liveCount_;
    }
}

void CatalogueTree::Clear() {
    nodes_.clear();
    for (auto& byKey : byKey_)
        byKey.clear();
    for (auto& byTag : byTag_)
        byTag.clear();
    firstRoot_ = lastRoot_ = liveCount_ = selected_ = 0;
}

int CatalogueTree::FindByKey(const std::wstring& key, RegistryView view) const {
    const auto& byKey = byKey_[ViewSlot(view)];
    auto it = byKey.find(key);
    return it == byKey.end() ? 0 : it->second;
}

int CatalogueTree::FindByTag(const std::wstring& tag, RegistryView view) const {
    const auto& byTag = byTag_[ViewSlot(view)];
    auto it = byTag.find(tag);
    return it == byTag.end() || it->second.empty() ? 0 : it->second.front();
}

bool CatalogueTree::IsValid(int index) const {
    return index >= 1 && index <= static_cast<int>(nodes_.size()) && nodes_[static_cast<size_t>(index) - 1].live;
}

const CatalogueNode& CatalogueTree::Node(int index) const {
    if (!IsValid(index)) throw Error(kErrElementNotFound, kTreeSource, L"Element not found");
    return nodes_[static_cast<size_t>(index) - 1].node;
}

CatalogueNode& CatalogueTree::Node(int index) {
    return const_cast<CatalogueNode&>(static_cast<const CatalogueTree&>(*this).Node(index));
}

std::vector<int> CatalogueTree::Roots() const {
    std::vector<int> roots;
    for (int i = firstRoot_; i != 0; i = Node(i).nextSibling) roots.push_back(i);
    return roots;
}

std::vector<int> CatalogueTree::Children(int index) const {
    std::vector<int> children;
    for (int i = Node(index).firstChild; i != 0; i = Node(i).nextSibling) children.push_back(i);
    return children;
}

// ---- Catalogue ----

void Catalogue::Reset() {
    trees_[0].Clear();
    trees_[1].Clear();
    libraries = controls = missing = 0;
}

void Catalogue::SetDisplayMode(int index) {
    displayMode_ = index == kMissing ? kMissing : kAll;
    CatalogueTree& tree = Tree(displayMode_);
    tree.Select(tree.FirstRoot());
}

void Catalogue::ReportError(const std::wstring& procedure, const std::wstring& title, long number,
                            const std::wstring& description) const {
    if (errorSink_) {
        errorSink_(procedure, title, number, description);
        return;
    }
    TheDesktop().Message(nullptr, ErrorInMessage(procedure, number, description), title, MsgButtons::Ok,
                         MsgIcon::Critical);
}

void Catalogue::AddControlToList(const ControlRecord& record) {
    // Each step runs on its own: a failing step is reported and the next one still runs.
    auto step = [&](auto&& action) {
        try {
            action();
        } catch (const Error& e) {
            ReportError(L"AddControlToList", record.DisplayName, e.Number(), e.Description());
        } catch (const std::exception& e) {
            ReportError(L"AddControlToList", record.DisplayName, 0, Utf8ToWide(e.what()));
        }
    };

    const RegistryView view = record.View;
    if (!ViewShown(view)) return;
    const bool fileMissing = record.Status == kStatusMissing;
    const wchar_t* image = fileMissing ? kImageError : kImageDefault;

    if (FindNodeByKey(record.ClassId, view) != 0) return; // a class is catalogued once per view

    CatalogueTree& all = trees_[0];
    CatalogueTree& lost = trees_[1];
    const std::wstring controlText = MarkedText(record.DisplayName, view);
    // A control goes under its library's node only: a key that names a control node instead
    // (a class identifier reused as a library identifier) is reported, never nested deeper.
    auto addControl = [&](CatalogueTree& tree) {
        const int library = tree.FindByKey(record.TypeLibId, view);
        if (library == 0 || tree.Node(library).parent != 0)
            throw Error(kErrElementNotFound, kTreeSource, L"Element not found");
        const int node =
            tree.Add(record.TypeLibId, record.ClassId, controlText, record.TypeLibId, kImageComponent, view);
        tree.Node(node).serverPath = record.RegisteredPath;
    };
    if (FindNodeByTag(record.TypeLibId, view) != 0) {
        ++controls;
        step([&] { addControl(all); });
        if (fileMissing) {
            // The library was catalogued through a present file, so the missing tree has no node for it yet:
            // it gets a plain copy of the library node, counted once as a missing file.
            step([&] {
                if (lost.FindByKey(record.TypeLibId, view) != 0) return;
                const int library = all.FindByKey(record.TypeLibId, view);
                if (library == 0 || all.Node(library).parent != 0) return; // addControl reports it
                const CatalogueNode source = all.Node(library);
                lost.Add(L"", source.key, source.text, source.tag, source.image, view);
                ++missing;
            });
            step([&] { addControl(lost); });
        }
        return;
    }

    ++libraries;
    ++controls;
    std::wstring libraryText;
    step([&] { libraryText = libraryName_ ? libraryName_(record.TypeLibId, record.Version) : std::wstring(); });
    if (libraryText.empty()) libraryText = record.DisplayName;
    libraryText = MarkedText(libraryText, view);
    step([&] {
        const int node = all.Add(L"", record.TypeLibId, libraryText, record.Status, image, view);
        if (fileMissing) all.Node(node).bold = true;
    });
    step([&] { addControl(all); });
    if (fileMissing) {
        step([&] { lost.Add(L"", record.TypeLibId, libraryText, record.Status, image, view); });
        step([&] { addControl(lost); });
        ++missing;
    }
}

std::wstring Catalogue::CountsText(int mode) const {
    if (mode == kMissing) return std::to_wstring(missing) + L" Missing File(s)";
    return std::to_wstring(controls) + L" Controls in " + std::to_wstring(libraries) + L" Libraries";
}

std::int32_t Catalogue::CountSiblings() {
    CatalogueTree& all = trees_[0];
    int selected = all.Selected();
    if (selected == 0) return 0;
    if (all.Node(selected).firstChild != 0) {
        selected = all.Node(selected).firstChild;
        all.Select(selected);
    }
    int first = selected;
    while (all.Node(first).previousSibling != 0) first = all.Node(first).previousSibling;
    std::int32_t count = 0;
    for (int i = first; i != 0; i = all.Node(i).nextSibling) ++count;
    return count;
}

} // namespace nivex
