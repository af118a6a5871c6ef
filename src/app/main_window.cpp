#include "app/main_window.h"

#include <algorithm>
#include <utility>

#include "app/main_commands.h"
#include "app/main_layout.h"
#include "app/placement_store.h"
#include "app/resource.h"
#include "app/scan_progress.h"
#include "auxiliary/close_button.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/whats_this.h"
#include "catalogue/details_loader.h"
#include "common/com/control_host.h"
#include "common/error.h"
#include "common/text.h"
#include "common/ui/modeless.h"
#include "common/winutil.h"
#include "guicontrols/gui_frames.h"
#include "inspect/bitmap_preview.h"
#include "common/ui/window_classes.h"
#include "registry/registry_views.h"
#include "registry/settings.h"
#include "registry/sounds.h"

namespace nivex {

namespace {

const wchar_t* const kTitle = L"Velmora Control Manager";

RECT ToPixels(const TwipsRect& r) {
    const int left = TwipsToPixelsX(r.left);
    const int top = TwipsToPixelsY(r.top);
    return RECT{left, top, left + TwipsToPixelsX(r.width), top + TwipsToPixelsY(r.height)};
}

void Move(HWND hwnd, const RECT& r) {
    if (hwnd)
        MoveWindow(hwnd, r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top), TRUE);
}

HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HICON LoadProgramIcon(int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIVEX), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), 0));
}

} // namespace

// ---- Creation and start-up ----

MainWindow::MainWindow(Desktop& desktop) : desktop_(desktop) {
    endProcess_ = [] { PostQuitMessage(0); };
    popupMenu_ = [this](HMENU menu, POINT pt) {
        TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, Handle(), nullptr);
    };
    findDialog_.SetSearchHandler(
        [this](const std::wstring& find, bool typeLib, bool control) { FindInList(find, typeLib, control); });
    trees_.SetSelectHandler([this](int treeIndex) { NodeClick(treeIndex); });
    BuildCommandContext();
}

// Built once: what every command may use of the window, as callbacks; the owner follows at creation.
void MainWindow::BuildCommandContext() {
    CommandContext& c = context_;
    c.status = status_.Sink();
    c.runBusy = [this](const std::function<void()>& operation) { dispatch_.RunBusy(operation); };
    c.showChanges = [this] { ShowCatalogueChanges(); };
    c.rescan = [this] { PopulateList(false); };
    c.showCounts = [this] { ShowCounts(); };
    c.deleteAtExit = [this](const std::wstring& path) { tempFiles_.Add(path); };
    c.openOptions = [this](int tab) {
        if (frmOptions* options = frmOptions::Show(Handle(), desktop_, this)) options->SelectTab(tab);
    };
    c.openProperties = ShowFileProperties;
    details_.Serve(c);
    c.addSelectionListener = [this](std::function<void(const SelectedControl&)> listener) {
        selectionListeners_.push_back(std::move(listener));
    };
    AddOwnCommands();
    AddSubsystemCommands(dispatch_.Table(), context_);
}

// The window's own commands: its views, the trees, the details lists, the tray and the exit path.
void MainWindow::AddOwnCommands() {
    CommandTable& t = dispatch_.Table();
    t.Add(mnuExit, kNeedsIdle, [this] { CloseRequest(); });
    t.Add(mnuCopyData, kNeedsNothing, [this] { details_.CopySelectedData(desktop_, Handle()); });
    t.Add(mnuFindInList, kNeedsIdle, [this] { findDialog_.Open(Handle()); });
    t.Add(mnuExpandAll, kNeedsIdle, [this] { trees_.ExpandAll(true); });
    t.Add(mnuCollapseAll, kNeedsIdle, [this] { trees_.ExpandAll(false); });
    t.Add(mnuToolbar, kNeedsNothing,
          [this] { ToggleBar(mnuToolbar, bar_.ToolbarFrameHandle(), kKeyShowToolbar, L"mnuToolbar_Click"); });
    t.Add(mnuShowStatusbar, kNeedsNothing,
          [this] { ToggleBar(mnuShowStatusbar, status_.Handle(), kKeyShowStatusbar, L"mnuShowStatusbar_Click"); });
    t.Add(mnuToolboxBitmapPreview, kNeedsNothing,
          [this] { bar_.Menus().Check(mnuToolboxBitmapPreview, BitmapPreview::Instance().Toggle()); });
    t.Add(mnuControls0, kNeedsIdle, [this] { SwitchDisplayMode(0); });
    t.Add(mnuControls1, kNeedsIdle | kNeedsMissingControls, [this] { SwitchDisplayMode(1); });
    t.Add(mnuRefresh, kNeedsIdle, [this] { PopulateList(false); });
    t.Add(mnuControls32, kNeedsIdle | kNeedsTwoViews, [this] { ToggleView(RegistryView::Bits32); });
    t.Add(mnuControls64, kNeedsIdle | kNeedsTwoViews, [this] { ToggleView(RegistryView::Bits64); });
    t.Add(mnuOptions, kNeedsNothing, [this] { frmOptions::Show(Handle(), desktop_, this); });
    t.Add(mnuTrayOpenNivex, kNeedsNothing, [this] { RestoreFromTray(false); });
    t.Add(mnuTrayExit, kNeedsNothing, [this] { ExitPath(); });
}

