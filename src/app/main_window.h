#pragma once
// frmMain: wiring of its owned parts (the catalogue trees, the details lists, the command bar, the status
// bar, the splitters, the tray icon) and the command table that every subsystem adds its commands to.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/catalogue_view.h"
#include "app/command_bar.h"
#include "app/command_table.h"
#include "app/details_view.h"
#include "app/find_in_list.h"
#include "app/splash_window.h"
#include "app/splitter.h"
#include "app/tray_icon.h"
#include "catalogue/catalogue.h"
#include "catalogue/selected_control.h"
#include "common/handles.h"
#include "common/ui/controls.h"
#include "common/window.h"
#include "common/temp_files.h"
#include "registry/sounds.h"
#include "common/winutil.h"
#include "app/options_dialog.h"

namespace nivex {

class MainWindow final : public Window, public OptionsHost {
public:
    // Status bar panels, by key.
    static constexpr int kPanelStatus = 0;  // "STATUS"
    static constexpr int kPanelDisplay = 1; // "DISPLAY"
    static constexpr int kPanelCount = 2;   // "COUNT"
    static constexpr int kMenuFile = CommandBar::kMenuFile, kMenuEdit = CommandBar::kMenuEdit,
                         kMenuView = CommandBar::kMenuView, kMenuTools = CommandBar::kMenuTools,
                         kMenuHelp = CommandBar::kMenuHelp;

    MainWindow();
    ~MainWindow() override;

    // Creates the window and runs its start-up sequence: the splash window when "ShowSplash" is on, the stored
    // layout, the toolbar, the first scan, the preview window when it was open, and a click on the first node.
    // False when the window cannot be created.
    bool Load();

    // ---- What commands work with ----
    Catalogue& Model() { return catalogue_; }
    // The selected control; empty when nothing is selected.
    const SelectedControl& Selection() const { return selection_; }
    CommandTable& Commands() { return commands_; }
    TempFiles& Temp() { return tempFiles_; }
    // Runs an operation with the window busy (no other command starts, the hourglass shows); the command
    // states are refreshed afterwards.
    void RunBusy(const std::function<void()>& operation);
    // After an operation added or removed nodes: trees redrawn, counts shown, and the details following
    // the selection when its node is gone.
    void ShowCatalogueChanges();
    // A full scan into both trees; showSplash reports progress on the splash window too.
    void PopulateList(bool showSplash);
    // Refreshes the details of the selected node of tree index and the selection.
    void NodeClick(int treeIndex);
    // Called after every selection change with the new selection (for windows that follow it).
    void AddSelectionListener(std::function<void(const SelectedControl&)> listener);
    // Enables every command as its rule says now.
    void RefreshCommandStates();
    void SetStatusText(const std::wstring& text);
    void ShowCounts();
    // Pops up a menu at a screen point (replaceable for tests).
    void PopupMenu(HMENU menu, POINT screen) { popupMenu_(menu, screen); }

    void SwitchDisplayMode(int index);
    void LoadToolbar();
    // Selects the next node of the visible tree whose text contains find (see FindNextNode) and clicks it.
    void FindInList(const std::wstring& find, bool typeLib, bool control);
    void ExpandAll(bool expand);
    // The trees' context menu: the File menu without its exit item.
    void PopupFileMenu(POINT screen);
    // Selects a node of a tree as the user would (the details follow).
    void SelectNode(int treeIndex, int node);
    void ToggleToolbar();
    void ToggleStatusbar();
    void TogglePreview();
    // Closing as the close box does: to the tray when "MinimizeToTray" is 1, otherwise the exit path.
    void CloseRequest();
    void ExitPath();
    void MinimizeToTray();
    void RestoreFromTray(bool afterDoubleClick);
    // The message loop's filter: modeless windows' keys and the accelerators. True when handled.
    bool PreTranslate(MSG& msg);
    // The Options dialog's O&K: the toolbar rebuilt, the window laid out, the exit item's caption set.
    void OptionsApplied(const std::wstring& exitCaption) override;

