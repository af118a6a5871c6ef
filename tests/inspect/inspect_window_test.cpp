// The details panel, the toolbox bitmap preview, the compare window and the dependency viewer, driven as a person would.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/details_loader.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/ui/toolkit.h"
#include "common/window.h"
#include "inspect/bitmap_preview.h"
#include "inspect/compare_window.h"
#include "inspect/dependency_files.h"
#include "inspect/dependency_window.h"
#include "inspect/file_compare.h"
#include "inspect/inspect_resource.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using Texts = std::vector<std::wstring>;

const std::wstring kLib = L"{5A1B0000-0000-4000-8000-00000000AAAA}";
const std::wstring kFirst = L"{5A1B0000-0000-4000-8000-000000000001}";
const std::wstring kSecond = L"{5A1B0000-0000-4000-8000-000000000002}";

// An owner standing in for the main window, a scratch registry and folders, a catalogue of one library of two
// controls (the first one's server path set per test). The one preview window per process is gone after each test.
class InspectWindows : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        SetSystemFolder(system.Text());
        SetProgramFolder(folder.Text());
        preview.SetOwner(owner);
        for (const std::wstring& id : {kFirst, kSecond}) {
            const ControlRecord record{.DisplayName = id == kFirst ? L"First Control" : L"Second Control",
                                       .ClassId = id, .Version = {}, .TypeLibId = kLib, .Status = kStatusRegistered,
                                       .ServerPath = {}};
            catalogue.AddControlToList(record);
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + id, L"", record.DisplayName);
        }
        for (const auto& [sub, value] : {std::pair{L"Version", L"2.1"}, {L"ProgID", L"Sample.First.2"}, {L"TypeLib", kLib.c_str()},
                                         {L"ToolboxBitmap32", L"C:\\x\\first.ocx, 1"}})
            testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kFirst + L"\\" + sub, L"", value);
    }
    void TearDown() override {
        if (frmDependency* viewer = frmDependency::Existing()) DestroyWindow(viewer->Handle());
        if (preview.Handle()) DestroyWindow(preview.Handle());
        preview.SetOwner(nullptr);
        preview.SetClosedByUser(nullptr);
        SetOsIsMajor5(false);
        SetSystemFolder(L"");
        SetProgramFolder(L"");
        SetSizeTextReader(nullptr);
        DestroyWindow(owner);
    }
    RECT Place(HWND window, int id) const { return ui::ChildRect(window, GetDlgItem(window, id)); }
    void SetServer(const std::wstring& path) { testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kFirst + L"\\InProcServer32", L"", path); }
    ControlDetails Load(const std::wstring& id = kFirst) {
        int node = catalogue.Tree(Catalogue::kAll).FindByKey(id);
        return LoadInformation(catalogue, Catalogue::kAll, node, nullptr, desktop);
    }

    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder, system;
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 100, 80, 700, 500, nullptr, nullptr, nullptr, nullptr);
    BitmapPreview& preview = BitmapPreview::Instance();
    Catalogue catalogue;
};

std::wstring Rows(const std::vector<DetailRow>& rows) {
    std::wstring out;
    for (const auto& row : rows) out += row.element + L"=" + row.data + L"\n";
    return out;
}

