#pragma once
// frmMain: wiring of its owned parts (the catalogue trees, the details lists, the command bar, the status
// bar, the splitters, the tray icon) and the command table that every subsystem adds its commands to.
// Commands see a CommandContext, never the window.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/catalogue_view.h"
#include "app/command_bar.h"
#include "app/command_context.h"
#include "app/command_dispatch.h"
#include "app/details_view.h"
#include "app/find_in_list.h"
#include "app/main_status_bar.h"
#include "app/options_dialog.h"
#include "app/splash_window.h"
#include "app/splitter.h"
#include "app/scan_progress.h"
#include "app/tool_windows.h"
#include "app/tray_icon.h"
#include "catalogue/catalogue.h"
#include "catalogue/selected_control.h"
#include "common/desktop.h"
#include "common/handles.h"
#include "common/temp_files.h"
#include "common/window.h"
#include "registration/reg_status_window.h"

namespace nivex {

class MainWindow final : public Window, public OptionsHost {
public:
    static constexpr int kPanelStatus = MainStatusBar::kPanelStatus, kPanelDisplay = MainStatusBar::kPanelDisplay,
                         kPanelCount = MainStatusBar::kPanelCount;
    static constexpr int kMenuFile = CommandBar::kMenuFile, kMenuEdit = CommandBar::kMenuEdit,
                         kMenuView = CommandBar::kMenuView, kMenuTools = CommandBar::kMenuTools,
                         kMenuHelp = CommandBar::kMenuHelp;

    // Everything the window and its commands ask or start goes through desktop, which outlives the window.
    explicit MainWindow(Desktop& desktop);
    ~MainWindow() override;

    // Creates the window and runs its start-up sequence: the splash window when "ShowSplash" is on, the stored
    // layout, the toolbar, the first scan, the preview window when it was open, and a click on the first node.
    // False when the window cannot be created.
    bool Load();

    Catalogue& Model() { return catalogue_; }
    // The selected control; empty when nothing is selected.
    const SelectedControl& Selection() const { return selection_; }
    CommandTable& Commands() { return dispatch_.Table(); }
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
    void SwitchDisplayMode(int index);
    // View > "32-bit Controls" / "64-bit Controls": shows or hides the view's nodes (a full scan) and stores it.
    void ToggleView(RegistryView view);
    // Closing as the close box does: to the tray when "MinimizeToTray" is 1, otherwise the exit path.
    void CloseRequest();
    void ExitPath();
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
    HWND StatusBarHandle() const { return status_.Handle(); }
    HWND ProgressBarHandle() const { return status_.ProgressHandle(); }
    HMENU MenuBar() const { return bar_.MenuBar(); }
    HMENU TrayMenu() const { return bar_.TrayMenu().Handle(); }
    HACCEL Accelerators() const { return bar_.Accelerators(); }
    std::wstring PanelText(int panel) const { return status_.Text(panel); }
    int VisibleTree() const { return trees_.Visible(); }
    int ActiveList() const { return details_.ActiveList(); }
    bool Busy() const { return dispatch_.Busy(); }
    const ScanTimes& LastScanTimes() const { return scanTimes_; }
    bool InTray() const { return tray_.Shown(); }
    FindInListDialog& FindWindow() { return findDialog_; }
    SplashWindow& Splash() { return splash_; }

    // ---- Seams for tests ----
    // How the exit path ends the process (default: ask the message loop to end).
    void SetEndProcess(std::function<void()> end) { endProcess_ = std::move(end); }
    // How File > Properties opens the shell's properties sheet (default: ShowFileProperties).
    void SetPropertiesOpener(std::function<bool(HWND, const std::wstring&)> opener) {
        context_.openProperties = std::move(opener);
    }
    // How context menus pop up (default: TrackPopupMenuEx at the point).
    void SetPopupMenu(std::function<void(HMENU, POINT)> popup) { popupMenu_ = std::move(popup); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildCommandContext();
    void AddOwnCommands();
    void CreateChildren();
    void Layout();
    void ShowMainWindow();
    void LoadToolbar();
    void FindInList(const std::wstring& find, bool typeLib, bool control);
    void SelectNode(int treeIndex, int node) { trees_.Select(treeIndex, node); }
    void ShowCounts() { status_.SetText(kPanelCount, catalogue_.CountsText(trees_.Visible())); }
    void ToggleBar(int menuId, HWND bar, const wchar_t* key, const wchar_t* procedure);
    void LoadViewSettings();
    void MinimizeToTray();
    void CleanUp(bool tellFailure);
    void RestoreFromTray(bool afterDoubleClick);
    LRESULT OnNotify(NMHDR* header);
    void OnListRelease(int listIndex, bool rightButton);
    void SetScanning(bool scanning);

    Desktop& desktop_;
    Catalogue catalogue_;
    SelectedControl selection_;
    StatusWindowDisplay outcomes_{desktop_};
    CommandContext context_{catalogue_, selection_, desktop_, outcomes_};
    CommandBar bar_;
    CommandDispatch dispatch_{bar_, catalogue_, selection_};
    CatalogueView trees_{catalogue_};
    DetailsView details_;
    MainStatusBar status_;
    Splitter splitTop_;
    Splitter splitterLeft_;
    TrayIcon tray_;
    ToolWindows tools_;
    Font font_;
    Icon bigIcon_;
    Icon smallIcon_;

    bool showSplash_ = false;
    int windowState_ = 0; // stored state applied when the window is first shown

    ScanTimes scanTimes_;
    SplashWindow splash_;
    FindInListDialog findDialog_{desktop_};
    TempFiles tempFiles_;
    std::vector<std::function<void(const SelectedControl&)>> selectionListeners_;

    std::function<void()> endProcess_;
    std::function<void(HMENU, POINT)> popupMenu_;
};

} // namespace nivex
