// The engine against the fixture servers, in a sandboxed registry.
#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

#include "registration/reg_engine.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::FixturePath;
using testing::RegisteredServer;

class EngineTest : public ::testing::Test {
protected:
    testing::RegistrySandbox sandbox;
};

TEST_F(EngineTest, ControlServerRegistersAndUnregistersItself) {
    const std::wstring path = FixturePath(kDemoLibrary.fileName);
    RegDetail detail;
    ASSERT_EQ(RegisterServer(path, kModeRegister, &detail), RegOutcome::Completed);
    EXPECT_EQ(detail.entryPointResult, S_OK);
    EXPECT_TRUE(detail.reason.empty());
    for (const auto& cls : kDemoLibrary.classes) EXPECT_EQ(RegisteredServer(cls), path);
    // Unloaded again: nothing of the call survives it.
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);

    ASSERT_EQ(RegisterServer(path, kModeUnregister), RegOutcome::Completed);
    for (const auto& cls : kDemoLibrary.classes) EXPECT_EQ(RegisteredServer(cls), L"");
}

TEST_F(EngineTest, FilesThatAreNoServersAndMissingEntryPoints) {
    testing::TempFolder folder;
    RegDetail detail;
    EXPECT_EQ(RegisterServer(folder.File(L"absent.ocx"), kModeRegister, &detail), RegOutcome::LoadFailed);
    EXPECT_TRUE(detail.reason.empty()) << "a missing file keeps the fixed reason";
    EXPECT_EQ(RegisterServer(L"", kModeRegister), RegOutcome::LoadFailed);

    const std::wstring text = folder.WriteFile(L"notes.dll", "This is not a library.\r\n");
    EXPECT_EQ(RegisterServer(text, kModeRegister, &detail), RegOutcome::LoadFailed);
    EXPECT_NE(detail.reason.find(L"Unable to Load File"), std::wstring::npos);
    EXPECT_EQ(detail.reason.find(L"32-bit"), std::wstring::npos) << "not an image at all";

    EXPECT_EQ(RegisterServer(FixturePath(fixtures::kNoEntryFile), kModeRegister), RegOutcome::EntryPointMissing);
    EXPECT_EQ(RegisterServer(FixturePath(fixtures::kNoEntryFile), kModeUnregister), RegOutcome::EntryPointMissing);
    EXPECT_EQ(RegisterServer(FixturePath(fixtures::kRegOnlyFile), kModeRegister), RegOutcome::Completed);
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, fixtures::kRegOnlyKey, L""), L"1");
    EXPECT_EQ(RegisterServer(FixturePath(fixtures::kRegOnlyFile), kModeUnregister), RegOutcome::EntryPointMissing);
}

TEST_F(EngineTest, AFailureCodeFromTheEntryPointIsNoSuccess) {
    for (int mode : {kModeRegister, kModeUnregister}) {
        RegDetail detail;
        EXPECT_EQ(RegisterServer(FixturePath(fixtures::kFailFile), mode, &detail), RegOutcome::EntryPointFailed);
        EXPECT_EQ(static_cast<std::uint32_t>(detail.entryPointResult), 0x80070005u);
        EXPECT_NE(detail.reason.find(L"returned error 0x80070005: "), std::wstring::npos)
            << ::testing::PrintToString(detail.reason);
        EXPECT_NE(detail.reason.find(L"Administrator rights are needed"), std::wstring::npos);
    }
    // The system text comes through, not a bare number.
    EXPECT_FALSE(ResultCodeText(static_cast<std::int32_t>(0x80070005)).empty());
}

TEST_F(EngineTest, AnInvalidModeNeverLoadsTheFile) {
    testing::TempFolder folder;
    // The file does not exist: a load would have said LoadFailed.
    EXPECT_EQ(RegisterServer(folder.File(L"absent.ocx"), 2), RegOutcome::InvalidMode);
    EXPECT_EQ(RegisterServer(FixturePath(fixtures::kFailFile), -1), RegOutcome::InvalidMode);
    EXPECT_EQ(GetModuleHandleW(FixturePath(fixtures::kFailFile).c_str()), nullptr);
}

TEST_F(EngineTest, RelativePathsAreMadeFullAndBareNamesAreNotSearchedForInTheCurrentFolder) {
    testing::TempFolder folder;
    const std::wstring copy = folder.File(L"nivex_probe_regonly.dll");
    ASSERT_TRUE(CopyFileW(FixturePath(fixtures::kRegOnlyFile).c_str(), copy.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Text().c_str()));

    // A path relative to the current folder names that file, and the engine loads it by its full path.
    EXPECT_EQ(RegisterServer(L".\\nivex_probe_regonly.dll", kModeRegister), RegOutcome::Completed);

    SetSafeDllSearch();
    HMODULE byName = LoadLibraryW(L"nivex_probe_regonly.dll");
    EXPECT_EQ(byName, nullptr) << "a bare name was found in the current folder";
    if (byName) FreeLibrary(byName);
    SetCurrentDirectoryW(previous);
}

// The worker itself, with entry points of this test program.
DWORD mainThread = 0;
HWND probeWindow = nullptr;

HRESULT STDAPICALLTYPE ApartmentProbe() {
    if (GetCurrentThreadId() == mainThread) return E_UNEXPECTED;
    // Already initialised as a single-threaded apartment: S_FALSE, and the count is balanced again.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_FALSE ? S_OK : E_FAIL;
}

HRESULT STDAPICALLTYPE SendsToTheCallersWindow() {
    return static_cast<HRESULT>(SendMessageW(probeWindow, WM_APP, 0, 0));
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) return 0x1234;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(EngineWorker, RunsTheEntryPointOnItsOwnThreadWithOleInitialised) {
    mainThread = GetCurrentThreadId();
    const WorkerResult run = RunEntryPointOnWorker(&ApartmentProbe, 5000);
    EXPECT_EQ(run.end, WorkerEnd::Returned);
    EXPECT_EQ(run.result, S_OK);
}

TEST(EngineWorker, AnEntryPointThatSendsToTheWaitingThreadsWindowDoesNotDeadlock) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NivexEngineProbe";
    RegisterClassW(&wc);
    probeWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(probeWindow);
    const WorkerResult run = RunEntryPointOnWorker(&SendsToTheCallersWindow, 5000);
    EXPECT_EQ(run.end, WorkerEnd::Returned);
    EXPECT_EQ(run.result, 0x1234);
    DestroyWindow(probeWindow);
}

} // namespace
} // namespace nivex
