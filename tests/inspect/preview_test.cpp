#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/paths.h"
#include "common/window.h"
#include "inspect/bitmap_preview.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::FixturePath;
using testing::ReadFileBytes;
using testing::RegistrySandbox;
using testing::ScriptedDesktop;
using testing::TempFolder;

const wchar_t* const kRanMarker = L"NIVEX_PREVIEW_FIXTURE_RAN";

std::wstring Fixture() {
    return FixturePath(L"preview_fixture.dll");
}
std::wstring Reference(const std::wstring& id) {
    return Fixture() + L"," + id;
}

bool FixtureCodeRan() {
    return GetEnvironmentVariableW(kRanMarker, nullptr, 0) != 0;
}

// Pixels of the 16x15 glyph (x, y from the top): magenta background, blue frame, red diagonal, yellow dot.
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 0, 160);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kYellow = RGB(255, 220, 0);

TEST(ToolboxBitmapReference, SplitsAtCommasAndReadsTheNumber) {
    auto ref = ParseToolboxBitmapRef(L"C:\\a b\\x.ocx, 1");
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->module, L"C:\\a b\\x.ocx");
    EXPECT_EQ(ref->resourceId, 1);
    EXPECT_EQ(ParseToolboxBitmapRef(L"x.ocx,1")->resourceId, 1);
    EXPECT_EQ(ParseToolboxBitmapRef(L"x.ocx,\t 12 ,ignored,too")->resourceId, 12);
    EXPECT_EQ(ParseToolboxBitmapRef(L"x.ocx,&H10")->resourceId, 16);
    EXPECT_EQ(ParseToolboxBitmapRef(L"x.ocx,-3")->resourceId, -3);
    EXPECT_EQ(ParseToolboxBitmapRef(L"x.ocx,2147483647")->resourceId, 2147483647);
    // The path is used as it stands: blanks and quotes stay.
    EXPECT_EQ(ParseToolboxBitmapRef(L" \"x.ocx\" ,1")->module, L" \"x.ocx\" ");

    for (const wchar_t* bad :
         {L"N/A", L"", L"x.ocx", L"x.ocx,", L"x.ocx,  ", L"x.ocx,one", L"x.ocx,1.5", L"x.ocx,2147483648",
          L"x.ocx,99999999999999999999", L"x.ocx,&H", L"x.ocx,&H1G", L"x.ocx,&H123456789", L"x.ocx,-", L"x.ocx,1 2"}) {
        EXPECT_FALSE(ParseToolboxBitmapRef(bad)) << ::testing::internal::String::ShowWideCString(bad);
    }
}

TEST(ToolboxBitmapLoad, ReadsTheResourceWithoutRunningTheServer) {
    SetEnvironmentVariableW(kRanMarker, nullptr);
    GdiObject bitmap = LoadToolboxBitmap({Fixture(), 1});
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bitmap.Get(), sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 15);
    EXPECT_FALSE(FixtureCodeRan());
    EXPECT_FALSE(GetModuleHandleW(L"preview_fixture.dll"));

    // The marker works: loading the server as a program module does run its code.
    HMODULE loaded = LoadLibraryW(Fixture().c_str());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(FixtureCodeRan());
    FreeLibrary(loaded);
    SetEnvironmentVariableW(kRanMarker, nullptr);
}

COLORREF PixelOf(HGDIOBJ bitmap, int x, int y) {
    HDC screen = GetDC(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc.Get(), bitmap);
    const COLORREF colour = GetPixel(dc.Get(), x, y);
    SelectObject(dc.Get(), old);
    return colour;
}