    // ---- What the window shows (tests, screenshots) ----
    HWND Tree(int index) const { return trees_.Tree(index); }
    HWND List(int index) const { return details_.List(index); }
    HWND Frame(int index) const { return details_.Frame(index); }
    HWND Toolbar() const { return bar_.Toolbar(); }
    HWND ToolbarFrameHandle() const { return bar_.ToolbarFrameHandle(); }
    HWND StatusBarHandle() const { return statusBar_.Handle(); }
    HWND ProgressBarHandle() const { return pgStatus_.Handle(); }
    HMENU MenuBar() const { return bar_.MenuBar(); }
    HMENU TrayMenu() const { return bar_.TrayMenu().Handle(); }
    HACCEL Accelerators() const { return bar_.Accelerators(); }
    std::wstring PanelText(int panel) const { return statusBar_.Text(panel); }
    int VisibleTree() const { return trees_.Visible(); }
    int ActiveList() const { return activeList_; }
    bool Busy() const { return busy_; }
    // How long the last full scan took: the registry scan itself and filling the two tree controls.
    struct ScanTimes {
        double scanMs = 0;
        double treesMs = 0;
    };
    const ScanTimes& LastScanTimes() const { return scanTimes_; }
    bool InTray() const { return inTray_; }
    HTREEITEM TreeItem(int treeIndex, int node) const { return trees_.Item(treeIndex, node); }
    FindInListDialog& FindWindow() { return findDialog_; }
    SplashWindow& Splash() { return splash_; }
    Splitter& SplitTop() { return splitTop_; }
    Splitter& SplitterLeft() { return splitterLeft_; }
    std::wstring DetailData(int listIndex, const std::wstring& element) const { return details_.Data(listIndex, element); }
    std::wstring SelectedDetailData(int listIndex) const { return details_.SelectedData(listIndex); }

    // ---- Seams for tests ----
    // How the exit path ends the process (default: ask the message loop to end).
    void SetEndProcess(std::function<void()> end) { endProcess_ = std::move(end); }
    // How File > Properties opens the shell's properties sheet (default: ShowFileProperties).
    void SetPropertiesOpener(std::function<bool(HWND, const std::wstring&)> opener) { openProperties_ = std::move(opener); }
    const std::function<bool(HWND, const std::wstring&)>& PropertiesOpener() const { return openProperties_; }
    // How context menus pop up (default: TrackPopupMenuEx at the point).
    void SetPopupMenu(std::function<void(HMENU, POINT)> popup) { popupMenu_ = std::move(popup); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateChildren();
    void Layout();
    void FitProgressBar();
    void ShowMainWindow();
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR* header);
    void OnListRelease(int listIndex, bool rightButton);
    void OnTrayMessage(LPARAM event);
    void SetScanning(bool scanning);
    CommandConditions Conditions() const;

    Catalogue catalogue_;
    SelectedControl selection_;
    CommandTable commands_;
    CommandBar bar_;
    CatalogueView trees_{catalogue_};
    DetailsView details_;
    ui::StatusBar statusBar_;
    ui::ProgressBar pgStatus_;
    Splitter splitTop_;
    Splitter splitterLeft_;
    TrayIcon tray_;
    Font font_;
    Icon bigIcon_;
    Icon smallIcon_;

    int activeList_ = 0;
    bool busy_ = false;
    bool inTray_ = false;
    bool previewBeforeTray_ = false;
    bool showSplash_ = false;
    int windowState_ = 0; // stored state applied when the window is first shown
    UINT taskbarCreated_ = 0;

    ScanTimes scanTimes_;
    SplashWindow splash_;
    FindInListDialog findDialog_;
    TempFiles tempFiles_;
    std::vector<std::function<void(const SelectedControl&)>> selectionListeners_;

    std::function<void()> endProcess_;
    std::function<bool(HWND, const std::wstring&)> openProperties_;
    std::function<void(HMENU, POINT)> popupMenu_;
};

} // namespace nivex
