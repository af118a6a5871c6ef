#pragma once
// frmDependency: the library and control names a file mentions, and the modules it imports with the
// files the loader would take. Modeless; one viewer at a time; it follows the main window's selection
// while it is shown.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/window.h"
#include "inspect/dependency_files.h"

namespace nivex {

class frmDependency final : public Dialog {
public:
    // The open command: creates the viewer (owned by owner) when there is none, shows it, lets pending
    // messages run, then views path (the selected control's resolved server file). nullptr when the
    // window cannot be created.
    static frmDependency* Open(HWND owner, Desktop& desktop, const std::wstring& path);
    // The viewer when one exists.
    static frmDependency* Existing();
    // The main window's selection changed: a shown viewer views the new file.
    static void FollowSelection(const std::wstring& path);

    // Sets lblFilename and rebuilds the tree from it.
    void View(const std::wstring& path);
    void LoadDep();
    bool IsShown() const;

    // The toolbar's buttons.
    void OpenFileCommand();
    void PropertiesCommand();
    void ExploreCommand();

    // What the window shows, for tests.
    std::wstring FileLabel() const;
    std::wstring Caption() const;
    std::vector<std::wstring> RootTexts() const;
    // The children of a root ("DLL", "OCX", "IMPORTS") or, with a path of child indexes below it, of a
    // node further down (expanding the nodes on the way).
    std::vector<std::wstring> ChildTexts(const std::wstring& rootKey, const std::vector<int>& path = {});
    bool IsShownMissing(const std::wstring& rootKey, const std::vector<int>& path);
    // Selects a root (empty path), a node below it, or nothing (rootKey empty).
    void Select(const std::wstring& rootKey, const std::vector<int>& path = {});
    bool ButtonEnabled(int commandId) const;
    std::wstring ButtonTip(int commandId) const;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    enum class Kind { RootDll, RootOcx, RootImports, Mentioned, Import };
    struct Node {
        Kind kind = Kind::Mentioned;
        std::wstring name;                    // the mentioned name or the module's name as text
        std::optional<std::wstring> resolved; // where the file is (import nodes: from the report)
        bool missing = false;
        bool expandable = false;
        bool expanded = false; // its children have been added
        int parent = -1;
    };

    frmDependency(HWND owner, Desktop& desktop) : owner_(owner), desktop_(desktop) {}
    void Load();
    void Layout();
    void UpdateToolbar();
    void SetButtons(bool enabled);
    HTREEITEM AddNode(HTREEITEM parent, Node node, const std::wstring& text, int image);
    HTREEITEM Root(const std::wstring& key) const;
    HTREEITEM Find(const std::wstring& rootKey, const std::vector<int>& path);
    void ExpandImports(HTREEITEM item);
    // The file a child node stands for: the resolved one, else the System folder's file of its name.
    std::wstring TargetFile(const Node& node);
    const Node* SelectedNode() const;
    HWND Tree() const;
    LRESULT CustomDraw(NMTVCUSTOMDRAW* draw) const;

    HWND owner_;
    Desktop& desktop_;
    HWND toolbar_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::vector<Node> nodes_;
    std::unique_ptr<ImportResolver> resolver_;
};

} // namespace nivex
