#pragma once
// Thin wrappers over the common controls the main window uses, so window code reads as intent.
// Each holds a window handle it does not own (the parent destroys its children).
#include <windows.h>
#include <commctrl.h>

#include <string>

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

// Text of any window.
std::wstring WindowText(HWND hwnd);

} // namespace nivex::ui
