#include "app/main_window.h"

#include <windowsx.h>
#include <shellapi.h>

#include <chrono>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "app/catalogue_scan.h"
#include "app/command_rules.h"
#include "app/main_layout.h"
#include "app/resource.h"
#include "auxiliary/close_button.h"
#include "common/desktop.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "guicontrols/gui_controls.h"
#include "inspect/bitmap_preview.h"
#include "inspect/details_panel.h"
#include "inspect/path_split.h"
#include "registration/reg_status_window.h"
#include "registration/registration_commands.h"
#include "registry/settings.h"

namespace nivex {

namespace {

const wchar_t* const kMainClass = L"NivexMain";
const wchar_t* const kTitle = L"Velmora Control Manager";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayId = 1;
constexpr int kFirstColumnPixels = 110;

// Image indexes of ilList, in the order of the strip.
int ListImageIndex(const std::wstring& key) {
    if (key == kImageError) return 0;
    if (key == kImageProperty) return 1;
    if (key == kImageDefault) return 2;
    if (key == kImageComponent) return 3;
    return -1;
}

bool IsToolbarButton(int id) { return id >= tbRegister && id <= tbOptions; }
bool IsTrayCommand(int id) { return id >= mnuTrayOpenNivex && id <= mnuTrayExit; }

RECT ToPixels(const TwipsRect& r) {
    const int left = TwipsToPixelsX(r.left);
    const int top = TwipsToPixelsY(r.top);
    return RECT{left, top, left + TwipsToPixelsX(r.width), top + TwipsToPixelsY(r.height)};
}

void Move(HWND hwnd, const RECT& r) {
    if (hwnd)
        MoveWindow(hwnd, r.left, r.top, r.right > r.left ? r.right - r.left : 0, r.bottom > r.top ? r.bottom - r.top : 0,
                   TRUE);
}

HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// A strip of images (one resource bitmap, images side by side); blank images when the bitmap is absent,
// so that indexes stay valid.
HIMAGELIST LoadStrip(int resourceId, int size, int count) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, count, 0);
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap) {
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    while (ImageList_GetImageCount(list) < count) {
        HDC screen = GetDC(nullptr);
        HBITMAP blank = CreateCompatibleBitmap(screen, size, size);
        ReleaseDC(nullptr, screen);
        ImageList_AddMasked(list, blank, RGB(0, 0, 0));
        DeleteObject(blank);
    }
    return list;
}

// A stored window measure: a number of twips, possibly with a fraction.
bool ParseTwips(const std::wstring& text, double& value) {
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    value = std::wcstod(start, &end);
    if (end == start) return false;
    while (*end && std::iswspace(*end)) ++end;
    return *end == L'\0' && value > -1e7 && value < 1e7;
}

std::wstring TwipsText(int twips) { return std::to_wstring(twips); }

