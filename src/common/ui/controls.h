#pragma once
// Thin wrappers over the common controls and menus that windows of every subsystem use, so window code
// reads as intent.
// Each holds a window handle it does not own (the parent destroys its children).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/ui/toolkit.h"

namespace nivex::ui {

class TreeView {
public:
    TreeView() = default;
    explicit TreeView(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    // Appends an item as the last child of parent (TVI_ROOT for the top level).
    HTREEITEM Add(HTREEITEM parent, const std::wstring& text, int image, LPARAM param, bool bold) const;
    void Clear() const;
    HTREEITEM Selected() const;
    void Select(HTREEITEM item) const;
    HTREEITEM Root() const;
    HTREEITEM Child(HTREEITEM item) const;
    HTREEITEM Next(HTREEITEM item) const;
    HTREEITEM Parent(HTREEITEM item) const;
    LPARAM Param(HTREEITEM item) const;
    std::wstring Text(HTREEITEM item) const;
    bool IsBold(HTREEITEM item) const;
    int Image(HTREEITEM item) const;
    bool IsExpanded(HTREEITEM item) const;
    void Expand(HTREEITEM item, bool expand) const;
    int Count() const;
    HTREEITEM HitTest(POINT screenPoint) const;

private:
    HWND hwnd_ = nullptr;
};

class ListView {
public:
    ListView() = default;
    explicit ListView(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    void AddColumn(int index, const std::wstring& caption, int width) const;
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width) const;
    // Appends a row; returns its index.
    int AddRow(const std::wstring& text, int image, const std::wstring& subText) const;
    void Clear() const;
    int RowCount() const;
    std::wstring Text(int row, int column) const;
    int FindRow(const std::wstring& text) const; // exact text of the first column, -1 when none
    int SelectedRow() const;                     // -1 when none
    void SelectRow(int row) const;

private:
    HWND hwnd_ = nullptr;
};

class StatusBar {
public:
    StatusBar() = default;
    explicit StatusBar(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    void SetWidths(int statusWidth, int displayWidth, int countWidth) const;
    void SetText(int panel, const std::wstring& text) const;
    std::wstring Text(int panel) const;
    RECT PanelRect(int panel) const;
    int Height() const;

private:
    HWND hwnd_ = nullptr;
};

class ProgressBar {
public:
    ProgressBar() = default;
    explicit ProgressBar(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }
    void SetMaximum(int maximum) const;
    void SetValue(int value) const;
    int Value() const;
    int Maximum() const;

private:
    HWND hwnd_ = nullptr;
};

class Toolbar {
public:
    Toolbar() = default;
    explicit Toolbar(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }
    void Enable(int id, bool enable) const;
    bool IsEnabled(int id) const;
    int ButtonCount() const;

private:
    HWND hwnd_ = nullptr;
};

// A menu (a bar or a popup) found by command identifiers, not by positions.
class Menu {
public:
    Menu() = default;
    explicit Menu(HMENU menu) : menu_(menu) {}
    HMENU Handle() const { return menu_; }
    void Enable(int id, bool enable) const;
    // False also when the menu has no such item.
    bool IsEnabled(int id) const;
    bool HasItem(int id) const;
    void Check(int id, bool check) const;
    bool IsChecked(int id) const;
    void CheckRadio(int first, int last, int id) const;
    void SetText(int id, const std::wstring& text) const;
    std::wstring Text(int id) const;
    // Every command identifier of the menu and its submenus, in menu order.
    std::vector<int> CommandIds() const;

private:
    HMENU menu_ = nullptr;
};

} // namespace nivex::ui
