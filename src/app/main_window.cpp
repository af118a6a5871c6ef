#include "app/main_window.h"

#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "app/find_order.h"
#include "app/main_commands.h"
#include "app/main_layout.h"
#include "app/placement_store.h"
#include "app/scan_progress.h"
#include "app/resource.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/tip_window.h"
#include "auxiliary/whats_this.h"
#include "auxiliary/close_button.h"
#include "catalogue/catalogue_scan.h"
#include "common/desktop.h"
#include "common/error.h"
#include "common/scope_guard.h"
#include "common/text.h"
#include "common/ui/modeless.h"
#include "common/winutil.h"
#include "common/com/control_host.h"
#include "guicontrols/gui_frames.h"
#include "inspect/bitmap_preview.h"
#include "catalogue/details_loader.h"
#include "registry/settings.h"

namespace nivex {

namespace {

const wchar_t* const kMainClass = L"NivexMain";
const wchar_t* const kTitle = L"Velmora Control Manager";
constexpr UINT kKeepToolsAbove = WM_APP + 2;
constexpr UINT_PTR kKeepToolsAboveTimer = 0x4B54;

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

// A setting the window writes on the user's behalf; a store that refuses is reported, the window goes on.
void StoreSetting(HWND owner, const wchar_t* procedure, const wchar_t* section, const wchar_t* key,
                  const std::wstring& value) {
    try {
        SaveSetting(section, key, value);
    } catch (const Error& e) {
        TheDesktop().Message(owner, ErrorInMessage(procedure, e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
}

HICON LoadProgramIcon(int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIVEX), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), 0));
}

} // namespace

// ---- Creation and start-up ----