TEST_F(InspectWindows, DetailsShowAControlsRowsTheFactsOfTheFileItsNameStandsForOrNotAvailableAndError53ForAVanishedFile) {
    const std::wstring path = folder.WriteFile(L"first.ocx", std::string(1536, 'x'));
    SetServer(path);
    int node = catalogue.FindNodeByKey(kLib);
    ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr, desktop);
    EXPECT_EQ(node, catalogue.FindNodeByKey(kFirst));
    EXPECT_EQ(Rows(details.control), L"Control Name=First Control\nVersion=2.1\nStatus=" + std::wstring(kStatusRegistered) +
                                         L"\nCLSID=" + kFirst + L"\nProgID=Sample.First.2\nTypeLib=" + kLib +
                                         L"\nToolbox Bitmap=C:\\x\\first.ocx, 1\n");
    EXPECT_EQ(std::tuple(details.toolboxBitmap, details.selection.resolvedPath, details.complete, details.toolboxBitmapReached),
              std::tuple(L"C:\\x\\first.ocx, 1", path, true, true));
    details.file.erase(details.file.begin() + 2, details.file.begin() + 5); // the dates, which vary
    // A plain file has no version resource: the version rows are empty.
    EXPECT_EQ(Rows(details.file), L"Filename=" + path + L"\nSize=2 KB\nDescription=\nFile Version=\nCopyright=\n");

    testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kSecond + L"\\Version", L"Other", L"not the default");
    details = Load(kSecond);
    EXPECT_EQ(Rows(details.control), L"Control Name=Second Control\nVersion=\nStatus=" + std::wstring(kStatusRegistered) +
                                         L"\nCLSID=" + kSecond + L"\nProgID=N/A\nTypeLib=N/A\nToolbox Bitmap=N/A\n");
    // Without an InProcServer32 key the file rows say so.
    EXPECT_EQ(Rows(details.file), L"Filename=N/A\nSize=N/A\nCreated=Unknown\nAccessed=Unknown\nModified=Unknown\n"
                                  L"Description=\nFile Version=\nCopyright=\n");
    EXPECT_TRUE(details.complete);
    // Another pseudo-name is a sub-key name like any other.
    testing::SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + kFirst + L"\\.Other", L"", L"dotted");
    EXPECT_EQ(GetControlRegValue(catalogue, kFirst, L".Other", OwnView()), L"dotted");
    EXPECT_THROW(GetControlRegValue(catalogue, L"{unknown}", L".Status", OwnView()), Error);

    const std::wstring lone = L"{5A1B0000-0000-4000-8000-0000000000CC}";
    catalogue.Tree(Catalogue::kAll).Add(L"", lone, L"Lone", L"tag", kImageDefault);
    details = Load(lone);
    EXPECT_EQ(Rows(details.control), L"Control Name=N/A\nVersion=N/A\n");
    EXPECT_FALSE(details.complete || details.toolboxBitmapReached);
    // A bare name stands for the file in the system folder on version 5 (the scan tests the rule itself).
    const std::wstring inSystem = system.WriteFile(L"bare.ocx", std::string(3000, 'y'));
    SetOsIsMajor5(true);
    SetServer(L"bare.ocx");
    const ControlDetails bare = Load();
    EXPECT_EQ(bare.file.at(0).data + L"|" + bare.selection.resolvedPath + L"|" + bare.file.at(1).data,
              L"bare.ocx|" + inSystem + L"|3 KB");
    EXPECT_NE(bare.file.at(4).data, L"Unknown");
    const std::wstring gone = folder.WriteFile(L"gone.ocx", std::string(10, 'g'));
    SetServer(gone);
    SetSizeTextReader([](const std::wstring&) -> std::wstring { throw Error(53, L"test", L"File not found"); });
    const ControlDetails failed = Load();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title + L"|" + desktop.messages[0].text,
              L"Error Number 53|Error in LoadInformation(): File not found.\r\n" + gone);
    // The rows so far stay; nothing after them, and the status panel is left alone.
    EXPECT_EQ(std::tuple(failed.control.size(), Rows(failed.file), failed.complete, failed.selection.resolvedPath),
              std::tuple(7u, L"Filename=" + gone + L"\n", false, L""));
    SetSizeTextReader([](const std::wstring&) -> std::wstring { throw Error(5, L"test", L"Invalid call"); });
    EXPECT_FALSE(Load().complete);
    EXPECT_EQ(desktop.messages.size(), 1u);
}

const wchar_t* const kRanMarker = L"NIVEX_PREVIEW_FIXTURE_RAN"; // set by the fixture's code when it runs
std::wstring Reference(const std::wstring& id) { return testing::FixturePath(L"preview_fixture.dll") + L"," + id; }

