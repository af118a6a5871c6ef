// frmTip over a sandboxed settings store and a tips file of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <deque>
#include <string>

#include "auxiliary/auxiliary_resource.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/tip_window.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "registry/settings.h"
#include "support/recording_help_viewer.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

class TipWindowTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(folder.Text()); }
    void TearDown() override { tip.Close(); }

    // Opens the window with random numbers taken in order (0 when they run out).
    HWND Open(std::deque<double> randoms = {}) {
        random = std::move(randoms);
        tip.SetRandomSource([this] {
            if (random.empty()) return 0.0;
            const double r = random.front();
            random.pop_front();
            return r;
        });
        return tip.Open(nullptr, desktop);
    }
    void Click(int id) { SendMessageW(tip.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    std::wstring StoredOption() { return GetSetting(kSectionOptions, kKeyTipOfTheDay, L"(absent)"); }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    testing::ScriptedDesktop desktop;
    TipWindow tip;
    std::deque<double> random;
};

TEST_F(TipWindowTest, ShowsARandomTipOfTheFileBesideTheProgramAndAnotherOnNextTip) {
    folder.WriteFile(L"nivex_10.tod", "Alpha tip\r\nBeta tip\r\n\r\nDelta tip & more for %BITS-bit\r\n");
    ASSERT_NE(Open({0.3, 0.99, 0.5}), nullptr);
    EXPECT_EQ(ui::WindowText(tip.Handle()), L"Tip of the Day");
    EXPECT_EQ(tip.Tips().Count(), 4u);
    EXPECT_EQ(tip.TipText(), L"Beta tip"); // 0.3 * 4 + 1 = tip 2
    Click(IDC_TIP_CMDNEXTTIP);
    EXPECT_EQ(tip.TipText(), L"Delta tip & more for " + std::to_wstring(sizeof(void*) * 8) + L"-bit");
    Click(IDC_TIP_CMDNEXTTIP);
    EXPECT_EQ(tip.TipText(), L""); // the empty line is a tip of its own
    EXPECT_EQ(IsDlgButtonChecked(tip.Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(StoredOption(), L"1"); // ticking the box at load stores it again
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(TipWindowTest, AcceptsEveryLineEndAndTextEncoding) {
    for (const std::string& bytes : {std::string("One\nTwo\n"), std::string("One\rTwo\r"),
                                     std::string("\xEF\xBB\xBFOne\r\nTwo")}) {
        folder.WriteFile(L"nivex_10.tod", bytes);
        ASSERT_NE(Open({0.0, 0.6}), nullptr);
        EXPECT_EQ(tip.Tips().Count(), 2u);
        EXPECT_EQ(tip.TipText(), L"One");
        Click(IDC_TIP_CMDNEXTTIP);
        EXPECT_EQ(tip.TipText(), L"Two");
        tip.Close();
    }
}

TEST_F(TipWindowTest, AMissingOrUnreadableFileShowsTheNotFoundTextThatNextTipKeeps) {
    ASSERT_NE(Open({0.5}), nullptr);
    EXPECT_EQ(tip.TipText(), L"nivex_10.tod file was not found!");
    Click(IDC_TIP_CMDNEXTTIP);
    EXPECT_EQ(tip.TipText(), L"nivex_10.tod file was not found!");
    tip.Close();

    // A file another program holds without sharing counts as missing too.
    const std::wstring path = folder.WriteFile(L"nivex_10.tod", "Locked tip\r\n");
    FileHandle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(tip.TipText(), L"nivex_10.tod file was not found!");
    EXPECT_FALSE(tip.LoadTips(path));
    EXPECT_EQ(tip.Tips().Count(), 0u);
    lock.Reset();
    EXPECT_TRUE(tip.LoadTips(path));
    EXPECT_EQ(tip.TipText(), L"Locked tip");
    EXPECT_FALSE(tip.LoadTips(L""));
    EXPECT_FALSE(tip.LoadTips(folder.Text())); // a folder is no tips file
    EXPECT_EQ(tip.Tips().Count(), 1u);          // and leaves the list as it was
}

TEST_F(TipWindowTest, UntickingStoresZeroAndTheNextStartShowsNoWindow) {
    folder.WriteFile(L"nivex_10.tod", "Only tip\r\n");
    ASSERT_NE(Open(), nullptr);
    CheckDlgButton(tip.Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP, BST_UNCHECKED);
    Click(IDC_TIP_CHKLOADTIPSATSTARTUP);
    EXPECT_EQ(StoredOption(), L"0");
    Click(IDOK);
    EXPECT_EQ(tip.Handle(), nullptr);

    EXPECT_EQ(ShowTipOfTheDayAtStartup(nullptr, desktop), nullptr);
    TipWindow direct;
    EXPECT_EQ(direct.Open(nullptr, desktop), nullptr); // the window closes itself at load while the option is 0
    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"-1");
    EXPECT_EQ(ShowTipOfTheDayAtStartup(nullptr, desktop), nullptr); // only 1 shows it

    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"1");
    TipWindow* shown = ShowTipOfTheDayAtStartup(nullptr, desktop);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(IsWindowVisible(shown->Handle()));
    EXPECT_EQ(shown->TipText(), L"Only tip");
    SendMessageW(shown->Handle(), WM_COMMAND, IDCANCEL, 0); // Esc closes it like OK
    EXPECT_EQ(shown->Handle(), nullptr);
}

TEST_F(TipWindowTest, ShownAgainAboveItsOwnerItLeavesTheFocusWhereTheUserPutIt) {
    folder.WriteFile(L"nivex_10.tod", "Tip\r\n");
    SaveSetting(kSectionOptions, kKeyTipOfTheDay, L"1");
    HWND owner = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND tree = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    TipWindow* shown = ShowTipOfTheDayAtStartup(owner, desktop);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(GetActiveWindow(), shown->Handle()) << "at start-up the tip takes the focus";
    // The user clicks into the main window before the tip is put back above it.
    SetActiveWindow(owner);
    SetFocus(tree);
    KeepTipOfTheDayAboveOwner();
    EXPECT_TRUE(IsWindowVisible(shown->Handle()));
    EXPECT_EQ(GetFocus(), tree) << "a Space would switch the tips off";
    shown->Close();
    DestroyWindow(owner);
}

TEST_F(TipWindowTest, AStoreThatRefusesTheChoiceIsReported) {
    folder.WriteFile(L"nivex_10.tod", "Tip\r\n");
    ASSERT_NE(Open(), nullptr);
    ASSERT_EQ(StoredOption(), L"1");
    // Everyone may only read the section: the write fails for real.
    HKEY options = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Options", 0,
                            READ_CONTROL | WRITE_DAC, &options),
              ERROR_SUCCESS);
    auto setDacl = [&](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        EXPECT_EQ(RegSetKeySecurity(options, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        LocalFree(sd);
    };
    setDacl(L"D:(A;;KR;;;WD)");
    CheckDlgButton(tip.Handle(), IDC_TIP_CHKLOADTIPSATSTARTUP, BST_UNCHECKED);
    Click(IDC_TIP_CHKLOADTIPSATSTARTUP);
    setDacl(L"D:(A;;KA;;;WD)");
    RegCloseKey(options);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.rfind(L"Error in chkLoadTipsAtStartup_Click()\r\nError ", 0), 0u)
        << desktop.messages[0].text;
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(StoredOption(), L"1");
}

TEST_F(TipWindowTest, F1OpensTheTipPage) {
    folder.WriteFile(L"nivex_10.tod", "Tip\r\n");
    testing::RecordingHelpViewer viewer;
    viewer.window = reinterpret_cast<HWND>(1);
    ASSERT_NE(Open(), nullptr);
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = GetDlgItem(tip.Handle(), IDC_TIP_CMDNEXTTIP);
    SendMessageW(tip.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_EQ(viewer.requests.size(), 1u);
    EXPECT_EQ(viewer.requests[0].kind, L"context");
    EXPECT_EQ(viewer.requests[0].id, IDH_TIP);
    EXPECT_EQ(viewer.requests[0].file, JoinPath(folder.Text(), L"Nivex.chm"));
    EXPECT_TRUE(GetWindowLongPtrW(tip.Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
}

} // namespace
} // namespace nivex
