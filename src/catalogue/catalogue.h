#pragma once
// The catalogue of registered controls: two trees (all controls, controls whose server file is missing),
// three counters and the display mode. The trees are the store; nothing else survives a scan.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "registry/registry_view.h"

namespace nivex {

inline const wchar_t* const kStatusRegistered = L"Registered.";
inline const wchar_t* const kStatusMissing = L"File Not Found!";

inline const wchar_t* const kImageError = L"ERROR";
inline const wchar_t* const kImageProperty = L"PROPERTY";
inline const wchar_t* const kImageDefault = L"DEFAULT";
inline const wchar_t* const kImageComponent = L"COMPONENT";

// The end of every node text of the 32-bit view on a 64-bit machine, as the system marks 32-bit programs.
inline const wchar_t* const kThirtyTwoBitMark = L" (32-bit)";

// Error numbers the tree store raises, as a tree control would.
constexpr long kErrElementNotFound = 35601;
constexpr long kErrKeyNotUnique = 35602;

// One scanned class; lives for one step of a scan.
struct ControlRecord {
    std::wstring DisplayName;
    std::wstring ClassId;
    std::wstring Version;
    std::wstring TypeLibId;
    std::wstring Status;
    std::wstring ServerPath;          // resolved (the server-path rule applied)
    std::wstring RegisteredPath = {}; // as InProcServer32 holds it
    std::int64_t SizeKB = 0;
    RegistryView View = OwnView(); // the registry view the class is registered in
};

struct CatalogueNode {
    std::wstring key;              // the class or type library identifier; unique within its view
    RegistryView view = OwnView(); // the registry view of the registration the node stands for
    std::wstring text;
    std::wstring tag;
    std::wstring image;
    bool bold = false; // drawn bold in pure red
    // Control nodes: the registered server path the scan read, so that a report need not read it again.
    std::wstring serverPath;
    int parent = 0;    // index of the parent, 0 for a top-level node
    int firstChild = 0;
    int lastChild = 0;
    int nextSibling = 0;
    int previousSibling = 0;
    int childCount = 0;
};

// A tree of keyed nodes with constant-time look-ups by key and by tag. A node's identity is its key and its
// view: a library registered in both views is two nodes with one key.
// Indexes start at 1, in insertion order; 0 means "none". Removed nodes leave their index unused.
class CatalogueTree {
public:
    // Adds a node at the top level (relativeKey empty) or as the last child of the node keyed relativeKey in
    // the same view. Throws nivex::Error 35602 when the key is already used in that view, 35601 when
    // relativeKey names no node there.
    int Add(const std::wstring& relativeKey, const std::wstring& key, const std::wstring& text, const std::wstring& tag,
            const std::wstring& image, RegistryView view = OwnView());
    void Remove(int index); // with all its children
    void Clear();

    // The node of the view whose key equals key exactly.
    int FindByKey(const std::wstring& key, RegistryView view = OwnView()) const;
    // The first node of the view whose tag equals tag exactly.
    int FindByTag(const std::wstring& tag, RegistryView view = OwnView()) const;
    bool IsValid(int index) const;
    const CatalogueNode& Node(int index) const;
    CatalogueNode& Node(int index);

    int Count() const { return liveCount_; }
    int Capacity() const { return static_cast<int>(nodes_.size()); } // highest index ever used
    int FirstRoot() const { return firstRoot_; }
    std::vector<int> Roots() const;
    std::vector<int> Children(int index) const;