MainWindow::MainWindow() {
    endProcess_ = [] { PostQuitMessage(0); };
    openProperties_ = ShowFileProperties;
    popupMenu_ = [this](HMENU menu, POINT pt) {
        TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, Handle(), nullptr);
    };
    findDialog_.SetSearchHandler(
        [this](const std::wstring& find, bool typeLib, bool control) { FindInList(find, typeLib, control); });
    trees_.SetSelectHandler([this](int treeIndex) { NodeClick(treeIndex); });
    AddMainWindowCommands(*this);
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
    RegisterWindowClass(kMainClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                        bigIcon_.Get(), smallIcon_.Get());
    bar_.Load(GetModuleHandleW(nullptr));
    font_.Reset(CreateMessageFont());

    // The window is created at the default place; the stored layout is applied before it is first shown.
    Create(WS_EX_CONTROLPARENT, kMainClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, TwipsToPixelsX(100),
           TwipsToPixelsY(100), TwipsToPixelsX(8000), TwipsToPixelsY(6000), nullptr, bar_.MenuBar());
    if (!Handle()) return false;
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    catalogue_.SetErrorSink([this](const std::wstring& procedure, const std::wstring& title, long number,
                                   const std::wstring& description) {
        TheDesktop().Message(Handle(), ErrorInMessage(procedure, number, description), title, MsgButtons::Ok,
                             MsgIcon::Critical);
    });
    CreateChildren();
    AssignMainWindowHelpIds(*this);
    BitmapPreview& preview = BitmapPreview::Instance();
    preview.SetOwner(Handle());
    preview.SetClosedByUser([this] { bar_.Menus().Check(mnuToolboxBitmapPreview, false); });

    windowState_ = ApplyStoredPlacement(Handle());
    if (showSplash_) splash_.Show([this] { ShowMainWindow(); });
    else ShowMainWindow();

    FitProgressBar();
    if (showSplash_) splash_.SetStatus(L"Initializing Variables...");
    catalogue_.libraries = catalogue_.controls = catalogue_.missing = 0;

    if (showSplash_) splash_.SetStatus(L"Loading Appearence Settings...");
    // The toggles invert the check mark they find, so each starts from the inverse of the stored state.
    bar_.Menus().Check(mnuToolbar, !SettingIsOn(kSectionAppearence, kKeyShowToolbar));
    ToggleToolbar();
    bar_.Menus().Check(mnuShowStatusbar, !SettingIsOn(kSectionAppearence, kKeyShowStatusbar));
    ToggleStatusbar();
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) bar_.SetExitCaption(L"Minimize To Tray");

    if (showSplash_) splash_.SetStatus(L"Loading Toolbar...");
    LoadToolbar();
    PopulateList(showSplash_);

    splash_.Close();
    ShowMainWindow();
    PumpPendingMessages();

    const bool preview0 = SettingIsOn(kSectionAppearence, kKeyShowToolboxPreview);
    bar_.Menus().Check(mnuToolboxBitmapPreview, preview0);
    if (preview0) {
        preview.SetVisible(true);
        // The first activation raises the window over the preview under X once the loop runs: show it
        // again then, above its owner.
        PostMessageW(Handle(), kKeepToolsAbove, 0, 0);
    }

    // The tip is activated over the main window, which Wine raises again once the loop runs: show the
    // tool windows above it again after that too.
    if (ShowTipOfTheDayAtStartup(Handle())) {
        PostMessageW(Handle(), kKeepToolsAbove, 0, 0);
        SetTimer(Handle(), kKeepToolsAboveTimer, 2500, nullptr);
    }
    PumpPendingMessages();
    NodeClick(trees_.Visible());
    SetFocus(Tree(trees_.Visible()));
    // Said once, after the selection filled the status bar: why the panels are plain frames.
    const std::wstring controlsProblem = TakeGuiControlsProblem();
    if (!controlsProblem.empty()) SetStatusText(controlsProblem);
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

    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                  Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)),
                                  GetModuleHandleW(nullptr), nullptr);
    statusBar_ = ui::StatusBar(status);
    SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    statusBar_.SetWidths(200, 130, 220);
    statusBar_.SetText(kPanelDisplay, Catalogue::DisplayName(Catalogue::kAll));
    statusBar_.SetText(kPanelCount, catalogue_.CountsText(Catalogue::kAll));

    // pgStatus lives in the status bar's first panel.
    HWND progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, status,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PGSTATUS)),
                                    GetModuleHandleW(nullptr), nullptr);
    pgStatus_ = ui::ProgressBar(progress);
    RefreshCommandStates();
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
    if (!statusBar_.Handle() || !bar_.Toolbar()) return;
    RECT client{};
    GetClientRect(Handle(), &client);
    SendMessageW(statusBar_.Handle(), WM_SIZE, 0, 0);
    const int dpi = TwipsPerPixelX() > 0 ? 1440 / TwipsPerPixelX() : 96;
    const int displayWidth = MulDiv(130, dpi, 96);
    const int countWidth = MulDiv(230, dpi, 96);
    statusBar_.SetWidths(std::max(60, static_cast<int>(client.right) - displayWidth - countWidth), displayWidth,
                         countWidth);

    MainLayoutInput in;
    in.innerWidth = PixelsToTwipsX(client.right);
    in.innerHeight = PixelsToTwipsY(client.bottom);
    in.toolbarHeight = PixelsToTwipsY(bar_.ToolbarPixels());
    // By the style bit: the window itself may not be shown yet.
    in.toolbarVisible = (GetWindowLongPtrW(bar_.ToolbarFrameHandle(), GWL_STYLE) & WS_VISIBLE) != 0;
    in.statusBarHeight = PixelsToTwipsY(statusBar_.Height());
    in.statusBarVisible = (GetWindowLongPtrW(statusBar_.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    const MainLayout layout = ComputeMainLayout(in);
    Move(bar_.ToolbarFrameHandle(), ToPixels(layout.toolbarFrame));
    Move(bar_.Toolbar(), ToPixels(layout.toolbar));
    splitTop_.SetArea(ToPixels(layout.splitTop));
    FitProgressBar();
}

void MainWindow::FitProgressBar() {
    if (!pgStatus_.Handle()) return;
    RECT panel = statusBar_.PanelRect(kPanelStatus);
    InflateRect(&panel, -TwipsToPixelsX(30), -TwipsToPixelsY(30));
    Move(pgStatus_.Handle(), panel);
}

// ---- The catalogue and the selection ----

void MainWindow::SetScanning(bool scanning) {
    // Nothing that could start another operation runs while the scan pumps messages.
    EnableWindow(bar_.Toolbar(), scanning ? FALSE : TRUE);
    bar_.SetTopMenusEnabled(!scanning);
    EnableWindow(Tree(0), scanning ? FALSE : TRUE);
    EnableWindow(Tree(1), scanning ? FALSE : TRUE);
    details_.Enable(!scanning);
    RefreshCommandStates();
    try {
        EnableCloseButton(Handle(), !scanning);
    } catch (const Error& e) {
        catalogue_.ReportError(L"PopulateList", kTitle, e.Number(), e.Description());
    }
}

void MainWindow::PopulateList(bool showSplash) {
    if (busy_) return;
    busy_ = true;
    HWND focus = GetFocus();
    // The trees are frozen for the whole scan; the hourglass shows while busy (WM_SETCURSOR).
    trees_.SetRedraw(false);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    trees_.Clear();
    catalogue_.Reset();
    selection_ = SelectedControl::None();
    statusBar_.SetText(kPanelStatus, L"Searching Registry for ActiveX Controls...");
    SetScanning(true);
    PumpPendingMessages();

    ScanProgress progress(pgStatus_, statusBar_, kPanelStatus, showSplash ? &splash_ : nullptr, [this] { ShowCounts(); });
    using Clock = std::chrono::steady_clock;
    const auto scanStart = Clock::now();
    nivex::PopulateList(catalogue_, &progress);
    const auto treesStart = Clock::now();
    trees_.Rebuild(false);
    const auto end = Clock::now();
    scanTimes_ = {std::chrono::duration<double, std::milli>(treesStart - scanStart).count(),
                  std::chrono::duration<double, std::milli>(end - treesStart).count()};
    const int firstMissing = catalogue_.Tree(Catalogue::kMissing).FirstRoot();
    if (firstMissing != 0) trees_.SelectQuietly(Catalogue::kMissing, firstMissing);
    ShowWindow(pgStatus_.Handle(), SW_HIDE);
    busy_ = false;

    trees_.SetRedraw(true);
    statusBar_.SetText(kPanelStatus, L"");
    SetScanning(false);
    SelectNode(trees_.Visible(), catalogue_.Tree(trees_.Visible()).FirstRoot());
    ShowCounts();
    PlaySoundRelative(TheDesktop(), kSoundRefresh);
    // Disabling the tree took the focus away; give it back where it was.
    if (focus && IsWindow(focus) && (focus == Handle() || IsChild(Handle(), focus)) && IsWindowVisible(focus))
        SetFocus(focus);
    POINT pt{};
    GetCursorPos(&pt);
    SetCursorPos(pt.x, pt.y); // lets the arrow come back at once
}

void MainWindow::SelectNode(int treeIndex, int node) { trees_.Select(treeIndex, node); }

void MainWindow::NodeClick(int treeIndex) {
    try {
        int node = catalogue_.Tree(treeIndex).Selected();
        const ControlDetails details = LoadInformation(catalogue_, treeIndex, node, Handle(), TheDesktop());
        details_.Show(details);
        // Only the preview reads the server file, and it maps it as data: no control code runs here.
        if (details.toolboxBitmapReached) BitmapPreview::Instance().DrawToolboxBitmap(details.toolboxBitmap);
        if (details.complete) {
            selection_ = details.selection;
            statusBar_.SetText(kPanelStatus, selection_.resolvedPath);
        } else {
            selection_ = SelectedControl::None();
            if (!catalogue_.Tree(treeIndex).IsValid(node)) statusBar_.SetText(kPanelStatus, L""); // no control, no file
        }
    } catch (const Error& e) {
        selection_ = SelectedControl::None();
        TheDesktop().Message(Handle(), NumberDashDescription(e.Number(), e.Description()), kTitle, MsgButtons::Ok,
                             MsgIcon::None);
    } catch (const std::exception& e) {
        selection_ = SelectedControl::None();
        TheDesktop().Message(Handle(), NumberDashDescription(0, Utf8ToWide(e.what())), kTitle, MsgButtons::Ok,
                             MsgIcon::None);
    }
    RefreshCommandStates();
    for (const auto& listener : selectionListeners_) listener(selection_);
}

void MainWindow::AddSelectionListener(std::function<void(const SelectedControl&)> listener) {
    selectionListeners_.push_back(std::move(listener));
}

void MainWindow::ShowCatalogueChanges() {
    trees_.Rebuild(!busy_);
    const CatalogueTree& visible = catalogue_.Tree(trees_.Visible());
    if (visible.Selected() == 0) SelectNode(trees_.Visible(), visible.FirstRoot());
    ShowCounts();
    RefreshCommandStates();
}

void MainWindow::ShowCounts() { statusBar_.SetText(kPanelCount, catalogue_.CountsText(trees_.Visible())); }

void MainWindow::SetStatusText(const std::wstring& text) { statusBar_.SetText(kPanelStatus, text); }

void MainWindow::SwitchDisplayMode(int index) {
    const int k = index == Catalogue::kMissing ? 1 : 0;
    bar_.Menus().CheckRadio(mnuControls0, mnuControls1, k ? mnuControls1 : mnuControls0);
    trees_.Show(k);
    catalogue_.SetDisplayMode(k);
    SelectNode(k, catalogue_.Tree(k).FirstRoot());
    statusBar_.SetText(kPanelDisplay, Catalogue::DisplayName(k));
    ShowCounts();
}

void MainWindow::FindInList(const std::wstring& find, bool typeLib, bool control) {
    if (busy_) return;
    try {
        const CatalogueTree& tree = catalogue_.Tree(trees_.Visible());
        const int found = FindNextNode(tree, tree.Selected(), find, typeLib, control);
        if (found != 0) SelectNode(trees_.Visible(), found);
    } catch (...) {
        TheDesktop().Message(Handle(), L"Unknown error in frmMain.FindInList().", L"Error", MsgButtons::Ok,
                             MsgIcon::Critical);
    }
}

void MainWindow::ExpandAll(bool expand) { trees_.ExpandAll(expand); }

// ---- Commands ----

CommandConditions MainWindow::Conditions() const {
    return CommandConditions{!busy_, !selection_.IsEmpty(), selection_.missing, catalogue_.missing};
}

void MainWindow::RefreshCommandStates() { bar_.Apply(commands_, Conditions()); }

void MainWindow::RunBusy(const std::function<void()>& operation) {
    busy_ = true;
    RefreshCommandStates();
    {
        ScopeGuard done([this] { busy_ = false; });
        operation();
    }
    RefreshCommandStates();
}

void MainWindow::OnCommand(int id) {
    if (busy_) return;
    // A greyed item's accelerator, or a button of a greyed command, does nothing.
    if (!bar_.IsEnabled(id)) return;
    commands_.Run(CommandBar::CommandOf(id), Conditions());
}

void MainWindow::ToggleToolbar() {
    const bool checked = bar_.Menus().IsChecked(mnuToolbar);
    bar_.Menus().Check(mnuToolbar, !checked);
    ShowWindow(bar_.ToolbarFrameHandle(), checked ? SW_HIDE : SW_SHOW);
    StoreSetting(Handle(), L"mnuToolbar_Click", kSectionAppearence, kKeyShowToolbar, checked ? L"0" : L"1");
    Layout();
}

void MainWindow::ToggleStatusbar() {
    const bool checked = bar_.Menus().IsChecked(mnuShowStatusbar);
    bar_.Menus().Check(mnuShowStatusbar, !checked);
    ShowWindow(statusBar_.Handle(), checked ? SW_HIDE : SW_SHOW);
    StoreSetting(Handle(), L"mnuShowStatusbar_Click", kSectionAppearence, kKeyShowStatusbar, checked ? L"0" : L"1");
    Layout();
}

void MainWindow::TogglePreview() { bar_.Menus().Check(mnuToolboxBitmapPreview, BitmapPreview::Instance().Toggle()); }

void MainWindow::PopupFileMenu(POINT screen) { bar_.PopupFileMenuWithoutExit(popupMenu_, screen); }

// ---- Closing, the tray and the exit path ----

void MainWindow::CloseRequest() {
    if (busy_) return;
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) MinimizeToTray();
    else ExitPath();
}