TEST(ToolboxBitmapLoad, OlderAndTopDownLayoutsAreRead) {
    GdiObject core = LoadToolboxBitmap({Fixture(), 6});
    ASSERT_TRUE(core);
    EXPECT_EQ(PixelOf(core.Get(), 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(core.Get(), 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(core.Get(), 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(core.Get(), 1, 1), RGB(255, 0, 0));
    GdiObject masked = LoadToolboxBitmap({Fixture(), 7});
    ASSERT_TRUE(masked);
    EXPECT_EQ(PixelOf(masked.Get(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(masked.Get(), 1, 0), RGB(0, 0, 255));
}

TEST(ToolboxBitmapLoad, NoBitmapForAnythingElse) {
    GdiObject palette = LoadToolboxBitmap({Fixture(), 2});
    EXPECT_TRUE(palette);
    for (long id : {3L, 4L, 5L, 9L, 0L, -1L, 65536L})
        EXPECT_FALSE(LoadToolboxBitmap({Fixture(), id})) << id;
    EXPECT_FALSE(LoadToolboxBitmap({L"C:\\no\\such\\server.ocx", 1}));
    EXPECT_FALSE(LoadToolboxBitmap({L"\"" + Fixture() + L"\"", 1}));
    EXPECT_FALSE(LoadToolboxBitmap({L"", 1}));
    EXPECT_FALSE(LoadToolboxBitmap({Fixture() + std::wstring(1, L'\0') + L"x", 1}));
}

// The colour depth recorded in a saved .bmp file's header.
int SavedBitCount(const std::string& bytes) {
    std::uint16_t bits = 0;
    if (bytes.size() >= 30 && bytes[0] == 'B' && bytes[1] == 'M') std::memcpy(&bits, bytes.data() + 28, 2);
    return bits;
}

int DisplayDepth() {
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return depth;
}

// The preview window is one per process: every test starts without it and with a scratch registry.
class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        SetProgramFolder(folder.Text());
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NivexPreviewTestOwner";
        RegisterClassW(&wc); // fails harmlessly when a previous test registered it
        owner = CreateWindowExW(0, L"NivexPreviewTestOwner", L"Owner", WS_OVERLAPPEDWINDOW, 100, 80, 700, 500, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(owner);
    }
    void TearDown() override {
        Reset();
        if (owner) DestroyWindow(owner);
    }
    static void Reset() {
        BitmapPreview& preview = BitmapPreview::Instance();
        if (preview.Handle()) DestroyWindow(preview.Handle());
        preview.SetOwner(nullptr);
        preview.SetClosedByUser(nullptr);
    }
    BitmapPreview& preview = BitmapPreview::Instance();
    RegistrySandbox sandbox;
    ScriptedDesktop desktop;
    TempFolder folder;
    HWND owner = nullptr;
};

TEST_F(Preview, DrawsTheBitmapCentredOnButtonFaceWithoutShowingTheWindow) {
    SetEnvironmentVariableW(kRanMarker, nullptr);
    preview.SetOwner(owner);
    preview.DrawToolboxBitmap(Fixture() + L", 1");
    ASSERT_TRUE(preview.Handle());
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_FALSE(FixtureCodeRan());
    EXPECT_TRUE(preview.HasBitmap());
    EXPECT_EQ(preview.LabelText(), L"16x15");

    const RECT box = preview.BoxRect();
    const RECT frame = preview.FrameRect();
    EXPECT_EQ(box.right - box.left, 16);
    EXPECT_EQ(box.bottom - box.top, 15);
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    EXPECT_EQ(box.left, frame.left + frameWidth / 2 - 8);
    EXPECT_EQ(box.top, frame.top + frameHeight / 2 - 7);

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(preview.BoxPixel(0, 14), face); // the transparent colour itself
    EXPECT_EQ(preview.BoxPixel(0, 0), face);
    EXPECT_EQ(preview.BoxPixel(7, 7), face);
    EXPECT_EQ(preview.BoxPixel(2, 2), kBlue);
    EXPECT_EQ(preview.BoxPixel(4, 3), kRed);
    EXPECT_EQ(preview.BoxPixel(9, 5), kYellow);
    EXPECT_EQ(preview.BoxPixel(16, 0), CLR_INVALID);

    // Placed against the main window's right edge, 500 twips below its top.
    RECT main{}, own{};
    GetWindowRect(owner, &main);
    GetWindowRect(preview.Handle(), &own);
    EXPECT_EQ(own.right, main.right);
    EXPECT_EQ(own.top, main.top + TwipsToPixelsY(500));

    // Without the blank the result is the same.
    preview.DrawToolboxBitmap(Fixture() + L",1");
    EXPECT_EQ(preview.LabelText(), L"16x15");
    EXPECT_EQ(preview.BoxPixel(4, 3), kRed);
}

TEST_F(Preview, MissingBitmapsSayNotAvailableAndNoReferenceKeepsTheLabel) {
    preview.DrawToolboxBitmap(Reference(L"2"));
    EXPECT_EQ(preview.LabelText(), L"16x16");
    EXPECT_TRUE(preview.HasBitmap());

    preview.DrawToolboxBitmap(L"N/A"); // a control without a ToolboxBitmap32 key
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(preview.LabelText(), L"16x16");
    preview.DrawToolboxBitmap(Reference(L"x"));
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(preview.LabelText(), L"16x16");

    for (const std::wstring& ref : {Reference(L"9"), Reference(L"4"), Reference(L"3"), std::wstring(L"C:\\none.ocx,1"),
                                    L"\"" + Fixture() + L"\",1"}) {
        preview.DrawToolboxBitmap(Reference(L"1"));
        ASSERT_TRUE(preview.HasBitmap());
        preview.DrawToolboxBitmap(ref);
        EXPECT_FALSE(preview.HasBitmap());
        EXPECT_EQ(preview.LabelText(), L"N/A");
        EXPECT_EQ(preview.BoxPixel(0, 0), CLR_INVALID);
    }
}

TEST_F(Preview, ToggleShowsHidesAndStoresTheState) {
    preview.SetOwner(owner);
    ShowWindow(owner, SW_SHOW);
    preview.DrawToolboxBitmap(Reference(L"1"));
    EXPECT_TRUE(preview.Toggle());
    EXPECT_TRUE(preview.IsVisible());
    EXPECT_EQ(GetSetting(L"Appearence", L"ShowToolboxPreview", L""), L"1");
    EXPECT_EQ(preview.LabelText(), L"16x15");
    EXPECT_EQ(GetWindow(preview.Handle(), GW_OWNER), owner);

    EXPECT_FALSE(preview.Toggle());
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_TRUE(preview.Handle()); // hidden, still loaded and still drawn on selection changes
    EXPECT_EQ(GetSetting(L"Appearence", L"ShowToolboxPreview", L""), L"0");
    preview.DrawToolboxBitmap(Reference(L"2"));
    EXPECT_EQ(preview.LabelText(), L"16x16");
}

TEST_F(Preview, CloseBoxHidesStoresZeroTellsTheOwnerAndUnloads) {
    preview.SetOwner(owner);
    int told = 0;
    preview.SetClosedByUser([&] { ++told; });
    preview.DrawToolboxBitmap(Reference(L"1"));
    ASSERT_TRUE(preview.Toggle());
    SendMessageW(preview.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(preview.Handle());
    EXPECT_FALSE(preview.HasBitmap());
    EXPECT_EQ(GetSetting(L"Appearence", L"ShowToolboxPreview", L""), L"0");

    // The next selection change loads it again, hidden.
    preview.DrawToolboxBitmap(Reference(L"1"));
    ASSERT_TRUE(preview.Handle());
    EXPECT_FALSE(preview.IsVisible());
    EXPECT_TRUE(preview.HasBitmap());
    // Shown again (as start-up does), it still shows the last bitmap.
    preview.SetVisible(true);
    EXPECT_TRUE(preview.IsVisible());
    EXPECT_EQ(preview.LabelText(), L"16x15");
}

TEST_F(Preview, SaveWritesTheBitmapAsTheResourceHoldsIt) {
    const std::wstring path = folder.File(L"glyph.bmp");
    desktop.fileAnswers.push_back(path);
    preview.SaveToolboxBitmap(owner, Reference(L" 1"));
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    EXPECT_EQ(desktop.fileDialogs[0].title, L"Save File As");
    EXPECT_EQ(desktop.fileDialogs[0].filter, L"Bitmap Image (*.bmp)|*.bmp");
    EXPECT_EQ(desktop.fileDialogs[0].defaultExt, L"bmp");
    EXPECT_EQ(desktop.fileDialogs[0].initialFolder, folder.Text());
    EXPECT_EQ(desktop.fileDialogs[0].owner, owner);

    const int depth = DisplayDepth();
    EXPECT_EQ(SavedBitCount(ReadFileBytes(std::filesystem::path(path))),
              depth == 16 || depth == 24 || depth == 32 ? depth : 24);
    GdiObject back(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_TRUE(back);
    BITMAP info{};
    GetObjectW(back.Get(), sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 15);
    // No transparency processing: the magenta background is saved as magenta.
    EXPECT_EQ(PixelOf(back.Get(), 0, 14), kMagenta);
    EXPECT_EQ(PixelOf(back.Get(), 7, 7), kMagenta);
    EXPECT_EQ(PixelOf(back.Get(), 2, 2), kBlue);
    EXPECT_EQ(PixelOf(back.Get(), 4, 3), kRed);
    EXPECT_EQ(PixelOf(back.Get(), 9, 5), kYellow);
}

TEST_F(Preview, SaveWritesNothingWhenCancelledOrWithoutABitmap) {
    preview.SaveToolboxBitmap(owner, Reference(L"1")); // no scripted answer: the dialog is cancelled
    EXPECT_EQ(desktop.fileDialogs.size(), 1u);

    desktop.fileAnswers.push_back(folder.File(L"no\\such\\folder\\x.bmp"));
    preview.SaveToolboxBitmap(owner, Reference(L"1"));

    const std::wstring existing = folder.WriteFile(L"keep.bmp", "old contents");
    for (const std::wstring& ref : {std::wstring(L"N/A"), Reference(L"9"), Reference(L"4"), Reference(L"bad")}) {
        desktop.fileAnswers.push_back(folder.File(L"new.bmp"));
        preview.SaveToolboxBitmap(owner, ref);
        desktop.fileAnswers.push_back(existing);
        preview.SaveToolboxBitmap(owner, ref);
    }
    EXPECT_EQ(ReadFileBytes(std::filesystem::path(existing)), "old contents");
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u); // no new file, no left-over temporary
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
} // namespace nivex