MainWindow::~MainWindow() {
    tray_.Remove();
    Destroy();
}

bool MainWindow::Load() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    showSplash_ = SettingIsOn(kSectionOptions, kKeyShowSplash);
    bigIcon_.Reset(LoadProgramIcon(SM_CXICON, SM_CYICON));
    smallIcon_.Reset(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON));
    RegisterWindowClass(ui::kMainWindowClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), bigIcon_.Get(), smallIcon_.Get());
    bar_.Load(GetModuleHandleW(nullptr));
    font_.Reset(CreateMessageFont());

    // The window is created at the default place; the stored layout is applied before it is first shown.
    Create(WS_EX_CONTROLPARENT, ui::kMainWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
           TwipsToPixelsX(100), TwipsToPixelsY(100), TwipsToPixelsX(8000), TwipsToPixelsY(6000), nullptr,
           bar_.MenuBar());
    if (!Handle()) return false;
    context_.owner = Handle();
    catalogue_.SetErrorSink([this](const std::wstring& procedure, const std::wstring& title, long number,
                                   const std::wstring& description) {
        desktop_.Message(Handle(), ErrorInMessage(procedure, number, description), title, MsgButtons::Ok,
                         MsgIcon::Critical);
    });
    CreateChildren();
    tools_.Attach(Handle(), [this] { bar_.Menus().Check(mnuToolboxBitmapPreview, false); });
    tray_.Attach(Handle(), smallIcon_.Get(),
                 {[this] { RestoreFromTray(true); }, [this](POINT pt) { popupMenu_(bar_.TrayMenu().Handle(), pt); }});

    windowState_ = ApplyStoredPlacement(Handle(), desktop_);
    if (showSplash_) splash_.Show([this] { ShowMainWindow(); });
    else ShowMainWindow();

    status_.FitProgress();
    if (showSplash_) splash_.SetStatus(L"Initializing Variables...");
    catalogue_.libraries = catalogue_.controls = catalogue_.missing = 0;

    if (showSplash_) splash_.SetStatus(L"Loading Appearence Settings...");
    // The toggles invert the check mark they find, so each starts from the inverse of the stored state.
    bar_.Menus().Check(mnuToolbar, !SettingIsOn(kSectionAppearence, kKeyShowToolbar));
    ToggleBar(mnuToolbar, bar_.ToolbarFrameHandle(), kKeyShowToolbar, L"mnuToolbar_Click");
    bar_.Menus().Check(mnuShowStatusbar, !SettingIsOn(kSectionAppearence, kKeyShowStatusbar));
    ToggleBar(mnuShowStatusbar, status_.Handle(), kKeyShowStatusbar, L"mnuShowStatusbar_Click");
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) bar_.SetExitCaption(L"Minimize To Tray");

    LoadViewSettings();

    if (showSplash_) splash_.SetStatus(L"Loading Toolbar...");
    LoadToolbar();
    PopulateList(showSplash_);

    splash_.Close();
    ShowMainWindow();
    PumpPendingMessages();

    bar_.Menus().Check(mnuToolboxBitmapPreview, tools_.ShowAtStartup(desktop_));
    PumpPendingMessages();
    NodeClick(trees_.Visible());
    SetFocus(Tree(trees_.Visible()));
    // Said once, after the selection filled the status bar: why the panels are plain frames.
    const std::wstring controlsProblem = TakeGuiControlsProblem();
    if (!controlsProblem.empty()) status_.SetText(kPanelStatus, controlsProblem);
    return true;
}