    int Selected() const { return selected_; }
    void Select(int index) { selected_ = IsValid(index) ? index : 0; }

private:
    struct Slot {
        CatalogueNode node;
        bool live = false;
    };
    void Unlink(int index);
    void RemoveFromIndexes(int index);
    static int ViewSlot(RegistryView view) { return view == RegistryView::Bits32 ? 1 : 0; }
    std::vector<Slot> nodes_; // slot i-1 holds index i
    std::unordered_map<std::wstring, int> byKey_[2];              // per view
    std::unordered_map<std::wstring, std::vector<int>> byTag_[2]; // per view, ascending indexes per tag
    int firstRoot_ = 0;
    int lastRoot_ = 0;
    int liveCount_ = 0;
    int selected_ = 0;
};

// Reports a failure of a catalogue operation: procedure, title for the message, the error.
using CatalogueErrorSink = std::function<void(const std::wstring& procedure, const std::wstring& title, long number,
                                              const std::wstring& description)>;
// The name of TypeLib\{id}\{version}, empty when that key does not exist.
using LibraryNameLookup = std::function<std::wstring(const std::wstring& typeLibId, const std::wstring& version)>;

class Catalogue {
public:
    static constexpr int kAll = 0;
    static constexpr int kMissing = 1;

    CatalogueTree& Tree(int index) { return trees_[index == kMissing ? 1 : 0]; }
    const CatalogueTree& Tree(int index) const { return trees_[index == kMissing ? 1 : 0]; }

    // Counters are 32-bit: a machine with more than 32,767 controls is scanned, not failed.
    std::int32_t libraries = 0;
    std::int32_t controls = 0;
    std::int32_t missing = 0;

    int DisplayMode() const { return displayMode_; }
    // Switches the visible tree and selects its first node.
    void SetDisplayMode(int index);
    static const wchar_t* DisplayName(int index) { return index == kMissing ? L"Missing Controls" : L"All Controls"; }

    // Clears both trees and the counters (the display mode stays).
    void Reset();

    // Files the record in its view. A view that is not shown adds nothing.
    void AddControlToList(const ControlRecord& record);

    int FindNodeByKey(const std::wstring& key, RegistryView view = OwnView()) const {
        return trees_[0].FindByKey(key, view);
    }
    int FindNodeByTag(const std::wstring& tag, RegistryView view = OwnView()) const {
        return trees_[0].FindByTag(tag, view);
    }

    // The views of the machine: with two, the texts of the 32-bit view's nodes end in kThirtyTwoBitMark.
    void SetTwoViews(bool twoViews) { twoViews_ = twoViews; }
    bool TwoViews() const { return twoViews_; }
    // The views shown (View > "32-bit Controls" / "64-bit Controls"); both by default.
    void SetViewShown(RegistryView view, bool shown) { shown_[view == RegistryView::Bits32 ? 1 : 0] = shown; }
    bool ViewShown(RegistryView view) const { return shown_[view == RegistryView::Bits32 ? 1 : 0]; }
    // A node text as the view marks it.
    std::wstring MarkedText(const std::wstring& text, RegistryView view) const {
        return twoViews_ && view == RegistryView::Bits32 ? text + kThirtyTwoBitMark : text;
    }

    // The counts text of the current display mode (what the "COUNT" panel shows).
    std::wstring CountsText() const { return CountsText(displayMode_); }
    std::wstring CountsText(int mode) const;

    // Number of nodes on the level of the selected node of the all-controls tree, after moving the
    // selection to the first child when the selected node has children.
    std::int32_t CountSiblings();

    void SetLibraryNameLookup(LibraryNameLookup lookup) { libraryName_ = std::move(lookup); }
    bool HasLibraryNameLookup() const { return static_cast<bool>(libraryName_); }
    void SetErrorSink(CatalogueErrorSink sink) { errorSink_ = std::move(sink); }
    // Reports through the sink, or through the desktop seam when none is set.
    void ReportError(const std::wstring& procedure, const std::wstring& title, long number,
                     const std::wstring& description) const;

private:
    CatalogueTree trees_[2];
    int displayMode_ = kAll;
    bool twoViews_ = false;
    bool shown_[2] = {true, true};
    LibraryNameLookup libraryName_;
    CatalogueErrorSink errorSink_;
};

} // namespace nivex
