#include "inspect/dependency_window.h"

#include <algorithm>
#include <exception>

#include "auxiliary/help_ids.h"
#include "auxiliary/whats_this.h"
#include "common/ui/controls.h"
#include "common/ui/toolkit.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/file_exists.h"
#include "inspect/inspect_images.h"
#include "inspect/inspect_resource.h"
#include "common/path_split.h"

namespace nivex {

namespace {

frmDependency* theViewer = nullptr;

// ImageList1, keyed as the viewer's images are: PROPERTIES, EXPLORE, DLL, OCX, OPEN, then the imports' own.
enum Picture { kProperties, kExplore, kDll, kOcx, kOpen, kImports, kModule, kMissing };
const InspectImage kPictures[] = {InspectImage::Properties, InspectImage::Explore, InspectImage::Dll,
                                  InspectImage::Ocx,        InspectImage::Open,    InspectImage::Imports,
                                  InspectImage::Module,     InspectImage::Missing};

const wchar_t* const kCaption = L"Dependency Viewer";

struct Button {
    int command;
    int picture;
    const wchar_t* tip;
};
const Button kButtons[] = {{IDC_DEP_OPEN, kOpen, L"Open File..."},
                           {IDC_DEP_PROPERTIES, kProperties, L"File Properties..."},
                           {IDC_DEP_EXPLORE, kExplore, L"Exploer File Location..."}};

LPARAM ItemParam(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    return TreeView_GetItem(tree, &data) ? data.lParam : -1;
}

} // namespace

frmDependency* frmDependency::Open(HWND owner, Desktop& desktop, const std::wstring& path) {
    if (!theViewer) {
        auto* window = new frmDependency(owner, desktop);
        if (!window->CreateModeless(IDD_DEPENDENCY, owner)) {
            delete window;
            return nullptr;
        }
        theViewer = window;
    }
    frmDependency* viewer = theViewer;
    ShowWindow(viewer->Handle(), SW_SHOW);
    PumpPendingMessages();
    // The messages that ran may have closed it.
    if (theViewer != viewer) return nullptr;
    viewer->View(path);
    return viewer;
}

frmDependency* frmDependency::Existing() { return theViewer; }

void frmDependency::FollowSelection(const std::wstring& path) {
    if (theViewer && theViewer->IsShown()) theViewer->View(path);
}

HWND frmDependency::Tree() const { return GetDlgItem(Handle(), IDC_DEP_TVMAIN); }

bool frmDependency::IsShown() const { return Handle() && IsWindowVisible(Handle()); }

void frmDependency::View(const std::wstring& path) {
    SetWindowTextW(GetDlgItem(Handle(), IDC_DEP_LBLFILENAME), path.c_str());
    LoadDep();
}

void frmDependency::Load() {
    HWND hwnd = Handle();
    images_ = MakeInspectImages(kPictures, static_cast<int>(std::size(kPictures)));
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_TOP,
                               0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DEP_TOOLBAR1)),
                               ProgramInstance(), nullptr);
    if (toolbar_) {
        SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
        TBBUTTON buttons[std::size(kButtons) + 1] = {};
        int n = 0;
        for (const Button& b : kButtons) {
            buttons[n].iBitmap = b.picture;
            buttons[n].idCommand = b.command;
            buttons[n].fsState = TBSTATE_ENABLED;
            buttons[n].fsStyle = BTNS_BUTTON;
            buttons[n].iString = -1;
            ++n;
            if (b.command == IDC_DEP_OPEN) { // a separator after "OPEN"
                buttons[n].fsStyle = BTNS_SEP;
                ++n;
            }
        }
        SendMessageW(toolbar_, TB_ADDBUTTONSW, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(buttons));
        SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    }
    TreeView_SetImageList(Tree(), images_, TVSIL_NORMAL);
    SetButtons(false);
    Layout();
}