void MainWindow::CreateChildren() {
    HFONT font = static_cast<HFONT>(font_.Get());
    bar_.Create(Handle(), font);

    splitTop_.Create(Handle(), IDC_SPLITTOP, Splitter::Kind::LeftRight, 0.4);
    splitterLeft_.Create(Handle(), IDC_SPLITTERLEFT, Splitter::Kind::TopBottom, 0.47);
    splitTop_.SetResizeHandler([this](const RECT& left, const RECT& right) {
        trees_.Place(left);
        splitterLeft_.SetArea(right);
    });
    splitterLeft_.SetResizeHandler([this](const RECT& upper, const RECT& lower) { details_.Place(upper, lower); });

    trees_.Create(Handle(), IDC_TVMAIN0, font, bar_.ListImages());
    details_.Create(Handle(), IDC_FRAINFO0, IDC_LVINFO0, IDP_FRAINFO0, font, bar_.ListImages());

    status_.Create(Handle(), IDC_STATUSBAR, IDC_PGSTATUS, font);
    status_.SetText(kPanelDisplay, Catalogue::DisplayName(Catalogue::kAll));
    status_.SetText(kPanelCount, catalogue_.CountsText(Catalogue::kAll));

    // For What's-This: each part's help page.
    const std::pair<HWND, DWORD> helpIds[] = {
        {Handle(), IDH_MAIN_WINDOW},         {Tree(0), IDH_MAIN_TREE_ALL},
        {Tree(1), IDH_MAIN_TREE_MISSING},    {Frame(0), IDH_MAIN_CONTROL_INFO},
        {List(0), IDH_MAIN_CONTROL_INFO},    {Frame(1), IDH_MAIN_FILE_INFO},
        {List(1), IDH_MAIN_FILE_INFO},       {Toolbar(), IDH_MAIN_TOOLBAR},
        {ToolbarFrameHandle(), IDH_MAIN_TOOLBAR}, {status_.Handle(), IDH_MAIN_STATUSBAR},
        {splitTop_.Handle(), IDH_MAIN_SPLITTER},  {splitterLeft_.Handle(), IDH_MAIN_SPLITTER}};
    for (const auto& [part, id] : helpIds) SetWindowContextHelpId(part, id);
    dispatch_.Refresh();
}

void MainWindow::LoadToolbar() {
    bar_.RebuildToolbar();
    Layout();
}

void MainWindow::OptionsApplied(const std::wstring& exitCaption) {
    LoadToolbar();
    bar_.SetExitCaption(exitCaption);
}

void MainWindow::ShowMainWindow() {
    if (!Handle() || IsWindowVisible(Handle())) return;
    ShowWindow(Handle(), windowState_ == 2 ? SW_SHOWMAXIMIZED : windowState_ == 1 ? SW_SHOWMINIMIZED : SW_SHOW);
    UpdateWindow(Handle());
}

void MainWindow::Layout() {
    if (!status_.Handle() || !bar_.Toolbar()) return;
    RECT client{};
    GetClientRect(Handle(), &client);
    status_.Fit(client.right);

    MainLayoutInput in;
    in.innerWidth = PixelsToTwipsX(client.right);
    in.innerHeight = PixelsToTwipsY(client.bottom);
    in.toolbarHeight = PixelsToTwipsY(bar_.ToolbarPixels());
    // By the style bit: the window itself may not be shown yet.
    in.toolbarVisible = (GetWindowLongPtrW(bar_.ToolbarFrameHandle(), GWL_STYLE) & WS_VISIBLE) != 0;
    in.statusBarHeight = PixelsToTwipsY(status_.Height());
    in.statusBarVisible = status_.Visible();
    const MainLayout layout = ComputeMainLayout(in);
    Move(bar_.ToolbarFrameHandle(), ToPixels(layout.toolbarFrame));
    Move(bar_.Toolbar(), ToPixels(layout.toolbar));
    splitTop_.SetArea(ToPixels(layout.splitTop));
}

// ---- The catalogue and the selection ----

