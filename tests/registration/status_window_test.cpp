// frmRegStatus under a real window system: texts, the single instance, O&K, and waiting for it.
#include <gtest/gtest.h>

#include "registration/reg_status_window.h"
#include "registration/registration_resource.h"

namespace nivex {
namespace {

std::wstring Text(HWND hwnd) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(hwnd, buffer, 1024);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[64] = {};
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

int Height(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}

TEST(StatusWindow, ShowsTheOutcomeReusesOneWindowAndOkPutsItAway) {
    StatusWindowDisplay display;
    OutcomeText success = DescribeOutcome(RegOutcome::Completed, kModeRegister, L"C:\\Win\\System32\\a.ocx", L"");
    display.Show(success, nullptr);
    frmRegStatus* window = frmRegStatus::Existing();
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->Handle();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(Text(hwnd), L"Nivex - Success");
    EXPECT_EQ(Text(GetDlgItem(hwnd, IDC_REGSTATUS_TITLE)), L"Registration Successful!");
    EXPECT_EQ(Text(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)),
              L"a.ocx was successfully registered in the \"C:\\Win\\System32\\\" directory.");
    EXPECT_EQ(ClassOf(GetDlgItem(hwnd, IDC_REGSTATUS_LINE)), L"NivexEtchedLine");
    LOGFONTW title{};
    GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(hwnd, IDC_REGSTATUS_TITLE, WM_GETFONT, 0, 0)),
               sizeof(title), &title);
    EXPECT_GE(title.lfWeight, FW_BOLD);
    const int shortHeight = Height(hwnd);

    // A later outcome overwrites the same window; a long message makes it taller.
    const std::wstring longName(220, L'n');
    display.Show(DescribeOutcome(RegOutcome::EntryPointFailed, kModeUnregister, L"C:\\" + longName + L".dll",
                                 L"DllUnregisterServer returned error 0x80070005: Access is denied.\nAdministrator "
                                 L"rights are needed: run Nivex as an administrator."),
                 nullptr);
    EXPECT_EQ(frmRegStatus::Existing()->Handle(), hwnd);
    EXPECT_EQ(Text(hwnd), L"Nivex - Failed");
    EXPECT_EQ(Text(GetDlgItem(hwnd, IDC_REGSTATUS_TITLE)), L"Unregistration Failed!");
    EXPECT_NE(Text(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE)).find(L"failed.\r\nDllUnregisterServer"), std::wstring::npos);
    EXPECT_GT(Height(hwnd), shortHeight);
    RECT ok{}, message{}, client{};
    GetWindowRect(GetDlgItem(hwnd, IDOK), &ok);
    GetWindowRect(GetDlgItem(hwnd, IDC_REGSTATUS_MESSAGE), &message);
    GetClientRect(hwnd, &client);
    EXPECT_GE(ok.top, message.bottom) << "the button sits below the message";

    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    display.WaitUntilDismissed(); // nothing shown: returns at once

    // The one-shot runs wait until the user has pressed O&K.
    display.Show(success, nullptr);
    EXPECT_EQ(Height(hwnd), shortHeight);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    display.WaitUntilDismissed();
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

} // namespace
} // namespace nivex