// Pixels of the 16x15 glyph (x, y from the top): magenta background, blue frame, red diagonal, yellow dot.
constexpr COLORREF kMagenta = RGB(255, 0, 255), kBlue = RGB(0, 0, 160), kRed = RGB(200, 0, 0), kYellow = RGB(255, 220, 0);

COLORREF PixelOf(HGDIOBJ bitmap, int x, int y) {
    MemoryDc dc(CreateCompatibleDC(nullptr)); // compatible with the screen
    HGDIOBJ old = SelectObject(dc.Get(), bitmap);
    const COLORREF colour = GetPixel(dc.Get(), x, y);
    SelectObject(dc.Get(), old);
    return colour;
}

TEST_F(InspectWindows, PreviewReadsEveryLayoutWithoutRunningTheServerDrawsItCentredTogglesAndSavesItAsTheResourceHoldsIt) {
    const std::wstring fixture = testing::FixturePath(L"preview_fixture.dll");
    EXPECT_TRUE(LoadToolboxBitmap({fixture, 1}) && LoadToolboxBitmap({fixture, 2}));
    EXPECT_FALSE(GetEnvironmentVariableW(kRanMarker, nullptr, 0) || GetModuleHandleW(L"preview_fixture.dll"));
    // Rewritten headers draw as the resource's own: an old-style one, and top-down rows with colour masks.
    GdiObject core = LoadToolboxBitmap({fixture, 6}), topDown = LoadToolboxBitmap({fixture, 7});
    ASSERT_TRUE(core && topDown);
    EXPECT_EQ(std::tuple(PixelOf(core.Get(), 0, 0), PixelOf(core.Get(), 1, 1), PixelOf(topDown.Get(), 0, 0), PixelOf(topDown.Get(), 1, 0)),
              std::tuple(RGB(0, 255, 0), RGB(255, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255)));
    // 3 is no bitmap, 4 claims more pixels than it holds, 9 does not exist.
    for (long id : {3L, 4L, 9L, 0L, -1L, 65536L}) EXPECT_FALSE(LoadToolboxBitmap({fixture, id})) << id;
    for (const std::wstring& module : {std::wstring(L"C:\\no\\such\\server.ocx"), L"\"" + fixture + L"\"", std::wstring(),
                                       fixture + std::wstring(1, L'\0') + L"x"})
        EXPECT_FALSE(LoadToolboxBitmap({module, 1})) << ::testing::PrintToString(module);
    preview.DrawToolboxBitmap(Reference(L" 1"));
    ASSERT_TRUE(preview.Handle());
    EXPECT_EQ(preview.LabelText(), L"16x15");
    const RECT box = preview.BoxRect(), frame = preview.FrameRect();
    const int left = frame.left + (frame.right - frame.left) / 2 - 8, top = frame.top + (frame.bottom - frame.top) / 2 - 7;
    EXPECT_EQ(std::tuple(box.left, box.top, box.right, box.bottom), std::tuple(left, top, left + 16, top + 15));
    // The bottom-left pixel's colour shows the button face.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::pair<POINT, COLORREF> pixels[] = {{{0, 14}, face}, {{7, 7}, face},    {{2, 2}, kBlue},
                                                 {{4, 3}, kRed},  {{9, 5}, kYellow}, {{16, 0}, CLR_INVALID}};
    for (const auto& [at, colour] : pixels) EXPECT_EQ(preview.BoxPixel(at.x, at.y), colour) << at.x << "," << at.y;
    // Placed against the main window's right edge, 500 twips below its top.
    RECT main{}, own{};
    GetWindowRect(owner, &main);
    GetWindowRect(preview.Handle(), &own);
    EXPECT_EQ(std::pair(own.right, own.top), std::pair(main.right, main.top + TwipsToPixelsY(500)));

    preview.DrawToolboxBitmap(L"N/A"); // no reference: the box is cleared, the label stays
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(preview.LabelText(), L"16x15");
    preview.DrawToolboxBitmap(Reference(L"9")); // a reference to no bitmap says so
    EXPECT_EQ(preview.LabelText(), L"N/A");
    int told = 0;
    preview.SetClosedByUser([&] { ++told; });
    const auto shown = [] { return GetSetting(L"Appearence", L"ShowToolboxPreview", L""); };
    const auto toggle = [&] { const bool visible = preview.Toggle(); return std::to_wstring(visible) + shown(); };
    preview.DrawToolboxBitmap(Reference(L"1"));
    const std::wstring on = toggle(), off = toggle();
    EXPECT_EQ(on + off, L"1100"); // shown, then hidden: each stored
    EXPECT_TRUE(preview.Handle() && GetWindow(preview.Handle(), GW_OWNER) == owner); // hidden, still loaded
    ASSERT_TRUE(preview.Toggle());
    SendMessageW(preview.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(std::tuple(told, !!preview.Handle(), preview.HasBitmap(), shown()), std::tuple(1, false, false, L"0"));
    // The next selection change loads it again, hidden.
    preview.DrawToolboxBitmap(Reference(L"1"));
    EXPECT_TRUE(preview.HasBitmap() && !preview.IsVisible());

    const std::wstring existing = folder.WriteFile(L"keep.bmp", "old contents");
    preview.SaveToolboxBitmap(owner, desktop, Reference(L"1")); // no scripted answer: the dialog is cancelled
    desktop.fileAnswers = {existing, existing, existing, folder.File(L"no\\such\\folder\\x.bmp")};
    for (const std::wstring& ref : {std::wstring(L"N/A"), Reference(L"9"), Reference(L"4"), Reference(L"1")})
        preview.SaveToolboxBitmap(owner, desktop, ref);
    EXPECT_EQ(testing::ReadFileBytes(existing), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "no new file, no left-over temporary";

    desktop.fileAnswers.push_back(folder.File(L"glyph.bmp"));
    preview.SaveToolboxBitmap(owner, desktop, Reference(L" 1"));
    ASSERT_EQ(desktop.fileDialogs.size(), 6u);
    EXPECT_EQ(desktop.fileDialogs[5].initialFolder, folder.Text());
    EXPECT_EQ(desktop.fileDialogs[5].owner, owner);
    GdiObject back(LoadImageW(nullptr, folder.File(L"glyph.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_TRUE(back);
    // No transparency processing: the magenta background is saved as magenta.
    EXPECT_EQ(std::tuple(PixelOf(back.Get(), 0, 14), PixelOf(back.Get(), 4, 3), PixelOf(back.Get(), 9, 5)),
              std::tuple(kMagenta, kRed, kYellow));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(InspectWindows, CompareFillsTheFirstBoxDisablesItsOwnerAndShowsTheRowsOfTwoFiles) {
    const std::wstring first = folder.WriteFile(L"first.ocx", std::string(1500, 'a'));
    const std::wstring second = folder.WriteFile(L"Second.OCX", std::string(1700, 'b'));
    frmCompare* window = frmCompare::Open(owner, desktop, first);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->Handle();
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(window->BoxText(0) + L"|" + window->BoxPath(0), L"first.ocx|" + first);
    // The boxes cannot be typed into: the name shown is always the file compared.
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(hwnd, IDC_COMPARE_TXTFILE0), GWL_STYLE) & ES_READONLY);
    desktop.fileAnswers = {L"0", second};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0); // cancelled: nothing changes
    EXPECT_FALSE(window->CompareEnabled() || !window->BoxText(1).empty());
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0);
    const FileDialogRequest& request = desktop.fileDialogs.at(0);
    EXPECT_EQ(request.title + L"|" + request.filter + L"|" + request.initialFolder,
              L"Open Compare File|ActiveX Controls (*.OCX)|*.ocx|ActiveX DLL's (*.DLL)|*.dll|" + SystemFolder());
    EXPECT_EQ(window->BoxText(1), L"Second.OCX");
    EXPECT_TRUE(window->CompareEnabled());

    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    std::wstring shown, expected; // "YES" is image 0, "NO" image 1
    for (const auto& row : window->Rows()) shown += row.element + L"|" + row.first + L"|" + row.second + L"|" + std::to_wstring(row.image) + L"\n";
    for (const auto& row : CompareFiles(L"first.ocx", first, L"Second.OCX", second))
        expected += row.element + L"|" + row.first + L"|" + row.second + (row.same ? L"|0\n" : L"|1\n");
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(shown.substr(0, shown.find(L"\nCreation")), L"Filename|FIRST.OCX|SECOND.OCX|1\nFile Size|1KB|2KB|1");
    SetWindowPos(hwnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(hwnd, &client);
    const RECT list = Place(hwnd, IDC_COMPARE_LVRESULTS);
    EXPECT_EQ(std::tuple(list.left, list.top, list.right - list.left, list.bottom - list.top),
              std::tuple(TwipsToPixelsX(45), TwipsToPixelsY(1440), client.right - TwipsToPixelsX(90),
                         client.bottom - TwipsToPixelsY(1500)));
    EXPECT_EQ(Place(hwnd, IDC_COMPARE_CMDCOMPARE).left, Place(hwnd, IDC_COMPARE_CMDCLOSE).left);

    // A file that went away: the message names the box's file; the list stays empty.
    DeleteFileW(second.c_str());
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    EXPECT_EQ(desktop.messages.at(0).title + L"|" + desktop.messages.at(0).text, L"Error|Second.OCX does not exist!");
    EXPECT_TRUE(window->Rows().empty());
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCLOSE, 0);
    EXPECT_TRUE(!IsWindow(hwnd) && IsWindowEnabled(owner));
    // An empty first box: comparing says so; the close box gives the owner back too.
    hwnd = frmCompare::Open(owner, desktop, L"")->Handle();
    desktop.fileAnswers = {first};
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDBROWSE1, 0);
    SendMessageW(hwnd, WM_COMMAND, IDC_COMPARE_CMDCOMPARE, 0);
    EXPECT_EQ(desktop.MessageTexts().back(), L" does not exist!");
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(InspectWindows, TheViewerListsTheReportExpandsImportsActsOnTheSelectedModuleAndFollowsTheSelectionWhileShown) {
    for (const wchar_t* name : {L"fixture_depserver.dll", L"fixture_dephelper.dll"})
        ASSERT_TRUE(CopyFileW(testing::FixturePath(name).c_str(), folder.File(name).c_str(), FALSE));
    const std::wstring server = folder.File(L"fixture_depserver.dll");
    frmDependency* viewer = frmDependency::Open(owner, desktop, server);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner)); // it follows the selection, so the owner stays usable
    EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - fixture_depserver.dll");
    EXPECT_EQ(viewer->RootTexts(), (Texts{L"DLL Dependencies", L"OCX Dependencies", L"Imported Modules"}));
    const DependencyReport report = BuildDependencyReport(server);
    Texts imports;
    int helper = -1;
    for (const auto& m : report.imports) {
        if (m.name == "fixture_dephelper.dll") helper = static_cast<int>(imports.size());
        imports.push_back(ImportNodeText(m));
    }
    EXPECT_EQ(viewer->ChildTexts(L"IMPORTS"), imports); // the mentioned names: notes.ocx below
    // The helper's own imports appear when it is expanded: velmoradep.dll is missing, in red.
    const Texts inner = viewer->ChildTexts(L"IMPORTS", {helper});
    const int leaf = static_cast<int>(std::find(inner.begin(), inner.end(), L"velmoradep.dll (not found)") - inner.begin());
    ASSERT_LT(leaf, static_cast<int>(inner.size()));
    EXPECT_TRUE(viewer->IsShownMissing(L"IMPORTS", {helper, leaf}));
    EXPECT_FALSE(viewer->IsShownMissing(L"IMPORTS", {helper}));

    // Toolbar: no selection and roots disable Properties and Explore; a child enables them.
    const auto buttons = [&](const std::wstring& root, std::vector<int> path) {
        viewer->Select(root, path);
        std::wstring state;
        for (int id : {IDC_DEP_OPEN, IDC_DEP_PROPERTIES, IDC_DEP_EXPLORE}) state += viewer->ButtonEnabled(id) ? L'1' : L'0';
        return state;
    };
    EXPECT_EQ((Texts{buttons(L"", {}), buttons(L"DLL", {}), buttons(L"IMPORTS", {helper})}), (Texts{L"100", L"100", L"111"}));
    EXPECT_EQ(viewer->ButtonTip(IDC_DEP_EXPLORE), L"Exploer File Location...");
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_PROPERTIES, 0);
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_EXPLORE, 0);
    viewer->Select(L"IMPORTS", {helper, leaf}); // a missing module falls back to the System folder
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_PROPERTIES, 0);
    std::wstring done;
    for (const auto& run : desktop.executions) done += ToLowerText(run.verb + L" " + run.file + L"\n");
    EXPECT_EQ(done, ToLowerText(L"properties " + folder.File(L"fixture_dephelper.dll") + L"\nexplore " + folder.Text() +
                                L"\\\nproperties " + SystemFolder() + L"velmoradep.dll\n"));

    const std::wstring text = folder.WriteFile(L"notes.ocx", "uses KERNEL32.dll, my_ctl.ocx and ole32.dll then kernel32.DLL");
    ASSERT_EQ(frmDependency::Open(owner, desktop, text), viewer) << "one viewer, showing another file";
    EXPECT_EQ(viewer->ChildTexts(L"DLL"), (Texts{L"ole32.dll", L"kernel32.dll"}));
    EXPECT_EQ(viewer->ChildTexts(L"OCX"), Texts{L"ctl.ocx"});
    EXPECT_TRUE(viewer->ChildTexts(L"IMPORTS").empty()); // not a PE image
    desktop.fileAnswers = {L"0"}; // cancelled: nothing changes
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_OPEN, 0);
    const FileDialogRequest& request = desktop.fileDialogs.at(0);
    EXPECT_EQ(request.defaultExt + L"|" + request.title + L"|" + request.filter,
              L"ocx|Open File|ActiveX Controls (*.ocx)|*.ocx|Dynamic Link Libraries (*.dll)|*.dll|Executables (*.exe)|*.exe");
    EXPECT_EQ(viewer->FileLabel(), text);
    // The selection moves to a control whose file is missing: the message, empty roots, the caption kept.
    frmDependency::FollowSelection(folder.File(L"gone.ocx"));
    EXPECT_EQ(desktop.MessageTexts(), Texts{L"gone.ocx does not exist!"});
    EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - notes.ocx");
    EXPECT_TRUE(viewer->ChildTexts(L"DLL").empty());
    EXPECT_FALSE(viewer->ButtonEnabled(IDC_DEP_PROPERTIES));
    // A hidden viewer does not follow; the open command shows the same one again.
    ShowWindow(viewer->Handle(), SW_HIDE);
    frmDependency::FollowSelection(text);
    EXPECT_TRUE(viewer->ChildTexts(L"DLL").empty());
    EXPECT_EQ(frmDependency::Open(owner, desktop, text), viewer);
    EXPECT_EQ(viewer->ChildTexts(L"OCX"), Texts{L"ctl.ocx"});
    const std::wstring x86 = testing::FixturePath(L"fixture_x86.dll");
    if (GetFileAttributesW(x86.c_str()) != INVALID_FILE_ATTRIBUTES) { // with the 32-bit compiler at hand
        frmDependency::FollowSelection(x86);
        EXPECT_EQ(viewer->Caption(), L"Dependency Viewer - fixture_x86.dll [32-bit x86 file, not loadable by the 64-bit Nivex]");
    }
    SendMessageW(viewer->Handle(), WM_COMMAND, IDC_DEP_CMDCLOSE, 0);
    EXPECT_EQ(frmDependency::Existing(), nullptr);
}

} // namespace
} // namespace nivex