// A setting the window writes on the user's behalf; a store that refuses is reported, the window goes on.
void StoreSetting(HWND owner, const wchar_t* procedure, const wchar_t* section, const wchar_t* key,
                  const std::wstring& value) {
    try {
        SaveSetting(section, key, value);
    } catch (const Error& e) {
        TheDesktop().Message(owner, ErrorInMessage(procedure, e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
}

// Runs a function when the scope ends, however it ends.
template <class F>
class AtScopeEnd {
public:
    explicit AtScopeEnd(F f) : f_(std::move(f)) {}
    ~AtScopeEnd() { f_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

private:
    F f_;
};

} // namespace

// ---- Scan progress: splash window, progress bar and status texts ----

class MainWindow::ScanProgress final : public ScanObserver {
public:
    ScanProgress(MainWindow& window, bool splash) : window_(window), splash_(splash) {}

    void ScanStarted(int classCount) override {
        if (splash_) {
            window_.splash_.SetProgressMaximum(classCount + 1);
            window_.splash_.SetProgress(0);
        }
        window_.pgStatus_.SetMaximum(classCount + 1);
        window_.pgStatus_.SetValue(0);
        ShowWindow(window_.pgStatus_.Handle(), SW_SHOW);
    }

    void ClassDone(int index, const std::wstring& lastName) override {
        last_ = index;
        lastName_ = lastName;
        if (index % 20 == 0) window_.statusBar_.SetText(kPanelStatus, lastName);
        // Drawing and message pumping at most every few dozen milliseconds, never per class.
        if (!pump_.Tick()) return;
        Show(index, lastName);
    }

    void ScanFinished() override { Show(last_, lastName_); }

private:
    void Show(int index, const std::wstring& lastName) {
        if (splash_) {
            window_.splash_.SetProgress(index);
            window_.splash_.SetStatus(lastName);
        }
        window_.pgStatus_.SetValue(index);
        window_.ShowCounts();
    }

    MainWindow& window_;
    bool splash_;
    int last_ = 0;
    std::wstring lastName_;
    ThrottledPump pump_{40};
};

// ---- Creation and start-up ----

MainWindow::MainWindow() {
    endProcess_ = [] { PostQuitMessage(0); };
    openProperties_ = ShowFileProperties;
    popupMenu_ = [this](HMENU menu, POINT pt) {
        TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, Handle(), nullptr);
    };
    findDialog_.SetSearchHandler(
        [this](const std::wstring& find, bool typeLib, bool control) { FindInList(find, typeLib, control); });
}

MainWindow::~MainWindow() {
    DeleteTrayIcon();
    Destroy();
    if (trayMenuBar_) DestroyMenu(trayMenuBar_);
    if (ilList_) ImageList_Destroy(ilList_);
    if (ilToolbar24_) ImageList_Destroy(ilToolbar24_);
    if (ilToolbar24BW_) ImageList_Destroy(ilToolbar24BW_);
}

bool MainWindow::Load() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterGuiControlClasses();

    showSplash_ = SettingIsOn(kSectionOptions, kKeyShowSplash);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    bigIcon_.Reset(LoadImageW(instance, MAKEINTRESOURCEW(IDI_NIVEX), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                              GetSystemMetrics(SM_CYICON), 0));
    smallIcon_.Reset(LoadImageW(instance, MAKEINTRESOURCEW(IDI_NIVEX), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                GetSystemMetrics(SM_CYSMICON), 0));
    RegisterWindowClass(kMainClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                        static_cast<HICON>(bigIcon_.Get()), static_cast<HICON>(smallIcon_.Get()));
    menu_ = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    trayMenuBar_ = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_SYSTRAY));
    trayMenu_ = trayMenuBar_ ? GetSubMenu(trayMenuBar_, 0) : nullptr;
    accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    font_.Reset(CreateMessageFont());

    // The window is created at the default place; the stored layout is applied before it is first shown.
    Create(WS_EX_CONTROLPARENT, kMainClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, TwipsToPixelsX(100),
           TwipsToPixelsY(100), TwipsToPixelsX(8000), TwipsToPixelsY(6000), nullptr, menu_);
    if (!Handle()) return false;
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    catalogue_.SetErrorSink([this](const std::wstring& procedure, const std::wstring& title, long number,
                                   const std::wstring& description) {
        TheDesktop().Message(Handle(), ErrorInMessage(procedure, number, description), title, MsgButtons::Ok,
                             MsgIcon::Critical);
    });
    CreateChildren();
    BitmapPreview& preview = BitmapPreview::Instance();
    preview.SetOwner(Handle());
    preview.SetClosedByUser([this] { CheckMenuItem(menu_, mnuToolboxBitmapPreview, MF_BYCOMMAND | MF_UNCHECKED); });

    ApplyStoredLayout();
    if (showSplash_) splash_.Show([this] { ShowMainWindow(); });
    else ShowMainWindow();

    FitProgressBar();
    if (showSplash_) splash_.SetStatus(L"Initializing Variables...");
    visibleTree_ = 0;
    activeList_ = 0;
    catalogue_.libraries = catalogue_.controls = catalogue_.missing = 0;

    if (showSplash_) splash_.SetStatus(L"Loading Appearence Settings...");
    // The toggles invert the check mark they find, so each starts from the inverse of the stored state.
    CheckMenuItem(menu_, mnuToolbar,
                  MF_BYCOMMAND | (SettingIsOn(kSectionAppearence, kKeyShowToolbar) ? MF_UNCHECKED : MF_CHECKED));
    ToggleToolbar();
    CheckMenuItem(menu_, mnuShowStatusbar,
                  MF_BYCOMMAND | (SettingIsOn(kSectionAppearence, kKeyShowStatusbar) ? MF_UNCHECKED : MF_CHECKED));
    ToggleStatusbar();
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) SetExitCaption(L"Minimize To Tray");

    if (showSplash_) splash_.SetStatus(L"Loading Toolbar...");
    LoadToolbar();
    Layout();
    PopulateList(showSplash_);

    splash_.Close();
    ShowMainWindow();
    PumpPendingMessages();

    const bool preview0 = SettingIsOn(kSectionAppearence, kKeyShowToolboxPreview);
    CheckMenuItem(menu_, mnuToolboxBitmapPreview, MF_BYCOMMAND | (preview0 ? MF_CHECKED : MF_UNCHECKED));
    if (preview0) preview.SetVisible(true);
    // The tip of the day comes with its own window in later work.

    PumpPendingMessages();
    NodeClick(visibleTree_);
    SetFocus(Tree(visibleTree_));
    return true;
}

void MainWindow::CreateChildren() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto font = reinterpret_cast<WPARAM>(font_.Get());
    CreateImageLists();

    fraToolbar_ = toolbarFrame_.Create(Handle(), IDC_FRATOOLBAR);
    CreateToolbar();

    splitTop_.Create(Handle(), IDC_SPLITTOP, Splitter::Kind::LeftRight, 0.4);
    splitterLeft_.Create(Handle(), IDC_SPLITTERLEFT, Splitter::Kind::TopBottom, 0.47);
    splitTop_.SetResizeHandler([this](const RECT& left, const RECT& right) {
        PlaceTrees(left);
        splitterLeft_.SetArea(right);
    });
    splitterLeft_.SetResizeHandler([this](const RECT& upper, const RECT& lower) { PlaceFrames(upper, lower); });

    for (int i = 0; i < 2; ++i) {
        HWND tree = CreateWindowExW(
            WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
            WS_CHILD | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
            0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TVMAIN0 + i)), instance, nullptr);
        tvMain_[i] = ui::TreeView(tree);
        SendMessageW(tree, WM_SETFONT, font, FALSE);
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(ilList_));
        items_[i].assign(1, nullptr);
    }
    ShowWindow(tvMain_[0].Handle(), SW_SHOW);

    const wchar_t* captions[2] = {L"Control Information", L"File Information"};
    for (int i = 0; i < 2; ++i) {
        fraInfo_[i] = CreateBevel(Handle(), IDC_FRAINFO0 + i, captions[i], true, 0, 0, 0, 0);
        SendMessageW(fraInfo_[i], WM_SETFONT, font, FALSE);
        HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                        LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                    0, 0, 0, 0, fraInfo_[i],
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LVINFO0 + i)), instance, nullptr);
        lvInfo_[i] = ui::ListView(list);
        SendMessageW(list, WM_SETFONT, font, FALSE);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(ilList_));
        lvInfo_[i].AddColumn(0, L"Element", kFirstColumnPixels);
        lvInfo_[i].AddColumn(1, L"Data", 200);
    }

    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                  Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), instance,
                                  nullptr);
    statusBar_ = ui::StatusBar(status);
    SendMessageW(status, WM_SETFONT, font, FALSE);
    statusBar_.SetWidths(200, 130, 220);
    statusBar_.SetText(kPanelDisplay, Catalogue::DisplayName(Catalogue::kAll));
    statusBar_.SetText(kPanelCount, catalogue_.CountsText(Catalogue::kAll));

    // pgStatus lives in the status bar's first panel.
    HWND progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, status,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PGSTATUS)), instance, nullptr);
    pgStatus_ = ui::ProgressBar(progress);

    GreyUnavailableCommands();
    CheckMenuRadioItem(menu_, mnuControls0, mnuControls1, mnuControls0, MF_BYCOMMAND);
}

