#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/window.h"
#include "inspect/bitmap_preview.h"
#include "catalogue/details_loader.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::ReadFileBytes;
using testing::SetRegString;
using Texts = std::vector<std::wstring>;

const std::wstring kLib = L"{5A1B0000-0000-4000-8000-00000000AAAA}";
const std::wstring kFirst = L"{5A1B0000-0000-4000-8000-000000000001}";
const std::wstring kSecond = L"{5A1B0000-0000-4000-8000-000000000002}";

std::wstring ClassPath(const std::wstring& id, const std::wstring& sub = L"") {
    return L"CLSID\\" + id + (sub.empty() ? L"" : L"\\" + sub);
}

// "element=data" of each row, in order.
Texts Rows(const std::vector<DetailRow>& rows) {
    Texts out;
    for (const auto& row : rows)
        out.push_back(row.element + L"=" + row.data);
    return out;
}

// A sandboxed registry and a catalogue with one library of two controls; the first control's server
// path is chosen per test.
class DetailsPanel : public ::testing::Test {
protected:
    void SetUp() override {
        SetOsIsMajor5(false);
        SetSystemFolder(system.Text());
        for (const std::wstring& id : {kFirst, kSecond}) {
            ControlRecord record;
            record.DisplayName = id == kFirst ? L"First Control" : L"Second Control";
            record.ClassId = id;
            record.TypeLibId = kLib;
            record.Status = kStatusRegistered;
            catalogue.AddControlToList(record);
            SetRegString(HKEY_CLASSES_ROOT, ClassPath(id), L"", record.DisplayName);
        }
        for (const auto& [sub, value] :
             {std::pair{L"Version", L"2.1"}, std::pair{L"ProgID", L"Sample.First.2"},
              std::pair{L"TypeLib", kLib.c_str()}, std::pair{L"ToolboxBitmap32", L"C:\\x\\first.ocx, 1"}})
            SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, sub), L"", value);
    }
    void TearDown() override {
        SetOsIsMajor5(false);
        SetSystemFolder(L"");
        SetSizeTextReader(nullptr);
    }
    void SetServer(const std::wstring& path) {
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"InProcServer32"), L"", path);
    }
    ControlDetails Load(const std::wstring& id = kFirst, int tree = Catalogue::kAll) {
        int node = catalogue.Tree(tree).FindByKey(id);
        return LoadInformation(catalogue, tree, node, nullptr, desktop);
    }

    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    testing::TempFolder system;
    Catalogue catalogue;
};

TEST_F(DetailsPanel, ALibraryNodeShowsItsFirstControlWithEveryRowInOrder) {
    const std::wstring path = folder.WriteFile(L"first.ocx", std::string(1536, 'x'));
    SetServer(path);
    int node = catalogue.FindNodeByKey(kLib);
    const ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr, desktop);
    EXPECT_EQ(node, catalogue.FindNodeByKey(kFirst));
    EXPECT_EQ(Rows(details.control),
              (Texts{L"Control Name=First Control", L"Version=2.1", L"Status=" + std::wstring(kStatusRegistered),
                     L"CLSID=" + kFirst, L"ProgID=Sample.First.2", L"TypeLib=" + kLib,
                     L"Toolbox Bitmap=C:\\x\\first.ocx, 1"}));
    EXPECT_TRUE(details.toolboxBitmapReached);
    EXPECT_EQ(details.toolboxBitmap, L"C:\\x\\first.ocx, 1");
    Texts rows = Rows(details.file);
    ASSERT_EQ(rows.size(), 8u);
    rows.erase(rows.begin() + 2, rows.begin() + 5); // the dates, which vary
    // A plain file has no version resource: the version rows are empty.
    EXPECT_EQ(rows, (Texts{L"Filename=" + path, L"Size=2 KB", L"Description=", L"File Version=", L"Copyright="}));
    EXPECT_TRUE(details.complete);
    EXPECT_EQ(details.selection.resolvedPath, path);
    int invalid = 999;
    EXPECT_TRUE(LoadInformation(catalogue, Catalogue::kAll, invalid, nullptr, desktop).control.empty());
}