void MainWindow::ExitPath() {
    try {
        StorePlacement(Handle());
    } catch (const Error& e) {
        TheDesktop().Message(Handle(), ErrorInMessage(L"ExitPath", e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
    tray_.Remove();
    tempFiles_.DeleteAll();
    // A help window left open while the process ends can bring it down.
    CloseAllHelpWindows();
    if (endProcess_) endProcess_();
}

void MainWindow::MinimizeToTray() {
    if (!tray_.Add(Handle(), smallIcon_.Get())) {
        // Without a notification area the window must stay reachable.
        ShowWindow(Handle(), SW_MINIMIZE);
        return;
    }
    BitmapPreview& preview = BitmapPreview::Instance();
    previewBeforeTray_ = preview.Handle() && preview.IsVisible();
    if (previewBeforeTray_) preview.SetVisible(false);
    if (findDialog_.IsOpen()) findDialog_.CloseWindow();
    ShowWindow(Handle(), SW_HIDE);
    inTray_ = true;
}

void MainWindow::RestoreFromTray(bool afterDoubleClick) {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    // The preview comes back as it was; its stored setting did not change while in the tray.
    if (previewBeforeTray_) BitmapPreview::Instance().SetVisible(true);
    previewBeforeTray_ = false;
    tray_.Remove();
    inTray_ = false;
    if (afterDoubleClick) NodeClick(trees_.Visible());
}

void MainWindow::OnTrayMessage(LPARAM event) {
    if (LOWORD(event) == WM_LBUTTONDBLCLK) {
        RestoreFromTray(true);
    } else if (LOWORD(event) == WM_RBUTTONUP) {
        POINT pt{};
        GetCursorPos(&pt);
        SetForegroundWindow(Handle());
        popupMenu_(bar_.TrayMenu().Handle(), pt);
        PostMessageW(Handle(), WM_NULL, 0, 0);
    }
}

// ---- Notifications ----

void MainWindow::OnListRelease(int listIndex, bool rightButton) {
    activeList_ = listIndex;
    RefreshCommandStates();
    if (!rightButton) return;
    POINT pt{};
    GetCursorPos(&pt);
    if (HMENU edit = GetSubMenu(MenuBar(), kMenuEdit))
        if (HMENU information = GetSubMenu(edit, 0)) popupMenu_(information, pt);
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    LRESULT result = 0;
    if (trees_.OnNotify(header, busy_, result)) return result;
    const int id = static_cast<int>(header->idFrom);
    if (header->code == NM_RCLICK && (id == IDC_TVMAIN0 || id == IDC_TVMAIN1)) {
        if (busy_) return TRUE;
        POINT pt{};
        GetCursorPos(&pt);
        trees_.SelectAt(id - IDC_TVMAIN0, pt);
        PopupFileMenu(pt);
        return TRUE;
    }
    const int list = details_.ListIndexOf(id);
    if (list >= 0) {
        switch (header->code) {
        case NM_CLICK: OnListRelease(list, false); return 0;
        case NM_RCLICK: OnListRelease(list, true); return TRUE;
        case NM_DBLCLK: OnCommand(list == 0 ? mnuEditInformation : trees_.Visible() == 0 ? mnuPropertyPages : 0); return 0;
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
        OnCommand(LOWORD(wParam));
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
        if (!busy_) break;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(Tree(trees_.Visible()));
        return 0;
    case WM_TIMER:
        if (wParam != kKeepToolsAboveTimer) break;
        KillTimer(Handle(), kKeepToolsAboveTimer);
        [[fallthrough]];
    case kKeepToolsAbove:
        KeepTipOfTheDayAboveOwner();
        BitmapPreview::Instance().KeepAboveOwner();
        return 0;
    case WM_CLOSE:
        CloseRequest();
        return 0;
    case WM_ENDSESSION:
        if (wParam) {
            try {
                StorePlacement(Handle());
            } catch (const Error&) {
            }
            tray_.Remove();
            tempFiles_.DeleteAll();
            CloseAllHelpWindows();
        }
        return 0;
    case TrayIcon::kMessage:
        OnTrayMessage(lParam);
        return 0;
    case WM_DESTROY:
        tray_.Remove();
        return 0;
    default:
        if (message == taskbarCreated_ && taskbarCreated_ != 0 && inTray_) {
            // The notification area was re-created (the shell restarted): put the icon back.
            tray_.Remove();
            tray_.Add(Handle(), smallIcon_.Get());
            return 0;
        }
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace nivex