void MainWindow::CreateImageLists() {
    const int keys = static_cast<int>(ToolbarImageKeys().size());
    ilList_ = LoadStrip(IDB_LIST16, 16, 4);
    ilToolbar24_ = LoadStrip(IDB_TOOLBAR24, 24, keys);
    ilToolbar24BW_ = LoadStrip(IDB_TOOLBAR24_GREY, 24, keys);
}

void MainWindow::CreateToolbar() {
    // Rebuilt whole, so that button sizes follow the captions setting.
    std::vector<std::pair<int, bool>> states;
    if (tlbMain_) {
        for (const auto& button : ToolbarButtons())
            states.emplace_back(button.id, SendMessageW(tlbMain_, TB_ISBUTTONENABLED, button.id, 0) != 0);
        DestroyWindow(tlbMain_);
    }
    const bool captions = SettingIsOn(kSectionAppearence, kKeyToolbarCaptions);
    tlbMain_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER |
                                   CCS_NOPARENTALIGN,
                               0, 0, 0, 0, fraToolbar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TLBMAIN)),
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tlbMain_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(tlbMain_, TB_SETPARENT, reinterpret_cast<WPARAM>(Handle()), 0);
    SendMessageW(tlbMain_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageW(tlbMain_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ilToolbar24BW_));
    SendMessageW(tlbMain_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(ilToolbar24_));
    std::vector<TBBUTTON> buttons;
    for (const auto& info : ToolbarButtons()) {
        TBBUTTON button{};
        button.iBitmap = ToolbarImageIndex(info.key);
        button.idCommand = info.id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.iString = captions ? reinterpret_cast<INT_PTR>(info.caption) : -1;
        buttons.push_back(button);
    }
    SendMessageW(tlbMain_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(tlbMain_, TB_AUTOSIZE, 0, 0);
    for (const auto& info : ToolbarButtons())
        if (!CommandAvailable(info.id)) SendMessageW(tlbMain_, TB_ENABLEBUTTON, info.id, FALSE);
    for (const auto& [id, enabled] : states)
        if (!enabled) SendMessageW(tlbMain_, TB_ENABLEBUTTON, id, FALSE);
}

void MainWindow::LoadToolbar() {
    CreateToolbar();
    Layout();
}

void MainWindow::SetExitCaption(const std::wstring& caption) {
    // The text only: the item keeps its enabled state, and its shortcut stays shown.
    std::wstring text = caption + L"\tCtrl+Q";
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    SetMenuItemInfoW(menu_, mnuExit, FALSE, &info);
    DrawMenuBar(Handle());
}

void MainWindow::OptionsApplied(const std::wstring& exitCaption) {
    LoadToolbar();
    SetExitCaption(exitCaption);
}