TEST_F(DetailsPanel, MissingKeysReadNotAvailableAndKeysWithoutValueReadEmpty) {
    SetRegString(HKEY_CLASSES_ROOT, ClassPath(kSecond, L"Version"), L"Other", L"not the default");
    const ControlDetails details = Load(kSecond);
    EXPECT_EQ(Rows(details.control),
              (Texts{L"Control Name=Second Control", L"Version=", L"Status=" + std::wstring(kStatusRegistered),
                     L"CLSID=" + kSecond, L"ProgID=N/A", L"TypeLib=N/A", L"Toolbox Bitmap=N/A"}));
    // Without an InProcServer32 key the file rows say so.
    EXPECT_EQ(Rows(details.file), (Texts{L"Filename=N/A", L"Size=N/A", L"Created=Unknown", L"Accessed=Unknown",
                                         L"Modified=Unknown", L"Description=", L"File Version=", L"Copyright="}));
    EXPECT_TRUE(details.complete);

    // Another pseudo-name is a sub-key name like any other.
    SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L".Other"), L"", L"dotted");
    EXPECT_EQ(GetControlRegValue(catalogue, kFirst, L".Other", OwnView()), L"dotted");
}

TEST_F(DetailsPanel, WithoutALibraryNodeTheLoadEndsSilentlyAfterVersion) {
    const std::wstring lone = L"{5A1B0000-0000-4000-8000-0000000000CC}";
    catalogue.Tree(Catalogue::kAll).Add(L"", lone, L"Lone", L"tag", kImageDefault);
    const ControlDetails details = Load(lone);
    EXPECT_EQ(Rows(details.control), (Texts{L"Control Name=N/A", L"Version=N/A"}));
    EXPECT_FALSE(details.complete);
    EXPECT_FALSE(details.toolboxBitmapReached);
    EXPECT_THROW(GetControlRegValue(catalogue, L"{unknown}", L".Status", OwnView()), Error);
}

TEST_F(DetailsPanel, ABareOrQuotedNameIsLookedUpInTheSystemFolderOnVersion5OnlyAndAHiddenServerHasNoSize) {
    const std::wstring inSystem = system.WriteFile(L"bare.ocx", std::string(3000, 'y'));
    SetServer(L"bare.ocx");
    SetOsIsMajor5(true);
    ControlDetails details = Load();
    EXPECT_EQ(Rows(details.file).at(0), L"Filename=bare.ocx");
    EXPECT_EQ(Rows(details.file).at(1), L"Size=3 KB");
    EXPECT_EQ(details.selection.resolvedPath, inSystem);

    const std::wstring quoted = L"\"" + folder.WriteFile(L"q.ocx", "q") + L"\"";
    SetServer(quoted);
    EXPECT_EQ(Load().selection.resolvedPath, SystemFolder() + quoted); // the drive's colon is not second

    SetOsIsMajor5(false);
    SetServer(L"bare.ocx");
    details = Load();
    EXPECT_EQ(details.selection.resolvedPath, L"bare.ocx");
    EXPECT_EQ(Rows(details.file).at(1), L"Size=N/A");

    // A hidden server has no size, but its dates.
    const std::wstring hidden = folder.WriteFile(L"hidden.ocx", std::string(1536, 'h'));
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    SetServer(hidden);
    details = Load();
    EXPECT_EQ(Rows(details.file).at(1), L"Size=N/A");
    EXPECT_NE(Rows(details.file).at(4), L"Modified=Unknown");
}

TEST_F(DetailsPanel, AFileThatVanishesAfterTheExistenceTestIsReportedAsError53) {
    const std::wstring path = folder.WriteFile(L"gone.ocx", std::string(10, 'g'));
    SetServer(path);
    SetSizeTextReader([](const std::wstring&) -> std::wstring { throw Error(53, L"test", L"File not found"); });
    const ControlDetails details = Load();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Error in LoadInformation(): File not found.\r\n" + path);
    EXPECT_EQ(desktop.messages[0].title, L"Error Number 53");
    // The rows so far stay; nothing after them, and the status panel is left alone.
    EXPECT_EQ(details.control.size(), 7u);
    EXPECT_EQ(Rows(details.file), Texts{L"Filename=" + path});
    EXPECT_FALSE(details.complete);
    EXPECT_TRUE(details.selection.resolvedPath.empty());

    // Any other failure ends the load without a word.
    SetSizeTextReader([](const std::wstring&) -> std::wstring { throw Error(5, L"test", L"Invalid call"); });
    EXPECT_FALSE(Load().complete);
    EXPECT_EQ(desktop.messages.size(), 1u);
}

