#pragma once
// frmMain: the catalogue trees on the left, the selected control's details on the right, the toolbar,
// the status bar, the menus and the tray icon. Every command is dispatched here to the code that owns it.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/catalogue.h"
#include "app/find_in_list.h"
#include "app/splash_window.h"
#include "app/splitter.h"
#include "app/toolbar_frame.h"
#include "app/ui_controls.h"
#include "common/handles.h"
#include "common/window.h"
#include "registry/options_dialog.h"

namespace nivex {

class MainWindow final : public Window, public OptionsHost {
public:
    // Status bar panels, by key.
    static constexpr int kPanelStatus = 0;  // "STATUS"
    static constexpr int kPanelDisplay = 1; // "DISPLAY"
    static constexpr int kPanelCount = 2;   // "COUNT"
    // Positions of the menu bar's menus.
    static constexpr int kMenuFile = 0, kMenuEdit = 1, kMenuView = 2, kMenuTools = 3, kMenuHelp = 4;

    MainWindow();
    ~MainWindow() override;

    // Creates the window and runs its start-up sequence: the splash window when "ShowSplash" is on, the stored
    // layout, the toolbar, the first scan, the preview window when it was open, and a click on the first node.
    // False when the window cannot be created.
    bool Load();

    // ---- Operations other code calls ----
    Catalogue& Model() { return catalogue_; }
    // A full scan into both trees; showSplash reports progress on the splash window too.
    void PopulateList(bool showSplash);
    // Rebuilds both tree controls from the catalogue (after an operation added or removed nodes),
    // keeping the selection where its node still exists.
    void RebuildTrees();
    // Refreshes the details of the selected node of tree index.
    void NodeClick(int treeIndex);
    void EnableMainControls(bool enable);
    void SetMissingState(bool missing);
    void SwitchDisplayMode(int index);
    void ShowCounts();
    void LoadToolbar();
    // Selects the next node of the visible tree whose text contains find (see FindNextNode) and clicks it.
    void FindInList(const std::wstring& find, bool typeLib, bool control);
    // Closing as the close box does: to the tray when "MinimizeToTray" is 1, otherwise the exit path.
    void CloseRequest();
    void ExitPath();
    void MinimizeToTray();
    void RestoreFromTray(bool afterDoubleClick);
    TempFiles& Temp() { return tempFiles_; }
    // The message loop's filter: modeless windows' keys and the accelerators. True when handled.
    bool PreTranslate(MSG& msg);
    // The Options dialog's O&K: the toolbar rebuilt, the window laid out, the exit item's caption set.
    void OptionsApplied(const std::wstring& exitCaption) override;

    // ---- What the window shows (tests, screenshots) ----
    HWND Tree(int index) const { return tvMain_[index ? 1 : 0].Handle(); }
    HWND List(int index) const { return lvInfo_[index ? 1 : 0].Handle(); }
    HWND Frame(int index) const { return fraInfo_[index ? 1 : 0]; }
    HWND Toolbar() const { return tlbMain_; }
    HWND ToolbarFrameHandle() const { return fraToolbar_; }
    HWND StatusBarHandle() const { return statusBar_.Handle(); }
    HWND ProgressBarHandle() const { return pgStatus_.Handle(); }
    HMENU MenuBar() const { return menu_; }
    HMENU TrayMenu() const { return trayMenu_; }
    HACCEL Accelerators() const { return accelerators_; }
    std::wstring PanelText(int panel) const { return statusBar_.Text(panel); }
    int VisibleTree() const { return visibleTree_; }
    int ActiveList() const { return activeList_; }
    bool Busy() const { return busy_; }
    // How long the last full scan took: the registry scan itself and filling the two tree controls.
    struct ScanTimes {
        double scanMs = 0;
        double treesMs = 0;
    };
    const ScanTimes& LastScanTimes() const { return scanTimes_; }
    bool InTray() const { return inTray_; }
    HTREEITEM TreeItem(int treeIndex, int node) const;
    FindInListDialog& FindWindow() { return findDialog_; }
    SplashWindow& Splash() { return splash_; }
    Splitter& SplitTop() { return splitTop_; }
    Splitter& SplitterLeft() { return splitterLeft_; }
    // The data text of the row of details list index whose element is element; empty when absent.
    std::wstring DetailData(int listIndex, const std::wstring& element) const;