void MainWindow::ApplyStoredLayout() {
    long state = SettingNumber(kSectionAppearence, kKeyWindowState);
    if (state < 0 || state > 2) state = 0;
    windowState_ = static_cast<int>(state);
    if (windowState_ != 0) return;
    const wchar_t* keys[4] = {kKeyWindowTop, kKeyWindowLeft, kKeyWindowWidth, kKeyWindowHeight};
    double values[4] = {100, 100, 8000, 6000};
    for (int i = 0; i < 4; ++i) {
        const std::wstring text = GetSetting(kSectionAppearence, keys[i], SettingDefault(kSectionAppearence, keys[i]));
        double value = 0;
        if (ParseTwips(text, value)) {
            values[i] = value;
        } else {
            TheDesktop().Message(Handle(),
                                 L"The stored window layout value \"" + std::wstring(keys[i]) + L"\" (\"" + text +
                                     L"\") is not a number of twips; the default is used instead.",
                                 kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        }
    }
    RECT rect{TwipsToPixelsX(static_cast<int>(values[1])), TwipsToPixelsY(static_cast<int>(values[0])), 0, 0};
    rect.right = rect.left + TwipsToPixelsX(static_cast<int>(values[2]));
    rect.bottom = rect.top + TwipsToPixelsY(static_cast<int>(values[3]));
    // A place on a screen that is no longer there would hide the window: keep the size, use the default place.
    if (!MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) OffsetRect(&rect, TwipsToPixelsX(100) - rect.left, TwipsToPixelsY(100) - rect.top);
    SetWindowPos(Handle(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::ShowMainWindow() {
    if (!Handle() || IsWindowVisible(Handle())) return;
    ShowWindow(Handle(), windowState_ == 2 ? SW_SHOWMAXIMIZED : windowState_ == 1 ? SW_SHOWMINIMIZED : SW_SHOW);
    UpdateWindow(Handle());
}

// ---- Layout ----

void MainWindow::Layout() {
    if (!statusBar_.Handle() || !tlbMain_) return;
    RECT client{};
    GetClientRect(Handle(), &client);
    SendMessageW(statusBar_.Handle(), WM_SIZE, 0, 0);
    const int dpi = TwipsPerPixelX() > 0 ? 1440 / TwipsPerPixelX() : 96;
    const int displayWidth = MulDiv(130, dpi, 96);
    const int countWidth = MulDiv(230, dpi, 96);
    statusBar_.SetWidths(std::max(60, static_cast<int>(client.right) - displayWidth - countWidth), displayWidth, countWidth);

    RECT last{};
    const int buttons = static_cast<int>(SendMessageW(tlbMain_, TB_BUTTONCOUNT, 0, 0));
    SendMessageW(tlbMain_, TB_GETITEMRECT, buttons > 0 ? buttons - 1 : 0, reinterpret_cast<LPARAM>(&last));
    const int toolbarPixels = std::max(static_cast<int>(last.bottom) + 2, static_cast<int>(HIWORD(SendMessageW(tlbMain_, TB_GETBUTTONSIZE, 0, 0))));

    MainLayoutInput in;
    in.innerWidth = PixelsToTwipsX(client.right);
    in.innerHeight = PixelsToTwipsY(client.bottom);
    in.toolbarHeight = PixelsToTwipsY(toolbarPixels);
    // By the style bit: the window itself may not be shown yet.
    in.toolbarVisible = (GetWindowLongPtrW(fraToolbar_, GWL_STYLE) & WS_VISIBLE) != 0;
    in.statusBarHeight = PixelsToTwipsY(statusBar_.Height());
    in.statusBarVisible = (GetWindowLongPtrW(statusBar_.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    const MainLayout layout = ComputeMainLayout(in);
    Move(fraToolbar_, ToPixels(layout.toolbarFrame));
    Move(tlbMain_, ToPixels(layout.toolbar));
    splitTop_.SetArea(ToPixels(layout.splitTop));
    FitProgressBar();
}

void MainWindow::PlaceTrees(const RECT& pane) {
    Move(tvMain_[0].Handle(), pane);
    Move(tvMain_[1].Handle(), pane);
}

void MainWindow::PlaceFrames(const RECT& upper, const RECT& lower) {
    const RECT panes[2] = {upper, lower};
    for (int i = 0; i < 2; ++i) {
        Move(fraInfo_[i], panes[i]);
        const int width = PixelsToTwipsX(panes[i].right - panes[i].left);
        const int height = PixelsToTwipsY(panes[i].bottom - panes[i].top);
        const InfoListLayout list = ComputeInfoListLayout(width, height, PixelsToTwipsX(lvInfo_[i].ColumnWidth(0)));
        Move(lvInfo_[i].Handle(), ToPixels(list.list));
        if (list.dataWidth > 0) FitDataColumn(i);
    }
}

void MainWindow::FitDataColumn(int listIndex) {
    // "Data" takes the rest of the list's client width, whether or not a scroll bar shows.
    const ui::ListView& list = lvInfo_[listIndex];
    RECT client{};
    GetClientRect(list.Handle(), &client);
    const int rest = client.right - list.ColumnWidth(0);
    if (rest > 0) list.SetColumnWidth(1, rest);
}

void MainWindow::FitProgressBar() {
    if (!pgStatus_.Handle()) return;
    RECT panel = statusBar_.PanelRect(kPanelStatus);
    const int dx = TwipsToPixelsX(30);
    const int dy = TwipsToPixelsY(30);
    InflateRect(&panel, -dx, -dy);
    Move(pgStatus_.Handle(), panel);
}

// ---- The catalogue in the trees ----

HTREEITEM MainWindow::TreeItem(int treeIndex, int node) const {
    const auto& items = items_[treeIndex ? 1 : 0];
    return node > 0 && node < static_cast<int>(items.size()) ? items[static_cast<size_t>(node)] : nullptr;
}

void MainWindow::RebuildTrees() {
    suppressSelection_ = true;
    for (int t = 0; t < 2; ++t) {
        const CatalogueTree& tree = catalogue_.Tree(t);
        const ui::TreeView& view = tvMain_[t];
        const bool redraw = !busy_;
        if (redraw) SendMessageW(view.Handle(), WM_SETREDRAW, FALSE, 0);
        view.Clear();
        auto& items = items_[t];
        items.assign(static_cast<size_t>(tree.Capacity()) + 1, nullptr);
        // Parents always come before their children, so one pass in index order rebuilds the tree.
        for (int i = 1; i <= tree.Capacity(); ++i) {
            if (!tree.IsValid(i)) continue;
            const CatalogueNode& node = tree.Node(i);
            HTREEITEM parent = node.parent ? items[static_cast<size_t>(node.parent)] : TVI_ROOT;
            items[static_cast<size_t>(i)] = view.Add(parent, node.text, ListImageIndex(node.image), i, node.bold);
        }
        if (HTREEITEM selected = TreeItem(t, tree.Selected())) view.Select(selected);
        if (redraw) {
            SendMessageW(view.Handle(), WM_SETREDRAW, TRUE, 0);
            InvalidateRect(view.Handle(), nullptr, TRUE);
        }
    }
    suppressSelection_ = false;
}

void MainWindow::PopulateList(bool showSplash) {
    if (busy_) return;
    busy_ = true;
    HWND focus = GetFocus();
    // The trees are frozen for the whole scan; the hourglass shows while busy (WM_SETCURSOR).
    for (auto& tree : tvMain_) SendMessageW(tree.Handle(), WM_SETREDRAW, FALSE, 0);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    suppressSelection_ = true;
    for (auto& tree : tvMain_) tree.Clear();
    suppressSelection_ = false;
    items_[0].assign(1, nullptr);
    items_[1].assign(1, nullptr);
    catalogue_.Reset();
    statusBar_.SetText(kPanelStatus, L"Searching Registry for ActiveX Controls...");

    // Nothing that could start another operation runs while the scan pumps messages.
    EnableWindow(tlbMain_, FALSE);
    SetTopMenusEnabled(false);
    EnableMainControls(false);
    EnableWindow(Tree(visibleTree_), FALSE);
    EnableWindow(List(0), FALSE);
    EnableWindow(List(1), FALSE);
    try {
        EnableCloseButton(Handle(), false);
    } catch (const Error& e) {
        catalogue_.ReportError(L"PopulateList", kTitle, e.Number(), e.Description());
    }
    PumpPendingMessages();

    ScanProgress progress(*this, showSplash);
    using Clock = std::chrono::steady_clock;
    const auto scanStart = Clock::now();
    nivex::PopulateList(catalogue_, &progress);
    const auto treesStart = Clock::now();
    RebuildTrees();
    const auto end = Clock::now();
    scanTimes_ = {std::chrono::duration<double, std::milli>(treesStart - scanStart).count(),
                  std::chrono::duration<double, std::milli>(end - treesStart).count()};
    CatalogueTree& lost = catalogue_.Tree(Catalogue::kMissing);
    if (lost.FirstRoot() != 0) {
        lost.Select(lost.FirstRoot());
        suppressSelection_ = true;
        tvMain_[1].Select(TreeItem(1, lost.FirstRoot()));
        suppressSelection_ = false;
    }
    ShowWindow(pgStatus_.Handle(), SW_HIDE);
    busy_ = false;

    for (auto& tree : tvMain_) {
        SendMessageW(tree.Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree.Handle(), nullptr, TRUE);
    }
    EnableWindow(Tree(visibleTree_), TRUE);
    EnableWindow(List(0), TRUE);
    EnableWindow(List(1), TRUE);
    CatalogueTree& visible = catalogue_.Tree(visibleTree_);
    statusBar_.SetText(kPanelStatus, L"");
    SelectNode(visibleTree_, visible.FirstRoot());

    EnableMainControls(true);
    // The selected control's file decides the file commands, also after the scan re-enabled them.
    SetMissingState(missing_);
    try {
        EnableCloseButton(Handle(), true);
    } catch (const Error& e) {
        catalogue_.ReportError(L"PopulateList", kTitle, e.Number(), e.Description());
    }
    ShowCounts();
    PlaySoundRelative(kSoundRefresh);
    EnableWindow(tlbMain_, TRUE);
    SetTopMenusEnabled(true);
    // Disabling the tree took the focus away; give it back where it was.
    if (focus && IsWindow(focus) && (focus == Handle() || IsChild(Handle(), focus)) && IsWindowVisible(focus)) SetFocus(focus);
    POINT pt{};
    GetCursorPos(&pt);
    SetCursorPos(pt.x, pt.y); // lets the arrow come back at once
}

void MainWindow::SelectNode(int treeIndex, int node) {
    CatalogueTree& tree = catalogue_.Tree(treeIndex);
    HTREEITEM item = TreeItem(treeIndex, node);
    if (!item) {
        tree.Select(0);
        NodeClick(treeIndex);
        return;
    }
    const ui::TreeView& view = tvMain_[treeIndex ? 1 : 0];
    if (view.Selected() == item) {
        tree.Select(node);
        NodeClick(treeIndex);
    } else {
        view.Select(item); // TVN_SELCHANGED clicks it
    }
}

void MainWindow::NodeClick(int treeIndex) {
    try {
        int node = catalogue_.Tree(treeIndex).Selected();
        const ControlDetails details = LoadInformation(catalogue_, treeIndex, node, Handle());
        std::vector<std::pair<std::wstring, std::wstring>> rows;
        for (const auto& row : details.control) rows.emplace_back(row.element, row.data);
        FillDetails(rows, 0);
        rows.clear();
        for (const auto& row : details.file) rows.emplace_back(row.element, row.data);
        FillDetails(rows, 1);
        // Only the preview reads the server file, and it maps it as data: no control code runs here.
        if (details.toolboxBitmapReached) BitmapPreview::Instance().DrawToolboxBitmap(details.toolboxBitmap);
        if (details.complete) statusBar_.SetText(kPanelStatus, details.resolvedPath);
        else if (!catalogue_.Tree(treeIndex).IsValid(node)) statusBar_.SetText(kPanelStatus, L""); // no control, no file
        SetMissingState(DetailData(0, L"Status") == kStatusMissing);
    } catch (const Error& e) {
        TheDesktop().Message(Handle(), NumberDashDescription(e.Number(), e.Description()), kTitle, MsgButtons::Ok,
                             MsgIcon::None);
    } catch (const std::exception& e) {
        TheDesktop().Message(Handle(), NumberDashDescription(0, Utf8ToWide(e.what())), kTitle, MsgButtons::Ok,
                             MsgIcon::None);
    }
}

void MainWindow::FillDetails(const std::vector<std::pair<std::wstring, std::wstring>>& rows, int listIndex) {
    const ui::ListView& list = lvInfo_[listIndex];
    SendMessageW(list.Handle(), WM_SETREDRAW, FALSE, 0);
    list.Clear();
    for (const auto& [element, data] : rows) list.AddRow(element, ListImageIndex(kImageProperty), data);
    if (!rows.empty()) list.SelectRow(0);
    FitDataColumn(listIndex);
    SendMessageW(list.Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.Handle(), nullptr, TRUE);
}

std::wstring MainWindow::DetailData(int listIndex, const std::wstring& element) const {
    const ui::ListView& list = lvInfo_[listIndex ? 1 : 0];
    const int row = list.FindRow(element);
    return row < 0 ? std::wstring() : list.Text(row, 1);
}

void MainWindow::ShowCounts() { statusBar_.SetText(kPanelCount, catalogue_.CountsText(visibleTree_)); }

void MainWindow::SwitchDisplayMode(int index) {
    const int k = index == Catalogue::kMissing ? 1 : 0;
    CheckMenuRadioItem(menu_, mnuControls0, mnuControls1, k ? mnuControls1 : mnuControls0, MF_BYCOMMAND);
    const bool hadFocus = GetFocus() == Tree(1 - k);
    ShowWindow(Tree(1 - k), SW_HIDE);
    ShowWindow(Tree(k), SW_SHOW);
    EnableWindow(Tree(k), TRUE);
    if (hadFocus) SetFocus(Tree(k));
    visibleTree_ = k;
    catalogue_.SetDisplayMode(k);
    SelectNode(k, catalogue_.Tree(k).FirstRoot());
    statusBar_.SetText(kPanelDisplay, Catalogue::DisplayName(k));
    ShowCounts();
}

void MainWindow::FindInList(const std::wstring& find, bool typeLib, bool control) {
    if (busy_) return;
    try {
        const CatalogueTree& tree = catalogue_.Tree(visibleTree_);
        const int found = FindNextNode(tree, tree.Selected(), find, typeLib, control);
        if (found != 0) SelectNode(visibleTree_, found);
    } catch (...) {
        TheDesktop().Message(Handle(), L"Unknown error in frmMain.FindInList().", L"Error", MsgButtons::Ok,
                             MsgIcon::Critical);
    }
}

// ---- Command states ----

void MainWindow::ApplyCommandState(int id, bool enabled) {
    enabled = enabled && CommandAvailable(id);
    if (IsToolbarButton(id)) {
        if (tlbMain_) SendMessageW(tlbMain_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), enabled ? TRUE : FALSE);
    } else if (IsTrayCommand(id)) {
        if (trayMenu_) EnableMenuItem(trayMenu_, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    } else if (menu_) {
        EnableMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

bool MainWindow::CommandEnabled(int id) const {
    if (!CommandAvailable(id)) return false;
    if (IsToolbarButton(id)) return tlbMain_ && SendMessageW(tlbMain_, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
    HMENU menu = IsTrayCommand(id) ? trayMenu_ : menu_;
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void MainWindow::GreyUnavailableCommands() {
    for (int id : UnavailableCommands()) ApplyCommandState(id, false);
}

void MainWindow::SetTopMenusEnabled(bool enabled) {
    for (int position : {kMenuFile, kMenuEdit, kMenuTools})
        EnableMenuItem(menu_, static_cast<UINT>(position), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(Handle());
}

void MainWindow::EnableMainControls(bool enable) {
    EnableWindow(Tree(0), enable ? TRUE : FALSE);
    EnableWindow(Tree(1), enable ? TRUE : FALSE);
    for (const CommandState& state : MainControlStates(enable, catalogue_.missing)) ApplyCommandState(state.id, state.enabled);
}

void MainWindow::SetMissingState(bool missing) {
    missing_ = missing;
    for (const CommandState& state : MissingFileStates(missing)) ApplyCommandState(state.id, state.enabled);
}

// ---- Commands ----

void MainWindow::OnCommand(int id) {
    if (busy_ || !CommandAvailable(id)) return;
    if (IsToolbarButton(id)) {
        if (!CommandEnabled(id)) return;
        id = ToolbarCommand(id);
        if (id == 0 || !CommandAvailable(id)) return;
    } else if (!CommandEnabled(id)) {
        return; // an accelerator of a greyed item
    }
    switch (id) {
    case mnuExplore: Explore(); break;
    case mnuPropertyPages: OpenProperties(); break;
    case mnuExit: CloseRequest(); break;
    case mnuSaveToolboxBitmap: BitmapPreview::Instance().SaveToolboxBitmap(Handle(), DetailData(0, L"Toolbox Bitmap")); break;
    case mnuCopyData: CopyData(); break;
    case mnuFindInList: findDialog_.Open(Handle()); break;
    case mnuExpandAll: ExpandAll(true); break;
    case mnuCollapseAll: ExpandAll(false); break;
    case mnuToolbar: ToggleToolbar(); break;
    case mnuShowStatusbar: ToggleStatusbar(); break;
    case mnuToolboxBitmapPreview: TogglePreview(); break;
    case mnuControls0: SwitchDisplayMode(0); break;
    case mnuControls1: SwitchDisplayMode(1); break;
    case mnuRefresh: PopulateList(false); break;
    case mnuRegEdit: TheDesktop().Execute(Handle(), L"open", L"regedit", L""); break;
    case mnuOptions: frmOptions::Show(Handle(), this); break;
    case mnuRegisterControl:
    case mnuTrayRegisterControl: RegisterFromMenu(); break;
    case mnuUnregisterControl: UnregisterSelected(); break;
    case mnuTrayUnregister: UnregisterFromTray(); break;
    case mnuTrayOpenNivex: RestoreFromTray(false); break;
    case mnuTrayExit: ExitPath(); break;
    default: break;
    }
}

void MainWindow::ToggleToolbar() {
    const bool checked = (GetMenuState(menu_, mnuToolbar, MF_BYCOMMAND) & MF_CHECKED) != 0;
    CheckMenuItem(menu_, mnuToolbar, MF_BYCOMMAND | (checked ? MF_UNCHECKED : MF_CHECKED));
    ShowWindow(fraToolbar_, checked ? SW_HIDE : SW_SHOW);
    StoreSetting(Handle(), L"mnuToolbar_Click", kSectionAppearence, kKeyShowToolbar, checked ? L"0" : L"1");
    Layout();
}

void MainWindow::ToggleStatusbar() {
    const bool checked = (GetMenuState(menu_, mnuShowStatusbar, MF_BYCOMMAND) & MF_CHECKED) != 0;
    CheckMenuItem(menu_, mnuShowStatusbar, MF_BYCOMMAND | (checked ? MF_UNCHECKED : MF_CHECKED));
    ShowWindow(statusBar_.Handle(), checked ? SW_HIDE : SW_SHOW);
    StoreSetting(Handle(), L"mnuShowStatusbar_Click", kSectionAppearence, kKeyShowStatusbar, checked ? L"0" : L"1");
    Layout();
}

void MainWindow::TogglePreview() {
    const bool shown = BitmapPreview::Instance().Toggle();
    CheckMenuItem(menu_, mnuToolboxBitmapPreview, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::ExpandAll(bool expand) {
    const ui::TreeView& view = tvMain_[visibleTree_];
    const CatalogueTree& tree = catalogue_.Tree(visibleTree_);
    SendMessageW(view.Handle(), WM_SETREDRAW, FALSE, 0);
    for (int i = 1; i <= tree.Capacity(); ++i)
        if (tree.IsValid(i) && tree.Node(i).firstChild != 0)
            if (HTREEITEM item = TreeItem(visibleTree_, i)) view.Expand(item, expand);
    SendMessageW(view.Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view.Handle(), nullptr, TRUE);
    if (HTREEITEM selected = view.Selected()) SendMessageW(view.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(selected));
}

void MainWindow::CopyData() {
    const ui::ListView& list = lvInfo_[activeList_];
    const int row = list.SelectedRow();
    if (row < 0) return;
    TheDesktop().SetClipboardText(Handle(), list.Text(row, 1)); // a failure is not reported
}

void MainWindow::Explore() {
    const std::wstring path = StatusPath();
    if (path.empty()) return;
    TheDesktop().Execute(Handle(), L"explore", GetFilePath(path), L"");
}

void MainWindow::OpenProperties() {
    const std::wstring path = StatusPath();
    if (path.empty()) return;
    if (openProperties_) openProperties_(Handle(), path);
}

// ---- Registering and unregistering ----

// While a flow's questions are up and its engine runs, the window is busy: no other command starts and
// no search moves the selection that the catalogue update works on.

void MainWindow::RegisterFromMenu() {
    const std::wstring saved = PanelText(kPanelStatus);
    statusBar_.SetText(kPanelStatus, kUpdatingListText);
    busy_ = true;
    RegOutcome outcome = RegOutcome::Cancelled;
    {
        AtScopeEnd done([this, &saved] {
            busy_ = false;
            statusBar_.SetText(kPanelStatus, saved);
        });
        outcome = RegisterCommand(catalogue_, Handle());
    }
    if (outcome == RegOutcome::Completed) ShowCatalogueChanges();
}

void MainWindow::UnregisterSelected() {
    const std::wstring path = StatusPath();
    if (path.empty()) return; // nothing selected: there is no file to unregister
    // The command removes the library of the catalogue's selection: make it the one on screen.
    HTREEITEM item = tvMain_[0].Selected();
    catalogue_.Tree(Catalogue::kAll).Select(item ? static_cast<int>(tvMain_[0].Param(item)) : 0);
    busy_ = true;
    RegOutcome outcome = RegOutcome::Cancelled;
    {
        AtScopeEnd done([this] { busy_ = false; });
        outcome = UnregisterSelectedCommand(catalogue_, path, Handle());
    }
    if (outcome == RegOutcome::Completed) ShowCatalogueChanges();
    else ShowCounts();
}

void MainWindow::UnregisterFromTray() {
    busy_ = true;
    RegOutcome outcome = RegOutcome::Cancelled;
    {
        AtScopeEnd done([this] { busy_ = false; });
        outcome = TrayUnregisterCommand(catalogue_, Handle());
    }
    if (outcome == RegOutcome::Completed) ShowCatalogueChanges();
    else ShowCounts();
}

// After an operation added or removed nodes: the trees redrawn, the counts shown, and the details
// following the selection when its node is gone.
void MainWindow::ShowCatalogueChanges() {
    RebuildTrees();
    const CatalogueTree& visible = catalogue_.Tree(visibleTree_);
    if (visible.Selected() == 0) SelectNode(visibleTree_, visible.FirstRoot());
    ShowCounts();
}

void MainWindow::PopupFileMenuWithoutExit(POINT screen) {
    HMENU file = GetSubMenu(menu_, kMenuFile);
    if (!file) return;
    wchar_t text[128] = {};
    GetMenuStringW(file, mnuExit, text, 128, MF_BYCOMMAND);
    const UINT state = GetMenuState(file, mnuExit, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
    RemoveMenu(file, mnuExit, MF_BYCOMMAND);
    const int separator = GetMenuItemCount(file) - 1;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    const bool hasSeparator = separator >= 0 && GetMenuItemInfoW(file, static_cast<UINT>(separator), TRUE, &info) &&
                              (info.fType & MFT_SEPARATOR);
    if (hasSeparator) RemoveMenu(file, static_cast<UINT>(separator), MF_BYPOSITION);
    popupMenu_(file, screen);
    if (hasSeparator) AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING | state, mnuExit, text);
}

// ---- Closing, the tray and the exit path ----

void MainWindow::CloseRequest() {
    if (busy_) return;
    if (SettingNumber(kSectionOptions, kKeyMinimizeToTray) == 1) MinimizeToTray();
    else ExitPath();
}

void MainWindow::SaveLayout() {
    const int state = IsZoomed(Handle()) ? 2 : IsIconic(Handle()) ? 1 : 0;
    SaveSetting(kSectionAppearence, kKeyWindowState, std::to_wstring(state));
    if (state != 0) return; // a maximised or minimised window keeps the last normal place
    RECT rect{};
    GetWindowRect(Handle(), &rect);
    SaveSetting(kSectionAppearence, kKeyWindowTop, TwipsText(PixelsToTwipsY(rect.top)));
    SaveSetting(kSectionAppearence, kKeyWindowLeft, TwipsText(PixelsToTwipsX(rect.left)));
    SaveSetting(kSectionAppearence, kKeyWindowWidth, TwipsText(PixelsToTwipsX(rect.right - rect.left)));
    SaveSetting(kSectionAppearence, kKeyWindowHeight, TwipsText(PixelsToTwipsY(rect.bottom - rect.top)));
}

void MainWindow::ExitPath() {
    try {
        SaveLayout();
    } catch (const Error& e) {
        TheDesktop().Message(Handle(), ErrorInMessage(L"ExitPath", e), kTitle, MsgButtons::Ok, MsgIcon::Critical);
    }
    DeleteTrayIcon();
    tempFiles_.DeleteAll();
    if (endProcess_) endProcess_();
}

bool MainWindow::AddTrayIcon() {
    if (trayAdded_) return true;
    HICON small = nullptr;
    ExtractIconExW(ExecutablePath().c_str(), 0, nullptr, &small, 1);
    if (!small) small = static_cast<HICON>(smallIcon_.Get() ? CopyIcon(static_cast<HICON>(smallIcon_.Get())) : nullptr);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = Handle();
    data.uID = kTrayId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // A message of its own: tray events never mix with the window's real mouse moves.
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = small;
    const std::wstring caption = ui::WindowText(Handle());
    wcsncpy_s(data.szTip, caption.c_str(), 63);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) {
        if (small) DestroyIcon(small);
        return false;
    }
    trayIcon_ = small;
    trayAdded_ = true;
    return true;
}

void MainWindow::DeleteTrayIcon() {
    if (!trayAdded_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = Handle();
    data.uID = kTrayId;
    Shell_NotifyIconW(NIM_DELETE, &data);
    if (trayIcon_) DestroyIcon(trayIcon_);
    trayIcon_ = nullptr;
    trayAdded_ = false;
}

void MainWindow::MinimizeToTray() {
    if (!AddTrayIcon()) {
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
    DeleteTrayIcon();
    inTray_ = false;
    if (afterDoubleClick) NodeClick(visibleTree_);
}

void MainWindow::OnTrayMessage(LPARAM event) {
    switch (LOWORD(event)) {
    case WM_LBUTTONDBLCLK:
        RestoreFromTray(true);
        break;
    case WM_RBUTTONUP: {
        POINT pt{};
        GetCursorPos(&pt);
        SetForegroundWindow(Handle());
        popupMenu_(trayMenu_, pt);
        PostMessageW(Handle(), WM_NULL, 0, 0);
        break;
    }
    default:
        break;
    }
}

// ---- Notifications ----

LRESULT MainWindow::OnTreeCustomDraw(int treeIndex, NMTVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int node = static_cast<int>(draw->nmcd.lItemlParam);
        const CatalogueTree& tree = catalogue_.Tree(treeIndex);
        // Libraries whose first control's file is missing: bold (item state) and pure red, unless highlighted.
        if (tree.IsValid(node) && tree.Node(node).bold && !(draw->nmcd.uItemState & CDIS_SELECTED)) {
            draw->clrText = RGB(255, 0, 0);
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void MainWindow::OnTreeRightClick(int treeIndex) {
    POINT pt{};
    GetCursorPos(&pt);
    const ui::TreeView& view = tvMain_[treeIndex];
    HTREEITEM item = view.HitTest(pt);
    if (item && item != view.Selected()) view.Select(item); // TVN_SELCHANGED clicks it
    else NodeClick(treeIndex);
    PopupFileMenuWithoutExit(pt);
}

void MainWindow::OnListRelease(int listIndex, bool rightButton) {
    activeList_ = listIndex;
    ApplyCommandState(mnuEditInformation, listIndex == 0);
    if (!rightButton) return;
    POINT pt{};
    GetCursorPos(&pt);
    if (HMENU edit = GetSubMenu(menu_, kMenuEdit))
        if (HMENU information = GetSubMenu(edit, 0)) popupMenu_(information, pt);
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    const int id = static_cast<int>(header->idFrom);
    if (id == IDC_TVMAIN0 || id == IDC_TVMAIN1) {
        const int t = id - IDC_TVMAIN0;
        switch (header->code) {
        case NM_CUSTOMDRAW:
            return OnTreeCustomDraw(t, reinterpret_cast<NMTVCUSTOMDRAW*>(header));
        case TVN_SELCHANGEDW: {
            auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
            if (suppressSelection_) return 0;
            catalogue_.Tree(t).Select(static_cast<int>(change->itemNew.lParam));
            if (!busy_) NodeClick(t);
            return 0;
        }
        case NM_RCLICK:
            if (!busy_) OnTreeRightClick(t);
            return TRUE;
        default:
            return 0;
        }
    }
    if (id == IDC_LVINFO0 || id == IDC_LVINFO1) {
        const int l = id - IDC_LVINFO0;
        switch (header->code) {
        case NM_CLICK:
            OnListRelease(l, false);
            return 0;
        case NM_RCLICK:
            OnListRelease(l, true);
            return TRUE;
        case NM_DBLCLK:
            if (l == 0) OnCommand(mnuEditInformation);
            else if (visibleTree_ == 0) OnCommand(mnuPropertyPages);
            return 0;
        default:
            return 0;
        }
    }
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        for (const auto& button : ToolbarButtons())
            if (static_cast<UINT_PTR>(button.id) == header->idFrom) {
                info->lpszText = const_cast<wchar_t*>(button.toolTip);
                info->hinst = nullptr;
            }
        return 0;
    }
    if (header->code == TBN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(header);
        for (const auto& button : ToolbarButtons())
            if (button.id == tip->iItem) wcsncpy_s(tip->pszText, static_cast<size_t>(tip->cchTextMax), button.toolTip, _TRUNCATE);
        return 0;
    }
    return 0;
}

bool MainWindow::PreTranslate(MSG& msg) {
    auto within = [&msg](HWND window) { return window && (msg.hwnd == window || IsChild(window, msg.hwnd)); };
    if (within(findDialog_.Handle()) && IsDialogMessageW(findDialog_.Handle(), &msg)) return true;
    HWND preview = BitmapPreview::Instance().Handle();
    if (within(preview) && IsDialogMessageW(preview, &msg)) return true;
    if (frmOptions* options = frmOptions::Current())
        if (within(options->Handle()) && IsDialogMessageW(options->Handle(), &msg)) return true;
    if (frmRegStatus* status = frmRegStatus::Existing())
        if (within(status->Handle()) && IsDialogMessageW(status->Handle(), &msg)) return true;
    if (within(Handle()) && accelerators_ && TranslateAcceleratorW(Handle(), accelerators_, &msg)) return true;
    return false;
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
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {320, 240};
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_.Get());
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(Tree(visibleTree_));
        return 0;
    case WM_CLOSE:
        CloseRequest();
        return 0;
    case WM_ENDSESSION:
        if (wParam) {
            try {
                SaveLayout();
            } catch (const Error&) {
            }
            DeleteTrayIcon();
            tempFiles_.DeleteAll();
        }
        return 0;
    case kTrayMessage:
        OnTrayMessage(lParam);
        return 0;
    case WM_DESTROY:
        DeleteTrayIcon();
        return 0;
    default:
        if (message == taskbarCreated_ && taskbarCreated_ != 0 && inTray_) {
            // The notification area was re-created (the shell restarted): put the icon back.
            DeleteTrayIcon();
            AddTrayIcon();
            return 0;
        }
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace nivex