// The toolbox bitmap preview.
const wchar_t* const kRanMarker = L"NIVEX_PREVIEW_FIXTURE_RAN";

std::wstring Fixture() {
    return testing::FixturePath(L"preview_fixture.dll");
}
std::wstring Reference(const std::wstring& id) {
    return Fixture() + L"," + id;
}
bool FixtureCodeRan() {
    return GetEnvironmentVariableW(kRanMarker, nullptr, 0) != 0;
}

// Pixels of the 16x15 glyph (x, y from the top): magenta background, blue frame, red diagonal, yellow dot.
constexpr COLORREF kMagenta = RGB(255, 0, 255), kBlue = RGB(0, 0, 160), kRed = RGB(200, 0, 0),
                   kYellow = RGB(255, 220, 0);

COLORREF PixelOf(HGDIOBJ bitmap, int x, int y) {
    HDC screen = GetDC(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc.Get(), bitmap);
    const COLORREF colour = GetPixel(dc.Get(), x, y);
    SelectObject(dc.Get(), old);
    return colour;
}

TEST(ToolboxBitmapLoad, ReadsEveryLayoutWithoutRunningTheServerAndNothingElse) {
    SetEnvironmentVariableW(kRanMarker, nullptr);
    EXPECT_TRUE(LoadToolboxBitmap({Fixture(), 1}));
    EXPECT_FALSE(FixtureCodeRan());
    EXPECT_FALSE(GetModuleHandleW(L"preview_fixture.dll"));
    // The marker works: loading the server as a program module does run its code.
    EXPECT_TRUE(Module(LoadLibraryW(Fixture().c_str())));
    EXPECT_TRUE(FixtureCodeRan());
    SetEnvironmentVariableW(kRanMarker, nullptr);

    // The rewritten header draws as the resource's own would: an 8-bit palette, an old-style header, and
    // top-down rows with colour masks (red, blue). The checks themselves are tested natively.
    EXPECT_TRUE(LoadToolboxBitmap({Fixture(), 2}));
    GdiObject core = LoadToolboxBitmap({Fixture(), 6});    // green, white over blue, red
    GdiObject topDown = LoadToolboxBitmap({Fixture(), 7}); // red, blue
    ASSERT_TRUE(core && topDown);
    EXPECT_EQ(PixelOf(core.Get(), 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(core.Get(), 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(topDown.Get(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(topDown.Get(), 1, 0), RGB(0, 0, 255));
    // 3 is no bitmap, 4 claims more pixels than it holds, 9 does not exist.
    for (long id : {3L, 4L, 9L, 0L, -1L, 65536L})
        EXPECT_FALSE(LoadToolboxBitmap({Fixture(), id})) << id;
    for (const std::wstring& module : {std::wstring(L"C:\\no\\such\\server.ocx"), L"\"" + Fixture() + L"\"",
                                       std::wstring(), Fixture() + std::wstring(1, L'\0') + L"x"})
        EXPECT_FALSE(LoadToolboxBitmap({module, 1})) << ::testing::PrintToString(module);
}

// The preview window is one per process: every test starts without it and with a scratch registry.
class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        SetProgramFolder(folder.Text());
        owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 100, 80, 700, 500, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_TRUE(owner);
        preview.SetOwner(owner);
    }
    void TearDown() override {
        Reset();
        DestroyWindow(owner);
    }
    void Reset() {
        if (preview.Handle()) DestroyWindow(preview.Handle());
        preview.SetOwner(nullptr);
        preview.SetClosedByUser(nullptr);
    }
    std::wstring Shown() const { return GetSetting(L"Appearence", L"ShowToolboxPreview", L""); }

    BitmapPreview& preview = BitmapPreview::Instance();
    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    HWND owner = nullptr;
};

TEST_F(Preview, DrawsTheBitmapCentredOnButtonFaceWithoutShowingTheWindowOrSaysNotAvailable) {
    preview.DrawToolboxBitmap(Fixture() + L", 1");
    ASSERT_TRUE(preview.Handle());
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_EQ(preview.LabelText(), L"16x15");

    const RECT box = preview.BoxRect(), frame = preview.FrameRect();
    const int left = frame.left + (frame.right - frame.left) / 2 - 8,
              top = frame.top + (frame.bottom - frame.top) / 2 - 7;
    EXPECT_EQ(std::tuple(box.left, box.top, box.right, box.bottom), std::tuple(left, top, left + 16, top + 15));
    // The bottom-left pixel's colour shows the button face.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::pair<POINT, COLORREF> pixels[] = {{{0, 14}, face}, {{7, 7}, face},    {{2, 2}, kBlue},
                                                 {{4, 3}, kRed},  {{9, 5}, kYellow}, {{16, 0}, CLR_INVALID}};
    for (const auto& [at, colour] : pixels)
        EXPECT_EQ(preview.BoxPixel(at.x, at.y), colour) << at.x << "," << at.y;

    // Placed against the main window's right edge, 500 twips below its top.
    RECT main{}, own{};
    GetWindowRect(owner, &main);
    GetWindowRect(preview.Handle(), &own);
    EXPECT_EQ(own.right, main.right);
    EXPECT_EQ(own.top, main.top + TwipsToPixelsY(500));

    preview.DrawToolboxBitmap(L"N/A"); // no reference: the box is cleared, the label stays
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(preview.LabelText(), L"16x15");
    preview.DrawToolboxBitmap(Reference(L"9")); // a reference to no bitmap says so
    EXPECT_EQ(preview.LabelText(), L"N/A");
}

TEST_F(Preview, ToggleAndTheCloseBoxStoreTheStateAndTheCloseBoxUnloads) {
    int told = 0;
    preview.SetClosedByUser([&] { ++told; });
    preview.DrawToolboxBitmap(Reference(L"1"));
    EXPECT_TRUE(preview.Toggle());
    EXPECT_EQ(Shown(), L"1");
    EXPECT_EQ(GetWindow(preview.Handle(), GW_OWNER), owner);
    EXPECT_FALSE(preview.Toggle());
    EXPECT_TRUE(preview.Handle()); // hidden, still loaded
    EXPECT_EQ(Shown(), L"0");

    ASSERT_TRUE(preview.Toggle());
    SendMessageW(preview.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(preview.Handle());
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(Shown(), L"0");
    // The next selection change loads it again, hidden.
    preview.DrawToolboxBitmap(Reference(L"1"));
    EXPECT_TRUE(preview.HasBitmap());
    EXPECT_FALSE(preview.IsVisible());
}

TEST_F(Preview, SaveWritesTheBitmapAsTheResourceHoldsIt) {
    const std::wstring path = folder.File(L"glyph.bmp");
    desktop.fileAnswers.push_back(path);
    preview.SaveToolboxBitmap(owner, desktop, Reference(L" 1"));
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].initialFolder, folder.Text());
    EXPECT_EQ(desktop.fileDialogs[0].owner, owner);

    GdiObject back(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_TRUE(back);
    // No transparency processing: the magenta background is saved as magenta.
    EXPECT_EQ(PixelOf(back.Get(), 0, 14), kMagenta);
    EXPECT_EQ(PixelOf(back.Get(), 4, 3), kRed);
    EXPECT_EQ(PixelOf(back.Get(), 9, 5), kYellow);
}

TEST_F(Preview, SaveWritesNothingWhenCancelledOrWithoutABitmap) {
    preview.SaveToolboxBitmap(owner, desktop, Reference(L"1")); // no scripted answer: the dialog is cancelled
    const std::wstring existing = folder.WriteFile(L"keep.bmp", "old contents");
    for (const std::wstring& ref : {std::wstring(L"N/A"), Reference(L"9"), Reference(L"4")}) {
        desktop.fileAnswers.push_back(existing);
        preview.SaveToolboxBitmap(owner, desktop, ref);
    }
    desktop.fileAnswers.push_back(folder.File(L"no\\such\\folder\\x.bmp"));
    preview.SaveToolboxBitmap(owner, desktop, Reference(L"1"));
    EXPECT_EQ(desktop.fileDialogs.size(), 5u);
    EXPECT_EQ(ReadFileBytes(std::filesystem::path(existing)), "old contents");
    // No new file, no left-over temporary.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
} // namespace nivex