void MainWindow::SetScanning(bool scanning) {
    // Nothing that could start another operation runs while the scan pumps messages.
    EnableWindow(bar_.Toolbar(), scanning ? FALSE : TRUE);
    bar_.SetTopMenusEnabled(!scanning);
    trees_.Enable(!scanning);
    details_.Enable(!scanning);
    dispatch_.Refresh();
    try {
        EnableCloseButton(Handle(), !scanning);
    } catch (const Error& e) {
        catalogue_.ReportError(L"PopulateList", kTitle, e.Number(), e.Description());
    }
}

void MainWindow::PopulateList(bool showSplash) {
    if (dispatch_.Busy()) return;
    dispatch_.SetBusy(true);
    HWND focus = GetFocus();
    // The trees are frozen for the whole scan; the hourglass shows while busy (WM_SETCURSOR).
    trees_.SetRedraw(false);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    trees_.Clear();
    catalogue_.Reset();
    selection_ = SelectedControl::None();
    status_.SetText(kPanelStatus, L"Searching Registry for ActiveX Controls...");
    SetScanning(true);
    PumpPendingMessages();

    scanTimes_ = ScanIntoTrees(catalogue_, trees_, status_, showSplash ? &splash_ : nullptr, [this] { ShowCounts(); });
    dispatch_.SetBusy(false);

    trees_.SetRedraw(true);
    status_.SetText(kPanelStatus, L"");
    SetScanning(false);
    SelectNode(trees_.Visible(), catalogue_.Tree(trees_.Visible()).FirstRoot());
    ShowCounts();
    PlaySoundRelative(desktop_, kSoundRefresh);
    // Disabling the tree took the focus away; give it back where it was.
    if (focus && IsWindow(focus) && (focus == Handle() || IsChild(Handle(), focus)) && IsWindowVisible(focus))
        SetFocus(focus);
    POINT pt{};
    GetCursorPos(&pt);
    SetCursorPos(pt.x, pt.y); // lets the arrow come back at once
}

void MainWindow::NodeClick(int treeIndex) {
    try {
        int node = catalogue_.Tree(treeIndex).Selected();
        const ControlDetails details = LoadInformation(catalogue_, treeIndex, node, Handle(), desktop_);
        details_.Show(details);
        details_.ShowView(details.complete && catalogue_.TwoViews() ? std::optional<RegistryView>(details.view)
                                                                    : std::nullopt);
        // Only the preview reads the server file, and it maps it as data: no control code runs here.
        if (details.toolboxBitmapReached) BitmapPreview::Instance().DrawToolboxBitmap(details.toolboxBitmap);
        if (details.complete) {
            selection_ = details.selection;
            status_.SetText(kPanelStatus, selection_.resolvedPath);
        } else {
            selection_ = SelectedControl::None();
            if (!catalogue_.Tree(treeIndex).IsValid(node)) status_.SetText(kPanelStatus, L""); // no control, no file
        }
    } catch (const std::exception& e) {
        selection_ = SelectedControl::None();
        const auto* error = dynamic_cast<const Error*>(&e);
        desktop_.Message(Handle(),
                         error ? NumberDashDescription(error->Number(), error->Description())
                               : NumberDashDescription(0, Utf8ToWide(e.what())),
                         kTitle, MsgButtons::Ok, MsgIcon::None);
    }
    dispatch_.Refresh();
    for (const auto& listener : selectionListeners_) listener(selection_);
}

void MainWindow::ShowCatalogueChanges() {
    trees_.Rebuild(!dispatch_.Busy());
    const CatalogueTree& visible = catalogue_.Tree(trees_.Visible());
    if (visible.Selected() == 0) SelectNode(trees_.Visible(), visible.FirstRoot());
    ShowCounts();
    dispatch_.Refresh();
}

void MainWindow::SwitchDisplayMode(int index) {
    const int k = index == Catalogue::kMissing ? 1 : 0;
    bar_.Menus().CheckRadio(mnuControls0, mnuControls1, k ? mnuControls1 : mnuControls0);
    trees_.Show(k);
    catalogue_.SetDisplayMode(k);
    SelectNode(k, catalogue_.Tree(k).FirstRoot());
    status_.SetText(kPanelDisplay, Catalogue::DisplayName(k));
    ShowCounts();
}