void frmDependency::Layout() {
    HWND hwnd = Handle();
    RECT client{};
    GetClientRect(hwnd, &client);
    int top = 0;
    if (toolbar_) {
        SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        top = ui::ChildRect(hwnd, toolbar_).bottom;
    }
    const int margin = 8;
    HWND label = GetDlgItem(hwnd, IDC_DEP_LBLFILENAME);
    HWND close = GetDlgItem(hwnd, IDC_DEP_CMDCLOSE);
    const RECT l = ui::ChildRect(hwnd, label);
    const RECT c = ui::ChildRect(hwnd, close);
    const int labelHeight = l.bottom - l.top;
    const int buttonWidth = c.right - c.left;
    const int buttonHeight = c.bottom - c.top;
    const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);
    MoveWindow(label, margin, top + 4, width, labelHeight, TRUE);
    const int treeTop = top + 8 + labelHeight;
    const int buttonTop = client.bottom - margin - buttonHeight;
    MoveWindow(Tree(), margin, treeTop, width, std::max(0, buttonTop - margin - treeTop), TRUE);
    MoveWindow(close, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HTREEITEM frmDependency::AddNode(HTREEITEM parent, Node node, const std::wstring& text, int image) {
    const bool expandable = node.expandable;
    nodes_.push_back(std::move(node));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = static_cast<LPARAM>(nodes_.size() - 1);
    insert.item.cChildren = expandable || parent == TVI_ROOT ? 1 : 0;
    return TreeView_InsertItem(Tree(), &insert);
}

void frmDependency::LoadDep() {
    ui::WaitCursor wait;
    HWND tree = Tree();
    TreeView_DeleteAllItems(tree);
    nodes_.clear();
    resolver_.reset();
    const auto root = [](Kind kind) {
        Node node;
        node.kind = kind;
        return node;
    };
    const HTREEITEM dll = AddNode(TVI_ROOT, root(Kind::RootDll), L"DLL Dependencies", kDll);
    const HTREEITEM ocx = AddNode(TVI_ROOT, root(Kind::RootOcx), L"OCX Dependencies", kOcx);
    const HTREEITEM imports = AddNode(TVI_ROOT, root(Kind::RootImports), L"Imported Modules", kImports);
    SetButtons(false);

    const std::wstring path = FileLabel();
    if (!OrdinaryFileExists(path)) {
        desktop_.Message(Handle(), GetFileName(path) + L" does not exist!", L"Error", MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    resolver_ = std::make_unique<ImportResolver>(SearchFolders::ForFile(path));
    const DependencyReport report = BuildDependencyReport(path, *resolver_);
    SetWindowTextW(Handle(), (std::wstring(kCaption) + L" - " + GetFileName(path) +
                              MachineCaptionNote(report, OwnMachine())).c_str());
    for (const MentionedName& item : report.mentioned.dll)
        AddNode(dll, Node{Kind::Mentioned, item.name, std::nullopt, false, false, false, 0}, item.name, kDll);
    for (const MentionedName& item : report.mentioned.ocx)
        AddNode(ocx, Node{Kind::Mentioned, item.name, std::nullopt, false, false, false, 1}, item.name, kOcx);
    for (const ResolvedImport& module : report.imports) {
        const bool missing = IsMissingImport(module);
        Node node{Kind::Import, ModuleNameText(module.name), module.resolved, missing, false, false, 2};
        // A module is followed into its own imports, unless it is the viewed file itself.
        node.expandable = module.resolved && !EqualsNoCase(*module.resolved, path);
        AddNode(imports, std::move(node), ImportNodeText(module), missing ? kMissing : kModule);
    }
    // Roots without children show no button.
    for (HTREEITEM root : {dll, ocx, imports}) {
        TVITEMW item{};
        item.mask = TVIF_CHILDREN;
        item.hItem = root;
        item.cChildren = TreeView_GetChild(tree, root) ? 1 : 0;
        TreeView_SetItem(tree, &item);
        TreeView_Expand(tree, root, TVE_EXPAND);
    }
    TreeView_EnsureVisible(tree, dll);
    SetButtons(true);
    UpdateToolbar();
}

void frmDependency::ExpandImports(HTREEITEM item) {
    HWND tree = Tree();
    const LPARAM index = ItemParam(tree, item);
    if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size() || !resolver_) return;
    if (nodes_[static_cast<std::size_t>(index)].expanded || !nodes_[static_cast<std::size_t>(index)].expandable) return;
    nodes_[static_cast<std::size_t>(index)].expanded = true;
    ui::WaitCursor wait;
    const std::wstring path = *nodes_[static_cast<std::size_t>(index)].resolved;
    // The files on the way up from this node: a module met again there is not followed (a cycle).
    std::vector<std::wstring> ancestors{FileLabel()};
    for (int at = static_cast<int>(index); at >= 0 && nodes_[static_cast<std::size_t>(at)].kind == Kind::Import;
         at = nodes_[static_cast<std::size_t>(at)].parent)
        ancestors.push_back(*nodes_[static_cast<std::size_t>(at)].resolved);
    const std::vector<ImportedModule> modules = resolver_->Imports(path).modules;
    for (const ImportedModule& module : modules) {
        const ResolvedImport resolved = resolver_->ResolveImport(module);
        const bool missing = IsMissingImport(resolved);
        Node node{Kind::Import, ModuleNameText(module.name), resolved.resolved, missing, false, false,
                  static_cast<int>(index)};
        node.expandable = resolved.resolved && std::none_of(ancestors.begin(), ancestors.end(), [&](const std::wstring& a) {
                              return EqualsNoCase(a, *resolved.resolved);
                          });
        AddNode(item, std::move(node), ImportNodeText(resolved), missing ? kMissing : kModule);
    }
    if (modules.empty()) {
        TVITEMW data{};
        data.mask = TVIF_CHILDREN;
        data.hItem = item;
        data.cChildren = 0;
        TreeView_SetItem(tree, &data);
    }
}

const frmDependency::Node* frmDependency::SelectedNode() const {
    HWND tree = GetDlgItem(Handle(), IDC_DEP_TVMAIN);
    const HTREEITEM item = TreeView_GetSelection(tree);
    if (!item) return nullptr;
    const LPARAM index = ItemParam(tree, item);
    if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
    return &nodes_[static_cast<std::size_t>(index)];
}

void frmDependency::SetButtons(bool enabled) {
    if (!toolbar_) return;
    for (int id : {IDC_DEP_PROPERTIES, IDC_DEP_EXPLORE})
        SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void frmDependency::UpdateToolbar() {
    // Nothing selected counts as a root: there is no file to act on.
    const Node* node = SelectedNode();
    SetButtons(node && node->kind != Kind::RootDll && node->kind != Kind::RootOcx && node->kind != Kind::RootImports);
}

std::wstring frmDependency::TargetFile(const Node& node) {
    std::optional<std::wstring> resolved = node.resolved;
    if (!resolved && node.kind == Kind::Mentioned && resolver_) resolved = resolver_->ResolveName(node.name);
    return resolved ? *resolved : SystemFolder() + node.name;
}

void frmDependency::OpenFileCommand() {
    try {
        FileDialogRequest request;
        request.owner = Handle();
        request.filter = L"ActiveX Controls (*.ocx)|*.ocx|Dynamic Link Libraries (*.dll)|*.dll|Executables (*.exe)|*.exe";
        request.title = L"Open File";
        request.initialFolder = SystemFolder();
        request.defaultExt = L"ocx";
        const std::wstring chosen = desktop_.OpenFile(request);
        if (chosen == kDialogCancelled || chosen.empty()) return;
        View(chosen);
    } catch (const std::exception&) {
        // Toolbar commands report nothing.
    }
}

void frmDependency::PropertiesCommand() {
    try {
        const Node* node = SelectedNode();
        if (!node || node->kind == Kind::RootDll || node->kind == Kind::RootOcx || node->kind == Kind::RootImports) return;
        desktop_.Execute(Handle(), L"properties", TargetFile(*node), L"");
    } catch (const std::exception&) {
    }
}

void frmDependency::ExploreCommand() {
    try {
        const Node* node = SelectedNode();
        if (!node || node->kind == Kind::RootDll || node->kind == Kind::RootOcx || node->kind == Kind::RootImports) return;
        const std::wstring target = TargetFile(*node);
        desktop_.Execute(Handle(), L"explore", GetFilePath(target), L"");
    } catch (const std::exception&) {
    }
}

std::wstring frmDependency::FileLabel() const { return ui::ItemText(Handle(), IDC_DEP_LBLFILENAME); }

std::wstring frmDependency::Caption() const { return ui::WindowText(Handle()); }

std::vector<std::wstring> frmDependency::RootTexts() const {
    HWND tree = GetDlgItem(Handle(), IDC_DEP_TVMAIN);
    std::vector<std::wstring> texts;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        texts.push_back(ui::TreeView(tree).Text(item));
    return texts;
}

HTREEITEM frmDependency::Root(const std::wstring& key) const {
    const Kind kind = key == L"DLL" ? Kind::RootDll : key == L"OCX" ? Kind::RootOcx : Kind::RootImports;
    if (key != L"DLL" && key != L"OCX" && key != L"IMPORTS") return nullptr;
    HWND tree = GetDlgItem(Handle(), IDC_DEP_TVMAIN);
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
        const LPARAM index = ItemParam(tree, item);
        if (index >= 0 && static_cast<std::size_t>(index) < nodes_.size() && nodes_[static_cast<std::size_t>(index)].kind == kind)
            return item;
    }
    return nullptr;
}

HTREEITEM frmDependency::Find(const std::wstring& rootKey, const std::vector<int>& path) {
    HWND tree = Tree();
    HTREEITEM item = Root(rootKey);
    for (int step : path) {
        if (!item) return nullptr;
        TreeView_Expand(tree, item, TVE_EXPAND);
        HTREEITEM child = TreeView_GetChild(tree, item);
        for (int i = 0; child && i < step; ++i)
            child = TreeView_GetNextSibling(tree, child);
        item = child;
    }
    return item;
}

std::vector<std::wstring> frmDependency::ChildTexts(const std::wstring& rootKey, const std::vector<int>& path) {
    HWND tree = Tree();
    std::vector<std::wstring> texts;
    HTREEITEM item = Find(rootKey, path);
    if (!item) return texts;
    TreeView_Expand(tree, item, TVE_EXPAND);
    for (HTREEITEM child = TreeView_GetChild(tree, item); child; child = TreeView_GetNextSibling(tree, child))
        texts.push_back(ui::TreeView(tree).Text(child));
    return texts;
}

bool frmDependency::IsShownMissing(const std::wstring& rootKey, const std::vector<int>& path) {
    const HTREEITEM item = Find(rootKey, path);
    const LPARAM index = item ? ItemParam(Tree(), item) : -1;
    return index >= 0 && static_cast<std::size_t>(index) < nodes_.size() && nodes_[static_cast<std::size_t>(index)].missing;
}

void frmDependency::Select(const std::wstring& rootKey, const std::vector<int>& path) {
    TreeView_SelectItem(Tree(), rootKey.empty() ? nullptr : Find(rootKey, path));
    UpdateToolbar();
}

bool frmDependency::ButtonEnabled(int commandId) const {
    return toolbar_ && SendMessageW(toolbar_, TB_ISBUTTONENABLED, static_cast<WPARAM>(commandId), 0) != 0;
}

std::wstring frmDependency::ButtonTip(int commandId) const {
    for (const Button& b : kButtons)
        if (b.command == commandId) return b.tip;
    return {};
}

LRESULT frmDependency::CustomDraw(NMTVCUSTOMDRAW* draw) const {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto index = static_cast<std::size_t>(draw->nmcd.lItemlParam);
        // Modules found nowhere are shown in red.
        if (index < nodes_.size() && nodes_[index].missing && !(draw->nmcd.uItemState & CDIS_SELECTED))
            draw->clrText = RGB(200, 0, 0);
    }
    return CDRF_DODEFAULT;
}

INT_PTR frmDependency::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Load();
        AttachDialogHelp(Handle(), IDH_DEPENDENCY,
                         {{IDC_DEP_LBLFILENAME, IDH_DEP_FILE}, {IDC_DEP_TVMAIN, IDH_DEP_TREE},
                          {IDC_DEP_TOOLBAR1, IDH_DEP_TOOLBAR}, {IDC_DEP_CMDCLOSE, IDH_BUTTON_CLOSE}});
        return TRUE;
    case WM_SIZE: Layout(); return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 300;
        info->ptMinTrackSize.y = 220;
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DEP_OPEN: OpenFileCommand(); return TRUE;
        case IDC_DEP_PROPERTIES: PropertiesCommand(); return TRUE;
        case IDC_DEP_EXPLORE: ExploreCommand(); return TRUE;
        case IDC_DEP_CMDCLOSE:
        case IDCANCEL: Close(); return TRUE;
        default: break;
        }
        break;
    case WM_CLOSE: Close(); return TRUE;
    case WM_NOTIFY: {
        const ui::ChildNotification note(message, wParam, lParam);
        if (note.Code() == TTN_GETDISPINFOW) {
            for (const Button& b : kButtons)
                if (note.IsFrom(b.command)) note.Details<NMTTDISPINFOW>()->lpszText = const_cast<wchar_t*>(b.tip);
            return TRUE;
        }
        if (!note.IsFrom(IDC_DEP_TVMAIN)) break;
        switch (note.Code()) {
        case TVN_SELCHANGEDW:
        case NM_CLICK: UpdateToolbar(); return TRUE;
        case TVN_ITEMEXPANDINGW: {
            const auto* view = note.Details<const NMTREEVIEWW>();
            if (view->action & TVE_EXPAND) ExpandImports(view->itemNew.hItem);
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, FALSE);
            return TRUE;
        }
        case NM_CUSTOMDRAW:
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, CustomDraw(note.Details<NMTVCUSTOMDRAW>()));
            return TRUE;
        default: break;
        }
        break;
    }
    default: break;
    }
    return FALSE;
}

void frmDependency::OnDestroyed() {
    if (theViewer == this) theViewer = nullptr;
    if (images_) ImageList_Destroy(images_);
    delete this;
}

} // namespace nivex
