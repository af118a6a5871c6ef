// Nivex's "Report a Bug" command: finding faultnote.exe and what it is started with, scripted and for real.
#include "app/bug_report_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "faultnote/faultnote_resource.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/win32_desktop.h"
#include "nivex_version.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::BinFolder;
using testing::RegistrySandbox;
using testing::ScriptedDesktop;
using testing::SetRegString;
using testing::TempFolder;

const wchar_t* const kWizardKey = L"Software\\Velmora Software\\Bug Report Wizard";

std::wstring ExpectedArguments() {
    wchar_t revision[16] = {};
    std::swprintf(revision, 16, L"%04d", NIVEX_VERSION_REVISION);
    return L"Velmora Control Manager%" + std::to_wstring(NIVEX_VERSION_MAJOR) + L"." +
           std::to_wstring(NIVEX_VERSION_MINOR) + L"%" + revision;
}

class BugReportCommandTest : public ::testing::Test {
protected:
    BugReportCommandTest() : savedFolder(ProgramFolder()) { SetProgramFolder(program.Text()); }
    ~BugReportCommandTest() override { SetProgramFolder(savedFolder); }

    RegistrySandbox sandbox;
    ScriptedDesktop desktop;
    TempFolder program;   // the main program's folder
    TempFolder installed; // where an installer put the wizard
    std::wstring savedFolder;
};

TEST_F(BugReportCommandTest, StartsTheInstalledWizardWithTitleAndVersion) {
    const std::wstring wizard = installed.WriteFile(L"faultnote.exe", "MZ");
    program.WriteFile(L"faultnote.exe", "MZ");
    for (const std::wstring& setting : {wizard, installed.Text(), L"\"" + installed.Text() + L"\\\""}) {
        SetRegString(HKEY_CURRENT_USER, kWizardKey, L"Install Path", setting);
        desktop.executions.clear();
        EXPECT_TRUE(StartBugReportWizard(nullptr, desktop));
        ASSERT_EQ(desktop.executions.size(), 1u) << ::testing::PrintToString(setting);
        EXPECT_EQ(desktop.executions[0].verb, L"open");
        EXPECT_EQ(desktop.executions[0].file, wizard);
        EXPECT_EQ(desktop.executions[0].parameters, ExpectedArguments());
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(BugReportCommandTest, FallsBackBesideTheProgramOrSaysItIsMissing) {
    const std::wstring beside = program.WriteFile(L"faultnote.exe", "MZ");
    SetRegString(HKEY_CURRENT_USER, kWizardKey, L"Install Path", L"C:\\No\\Such\\Folder");
    EXPECT_TRUE(StartBugReportWizard(nullptr, desktop));
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(desktop.executions[0].file, beside);

    std::filesystem::remove(beside);
    EXPECT_FALSE(StartBugReportWizard(nullptr, desktop));
    EXPECT_EQ(desktop.executions.size(), 1u); // the shell is not asked to open nothing
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.find(L"faultnote.exe"), std::wstring::npos);
    EXPECT_NE(desktop.messages[0].text.find(L"C:\\No\\Such\\Folder"), std::wstring::npos);
    EXPECT_EQ(desktop.messages[0].title, L"Velmora Control Manager");
}

TEST_F(BugReportCommandTest, ShellFailureIsReportedWithItsReason) {
    const std::wstring wizard = program.WriteFile(L"faultnote.exe", "MZ");
    desktop.executeResult = 31; // the shell's "no association", not the system error 31
    EXPECT_FALSE(StartBugReportWizard(nullptr, desktop));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"The Bug Report Wizard could not be started:\r\n" + wizard +
                                            L"\r\nNo program is associated with this file.");
}

// The wizard window of a faultnote.exe process started from the given image path, other than those of the
// processes listed in before.
HWND FindWizardOf(const std::wstring& image, DWORD& pid, const std::vector<DWORD>& before = {}) {
    struct Search {
        std::wstring image;
        std::vector<DWORD> before;
        HWND found = nullptr;
        DWORD pid = 0;
    } search{std::filesystem::path(image).lexically_normal().wstring(), before};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (ui::WindowText(hwnd) != L"Velmora Bug Report Wizard") return TRUE;
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (std::find(s->before.begin(), s->before.end(), pid) != s->before.end()) return TRUE;
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            if (!process) return TRUE;
            wchar_t path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &size);
            CloseHandle(process);
            if (ok && _wcsicmp(std::filesystem::path(path).lexically_normal().c_str(), s->image.c_str()) == 0) {
                s->found = hwnd;
                s->pid = pid;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    pid = search.pid;
    return search.found;
}

std::wstring ChildText(HWND top, int id) {
    struct Find {
        int id;
        HWND found = nullptr;
    } find{id};
    EnumChildWindows(
        top,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* f = reinterpret_cast<Find*>(param);
            if (GetDlgCtrlID(hwnd) != f->id) return TRUE;
            f->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    wchar_t text[256] = {};
    if (find.found) SendMessageTimeoutW(find.found, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

TEST_F(BugReportCommandTest, EndToEndTheBuiltWizardShowsTheProductFields) {
    const std::wstring bin = BinFolder();
    const std::wstring image = velmora::JoinPath(bin, L"faultnote.exe");
    ASSERT_TRUE(std::filesystem::exists(image)) << "build faultnote first";
    // Install Path names the folder, as the installer writes it.
    SetRegString(HKEY_CURRENT_USER, kWizardKey, L"Install Path", bin);
    // Wizards already open (a person's, another run's) are not the one this test starts.
    std::vector<DWORD> before;
    DWORD openPid = 0;
    while (FindWizardOf(image, openPid, before)) before.push_back(openPid);
    velmora::Win32Desktop real;
    ASSERT_TRUE(StartBugReportWizard(nullptr, real));

    HWND wizard = nullptr;
    DWORD pid = 0;
    for (int i = 0; i < 300 && !wizard; ++i) {
        Sleep(50);
        wizard = FindWizardOf(image, pid, before);
        // Shown only once its fields are filled.
        if (wizard && !IsWindowVisible(wizard)) wizard = nullptr;
    }
    ASSERT_NE(wizard, nullptr) << "faultnote.exe did not show its window";
    // Whatever happens below, the started program does not outlive the test (it would hold the test's output).
    struct Ender {
        HANDLE process;
        ~Ender() {
            if (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            if (process) CloseHandle(process);
        }
    } ender{OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)};
    const HANDLE process = ender.process;
    wchar_t revision[16] = {};
    std::swprintf(revision, 16, L"%04d", NIVEX_VERSION_REVISION);
    EXPECT_EQ(ChildText(wizard, txtAppInfo0), L"Velmora Control Manager");
    EXPECT_EQ(ChildText(wizard, txtAppInfo1),
              std::to_wstring(NIVEX_VERSION_MAJOR) + L"." + std::to_wstring(NIVEX_VERSION_MINOR));
    EXPECT_EQ(ChildText(wizard, txtAppInfo2), revision);
    // Closing the window ends the program without a question.
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
}

} // namespace
} // namespace nivex
