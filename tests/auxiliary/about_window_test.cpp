// frmAbout: its texts, the links and the licence through the desktop, its owner, the hand pointer.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "auxiliary/about_text.h"
#include "auxiliary/about_window.h"
#include "auxiliary/auxiliary_resource.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "nivex_version.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using ui::ItemText;

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(L"C:\\Program Files\\Nivex"); }
    void TearDown() override {
        TheAboutWindow().Close();
        if (owner) DestroyWindow(owner);
    }
    void Click(int id, WORD code = BN_CLICKED) {
        SendMessageW(TheAboutWindow().Handle(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(TheAboutWindow().Handle(), id)));
    }

    testing::ScriptedDesktop desktop;
    HWND owner = nullptr;
};

TEST_F(AboutWindowTest, ShowsTheProgramItsVersionAndTheMaker) {
    HWND about = TheAboutWindow().Open(nullptr, desktop);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ui::WindowText(about), L"About Nivex");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLAPP), L"Velmora Control Manager");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLVERSION),
              AboutVersionLine(NIVEX_VERSION_MAJOR, NIVEX_VERSION_MINOR, NIVEX_VERSION_REVISION));
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLVERSION).rfind(L"Version ", 0), 0u);
    const std::wstring slogan = ItemText(about, IDC_ABOUT_LABEL1);
    ASSERT_GE(slogan.size(), 3u);
    EXPECT_EQ(slogan.front(), L'"');
    EXPECT_EQ(slogan.back(), L'"');
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLMAKER), MakerLine(NIVEX_COPYRIGHT_YEAR)) << "the build's year, as License.txt's";
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLEMAIL), L"nivex@velmora.example");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LBLWEB), L"https://velmora.example/nivex");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_CMDLICENSE), L"&License");
    EXPECT_EQ(ItemText(about, IDOK), L"O&K");
    EXPECT_TRUE(SendDlgItemMessageW(about, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    // One box: asking again brings the same one forward.
    EXPECT_EQ(TheAboutWindow().Open(nullptr, desktop), about);
    Click(IDOK);
    EXPECT_EQ(TheAboutWindow().Handle(), nullptr);
}

TEST_F(AboutWindowTest, LinksAndLicenceOpenThroughTheShellOwnedByTheBox) {
    HWND about = TheAboutWindow().Open(nullptr, desktop);
    ASSERT_NE(about, nullptr);
    Click(IDC_ABOUT_LBLEMAIL, STN_CLICKED);
    Click(IDC_ABOUT_LBLWEB, STN_CLICKED);
    Click(IDC_ABOUT_CMDLICENSE);
    ASSERT_EQ(desktop.executions.size(), 3u);
    EXPECT_EQ(desktop.executions[0].verb, L"open");
    EXPECT_EQ(desktop.executions[0].file, L"mailto:nivex@velmora.example");
    EXPECT_EQ(desktop.executions[1].file, L"https://velmora.example/nivex");
    EXPECT_EQ(desktop.executions[2].file, L"C:\\Program Files\\Nivex\\License.txt");
    EXPECT_TRUE(desktop.messages.empty());

    SetProgramFolder(L"D:\\"); // a drive root: one backslash
    desktop.executeResult = 2; // ERROR_FILE_NOT_FOUND from the shell
    Click(IDC_ABOUT_CMDLICENSE);
    EXPECT_EQ(desktop.executions.back().file, L"D:\\License.txt");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to open D:\\License.txt");
}

TEST_F(AboutWindowTest, OwnedByTheMainWindowFromTheMenuAndByNobodyFromTheTray) {
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    HWND about = TheAboutWindow().Open(owner, desktop);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), owner);
    EXPECT_TRUE(IsWindowVisible(about));
    TheAboutWindow().Close();
    about = TheAboutWindow().Open(nullptr, desktop);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);
}

TEST_F(AboutWindowTest, TheLinksShowTheHandPointer) {
    HWND about = TheAboutWindow().Open(nullptr, desktop);
    ASSERT_NE(about, nullptr);
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    for (int id : {IDC_ABOUT_LBLEMAIL, IDC_ABOUT_LBLWEB}) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        EXPECT_TRUE(SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(about, id)),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        EXPECT_EQ(GetCursor(), hand) << id;
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(about, IDC_ABOUT_LBLMAKER)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hand);
}

} // namespace
} // namespace nivex
