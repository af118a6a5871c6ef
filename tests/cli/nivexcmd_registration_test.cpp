// nivexcmd register and unregister as a separate program against the test prefix's real registry.
// Each test removes what the fixture server registered and the settings it wrote.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "run_program.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::NivexCmd;
using testing::RunProgram;
using testing::RunResult;

const wchar_t* const kDialogsKey = L"Software\\Velmora Control Manager\\Dialogs";

std::wstring Server() {
    return testing::GetRegString(HKEY_CLASSES_ROOT,
                                 std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText + L"\\InprocServer32", L"");
}

class NivexCmdRegistration : public ::testing::Test {
protected:
    testing::TempFolder folder;
    std::wstring file;
    void SetUp() override {
        file = folder.File(L"e2e control.ocx");
        ASSERT_TRUE(CopyFileW(testing::FixturePath(kDemoLibrary.fileName).c_str(), file.c_str(), FALSE));
    }
    void TearDown() override {
        for (const auto& cls : kDemoLibrary.classes) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsidText).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
        }
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kDemoLibrary.libIdText).c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDialogsKey, L"UnregisterDelete");
    }
    RunResult Run(const std::wstring& arguments) { return RunProgram(NivexCmd(), arguments); }
    static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
};

TEST_F(NivexCmdRegistration, RegistersInPlaceThenUnregistersAndKeepsTheFile) {
    RunResult r = Run(L"register " + Quoted(file) + L" --in-place");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(r.out, "Registration Successful!\r\ne2e control.ocx was successfully registered in the \"" +
                         WideToUtf8(folder.Text()) + "\\\" directory.\r\n");
    EXPECT_EQ(Server(), file);

    r = Run(L"unregister " + Quoted(file) + L" --keep");
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_NE(r.out.find("Unregistration Successful!\r\ne2e control.ocx was successfully Unregistered from"),
              std::string::npos);
    EXPECT_EQ(Server(), L"");
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / L"e2e control.ocx"));
}

TEST_F(NivexCmdRegistration, WithoutAnOptionTheSettingDecidesAndNothingIsAsked) {
    // No setting: keep the file.
    ASSERT_EQ(Run(L"register " + Quoted(file) + L" --in-place").exitCode, 0u);
    RunResult r = Run(L"unregister " + Quoted(file));
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_TRUE(r.err.empty()) << "asked: " << r.err;
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / L"e2e control.ocx"));

    // "UnregisterDelete" 2: delete it after the unregistration; --delete does the same.
    testing::SetRegString(HKEY_CURRENT_USER, kDialogsKey, L"UnregisterDelete", L"2");
    ASSERT_EQ(Run(L"register " + Quoted(file) + L" --in-place").exitCode, 0u);
    r = Run(L"unregister " + Quoted(file));
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / L"e2e control.ocx"));
    EXPECT_EQ(Server(), L"");
}

TEST_F(NivexCmdRegistration, FailuresExitWithTheOutcomesCodeAndSayWhy) {
    const std::wstring noEntry = folder.File(L"plain.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kNoEntryFile).c_str(), noEntry.c_str(), FALSE));
    RunResult r = Run(L"register " + Quoted(noEntry) + L" --in-place");
    EXPECT_EQ(r.exitCode, 12u);
    EXPECT_EQ(r.err, "Registration Failed!\r\nRegistration of plain.dll failed.\r\nInvalid ActiveX Control\r\n");
    EXPECT_TRUE(r.out.empty());

    const std::wstring failing = folder.File(L"denied.dll");
    ASSERT_TRUE(CopyFileW(testing::FixturePath(fixtures::kFailFile).c_str(), failing.c_str(), FALSE));
    r = Run(L"unregister " + Quoted(failing) + L" --delete");
    EXPECT_EQ(r.exitCode, 16u);
    EXPECT_NE(r.err.find("DllUnregisterServer returned error 0x80070005"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / L"denied.dll")) << "deleted after a failure";

    EXPECT_EQ(Run(L"unregister " + Quoted(folder.File(L"absent.ocx"))).exitCode, 11u);
    r = Run(L"register");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("register needs a file name"), std::string::npos);
    r = Run(L"--help");
    EXPECT_NE(r.out.find("nivexcmd register FILE [--copy-to-system | --in-place]"), std::string::npos);
    EXPECT_NE(r.out.find("16 the entry point"), std::string::npos);
}

} // namespace
} // namespace nivex