void MainWindow::FindInList(const std::wstring& find, bool typeLib, bool control) {
    if (dispatch_.Busy()) return;
    try {
        trees_.SelectNextMatch(find, typeLib, control);
    } catch (...) {
        desktop_.Message(Handle(), L"Unknown error in frmMain.FindInList().", L"Error", MsgButtons::Ok,
                         MsgIcon::Critical);
    }
}

void MainWindow::RunBusy(const std::function<void()>& operation) { dispatch_.RunBusy(operation); }

// ---- Closing, the tray and the exit path ----

void MainWindow::CloseRequest() {
    if (dispatch_.Busy()) return;
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) MinimizeToTray();
    else ExitPath();
}

void MainWindow::ExitPath() {
    CleanUp(true);
    if (endProcess_) endProcess_();
}

// What ending the program leaves behind: the layout stored, no tray icon, no temporary file, no help window.
void MainWindow::CleanUp(bool tellFailure) {
    try {
        StorePlacement(Handle());
    } catch (const Error& e) {
        if (tellFailure)
            desktop_.Message(Handle(), ErrorInMessage(L"ExitPath", e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
    tray_.Remove();
    tempFiles_.DeleteAll();
    // A help window left open while the process ends can bring it down.
    CloseAllHelpWindows();
}

void MainWindow::MinimizeToTray() {
    if (!tray_.Add()) {
        // Without a notification area the window must stay reachable.
        ShowWindow(Handle(), SW_MINIMIZE);
        return;
    }
    tools_.HideForTray();
    if (findDialog_.IsOpen()) findDialog_.CloseWindow();
    ShowWindow(Handle(), SW_HIDE);
}

void MainWindow::RestoreFromTray(bool afterDoubleClick) {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    tools_.RestoreAfterTray();
    tray_.Remove();
    if (afterDoubleClick) NodeClick(trees_.Visible());
}

// ---- Notifications ----

void MainWindow::OnListRelease(int listIndex, bool rightButton) {
    details_.SetActiveList(listIndex);
    dispatch_.Refresh();
    if (!rightButton) return;
    POINT pt{};
    GetCursorPos(&pt);
    if (HMENU edit = GetSubMenu(MenuBar(), kMenuEdit))
        if (HMENU information = GetSubMenu(edit, 0)) popupMenu_(information, pt);
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    LRESULT result = 0;
    if (trees_.OnNotify(header, dispatch_.Busy(), result)) return result;
    const int id = static_cast<int>(header->idFrom);
    if (header->code == NM_RCLICK && (id == IDC_TVMAIN0 || id == IDC_TVMAIN1)) {
        if (dispatch_.Busy()) return TRUE;
        POINT pt{};
        GetCursorPos(&pt);
        trees_.SelectAt(id - IDC_TVMAIN0, pt);
        bar_.PopupFileMenuWithoutExit(popupMenu_, pt);
        return TRUE;
    }
    const int list = details_.ListIndexOf(id);
    if (list >= 0) {
        switch (header->code) {
        case NM_CLICK: OnListRelease(list, false); return 0;
        case NM_RCLICK: OnListRelease(list, true); return TRUE;
        case NM_DBLCLK: dispatch_.Dispatch(list == 0 ? mnuEditInformation : trees_.Visible() == 0 ? mnuPropertyPages : 0); return 0;
        default: return 0;
        }
    }
    bar_.OnNotify(header);
    return 0;
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (HandleDialogHelpKey(msg, Handle())) return true;
    if (TranslateControlAccelerator(&msg)) return true; // the user-interface-active control's own keys
    if (ui::ModelessWindows::Dispatch(msg)) return true;
    const bool ours = msg.hwnd == Handle() || IsChild(Handle(), msg.hwnd);
    return ours && Accelerators() && TranslateAcceleratorW(Handle(), Accelerators(), &msg);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        dispatch_.Dispatch(LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) Layout();
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {320, 240};
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_.Get());
    case WM_SETCURSOR:
        if (!dispatch_.Busy()) break;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(Tree(trees_.Visible()));
        return 0;
    case WM_CLOSE:
        CloseRequest();
        return 0;
    case WM_ENDSESSION:
        if (wParam) CleanUp(false);
        return 0;
    case WM_DESTROY:
        tray_.Remove();
        return 0;
    default:
        if (tray_.OnMessage(message, lParam) || tools_.OnMessage(message, wParam)) return 0;
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace nivex