    // ---- Seams for tests ----
    // How the exit path ends the process (default: ask the message loop to end).
    void SetEndProcess(std::function<void()> end) { endProcess_ = std::move(end); }
    // How File > Properties opens the shell's properties sheet (default: ShowFileProperties).
    void SetPropertiesOpener(std::function<bool(void*, const std::wstring&)> opener) { openProperties_ = std::move(opener); }
    // How context menus pop up (default: TrackPopupMenuEx at the point).
    void SetPopupMenu(std::function<void(HMENU, POINT)> popup) { popupMenu_ = std::move(popup); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class ScanProgress;

    void CreateChildren();
    void CreateImageLists();
    void CreateToolbar();
    void Layout();
    void PlaceTrees(const RECT& pane);
    void PlaceFrames(const RECT& upper, const RECT& lower);
    void FitProgressBar();
    void FitDataColumn(int listIndex);
    void ApplyStoredLayout();
    void ShowMainWindow();
    void SaveLayout();

    void OnCommand(int id);
    LRESULT OnNotify(NMHDR* header);
    LRESULT OnTreeCustomDraw(int treeIndex, NMTVCUSTOMDRAW* draw);
    void OnTreeRightClick(int treeIndex);
    void OnListRelease(int listIndex, bool rightButton);
    void OnTrayMessage(LPARAM event);

    void ApplyCommandState(int id, bool enabled);
    void GreyUnavailableCommands();
    bool CommandEnabled(int id) const;
    void SetTopMenusEnabled(bool enabled);
    void ToggleToolbar();
    void ToggleStatusbar();
    void TogglePreview();
    void ExpandAll(bool expand);
    void CopyData();
    void Explore();
    void OpenProperties();
    void RegisterFromMenu();
    void UnregisterSelected();
    void UnregisterFromTray();
    void ShowCatalogueChanges();
    void SetExitCaption(const std::wstring& caption);
    void PopupFileMenuWithoutExit(POINT screen);
    void SelectNode(int treeIndex, int node);
    void FillDetails(const std::vector<std::pair<std::wstring, std::wstring>>& rows, int listIndex);
    bool AddTrayIcon();
    void DeleteTrayIcon();
    std::wstring StatusPath() const { return PanelText(kPanelStatus); }

    Catalogue catalogue_;
    HMENU menu_ = nullptr;
    HMENU trayMenuBar_ = nullptr; // the resource menu whose first popup is mnuSysTray
    HMENU trayMenu_ = nullptr;
    HACCEL accelerators_ = nullptr;

    ToolbarFrame toolbarFrame_;
    HWND fraToolbar_ = nullptr;
    HWND tlbMain_ = nullptr;
    ui::TreeView tvMain_[2];
    HWND fraInfo_[2] = {};
    ui::ListView lvInfo_[2];
    ui::StatusBar statusBar_;
    ui::ProgressBar pgStatus_;
    Splitter splitTop_;
    Splitter splitterLeft_;
    HIMAGELIST ilList_ = nullptr;
    HIMAGELIST ilToolbar24_ = nullptr;
    HIMAGELIST ilToolbar24BW_ = nullptr;
    GdiObject font_;
    GdiObject bigIcon_;
    GdiObject smallIcon_;

    // HTREEITEM of every catalogue node, by node index (index 0 unused), per tree.
    std::vector<HTREEITEM> items_[2];
    int visibleTree_ = 0;
    int activeList_ = 0;
    bool busy_ = false;
    bool inTray_ = false;
    bool previewBeforeTray_ = false;
    bool missing_ = false;
    bool showSplash_ = false;
    bool suppressSelection_ = false;
    int windowState_ = 0; // stored state applied when the window is first shown
    HICON trayIcon_ = nullptr;
    bool trayAdded_ = false;
    UINT taskbarCreated_ = 0;

    ScanTimes scanTimes_;
    SplashWindow splash_;
    FindInListDialog findDialog_;
    TempFiles tempFiles_;

    std::function<void()> endProcess_;
    std::function<bool(void*, const std::wstring&)> openProperties_;
    std::function<void(HMENU, POINT)> popupMenu_;
};

} // namespace nivex
