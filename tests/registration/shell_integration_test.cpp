// The Explorer integration's keys, with integration on and off.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "common/paths.h"
#include "common/winutil.h"
#include "registry/shell_integration.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

using testing::RegKeyPresent;

std::wstring Default(const std::wstring& path) {
    bool found = false;
    DWORD type = 0;
    const std::wstring text = testing::GetRegString(HKEY_CLASSES_ROOT, path, L"", &found, &type);
    if (!found) return L"<absent>";
    return type == REG_SZ ? text : L"<type " + std::to_wstring(type) + L">";
}

class ShellIntegrationTest : public ::testing::Test {
protected:
    testing::RegistrySandbox sandbox;
    std::wstring savedProgram = ProgramFolder();
    std::wstring savedSystem = SystemFolder();
    void SetUp() override {
        SetProgramFolder(L"C:\\Program Files\\Nivex");
        SetSystemFolder(L"C:\\windows\\system32");
    }
    void TearDown() override {
        SetProgramFolder(savedProgram);
        SetSystemFolder(savedSystem);
    }
};

TEST_F(ShellIntegrationTest, OnWritesTheTenValuesWithQuotedCommandLines) {
    ApplyShellIntegration(true);
    const std::wstring exe = L"C:\\Program Files\\Nivex\\" + ExecutableBaseName() + L".exe";
    EXPECT_EQ(Default(L".ocx"), L"Nivex.ActiveX.Control");
    EXPECT_EQ(Default(L"Nivex.ActiveX.Control"), L"Nivex ActiveX Control");
    EXPECT_EQ(Default(L"Nivex.ActiveX.Control\\defaulticon"), exe + L",1");
    EXPECT_EQ(Default(L"Nivex.ActiveX.Control\\shell\\Register with Nivex\\command"), L"\"" + exe + L"\" /R \"%1\"");
    EXPECT_EQ(Default(L"Nivex.ActiveX.Control\\shell\\Unregister with Nivex\\command"), L"\"" + exe + L"\" /U \"%1\"");
    EXPECT_EQ(Default(L".dll"), L"Nivex.Dynamic.Link.Library");
    EXPECT_EQ(Default(L"Nivex.Dynamic.Link.Library"), L"Nivex Dynamic Link Library");
    EXPECT_EQ(Default(L"Nivex.Dynamic.Link.Library\\defaulticon"), exe + L",2");
    EXPECT_EQ(Default(L"Nivex.Dynamic.Link.Library\\shell\\Register with Nivex\\command"), L"\"" + exe + L"\" /R \"%1\"");
    EXPECT_EQ(Default(L"Nivex.Dynamic.Link.Library\\shell\\Unregister with Nivex\\command"),
              L"\"" + exe + L"\" /U \"%1\"");

    // Again: the same values, no error.
    ApplyShellIntegration(true);
    EXPECT_EQ(Default(L".ocx"), L"Nivex.ActiveX.Control");

    // What Explorer runs for a file in a folder with blanks arrives as that path.
    std::wstring command = Default(L"Nivex.ActiveX.Control\\shell\\Register with Nivex\\command");
    command.replace(command.find(L"%1"), 2, L"D:\\My Controls\\grid ctl.ocx");
    const StartRequest request = ParseStartRequest(ArgumentsOf(command));
    EXPECT_EQ(request.mode, RunMode::Register);
    EXPECT_EQ(UnquotePath(request.path), L"D:\\My Controls\\grid ctl.ocx");
}

TEST_F(ShellIntegrationTest, OffPointsTheExtensionsBackAtThePlainTypesAndLeavesOursUnused) {
    ApplyShellIntegration(true);
    ApplyShellIntegration(false);
    EXPECT_EQ(Default(L".ocx"), L"ActiveX.Control");
    EXPECT_EQ(Default(L"ActiveX.Control"), L"ActiveX Control");
    EXPECT_EQ(Default(L"ActiveX.Control\\defaulticon"), L"C:\\windows\\system32\\shell32.dll, 1");
    EXPECT_EQ(Default(L".dll"), L"Dynamic.Link.Library");
    EXPECT_EQ(Default(L"Dynamic.Link.Library"), L"Dynamic Link Library");
    EXPECT_EQ(Default(L"Dynamic.Link.Library\\defaulticon"), L"C:\\windows\\system32\\shell32.dll, 1");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"ActiveX.Control\\shell"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.ActiveX.Control\\shell\\Register with Nivex\\command"));
}

TEST_F(ShellIntegrationTest, AProgramInADriveRootHasNoDoubledBackslash) {
    SetProgramFolder(L"D:\\");
    ApplyShellIntegration(true);
    const std::wstring exe = L"D:\\" + ExecutableBaseName() + L".exe";
    EXPECT_EQ(Default(L"Nivex.ActiveX.Control\\defaulticon"), exe + L",1");
    EXPECT_EQ(Default(L"Nivex.Dynamic.Link.Library\\shell\\Unregister with Nivex\\command"),
              L"\"" + exe + L"\" /U \"%1\"");
}

TEST_F(ShellIntegrationTest, TheRoutinesReportTheFirstFailureAndWriteOnlyStrings) {
    EXPECT_EQ(CreateAssociation(L".nvx", L"Nivex.Test", L"Given Text", L"icon.ico,0"), ERROR_SUCCESS);
    EXPECT_EQ(Default(L"Nivex.Test"), L"Given Text");
    EXPECT_EQ(CreateVerb(L"Nivex.Test", L"Open", L"C:\\x.exe", L"/o"), ERROR_SUCCESS);
    EXPECT_EQ(Default(L"Nivex.Test\\shell\\Open\\command"), L"\"C:\\x.exe\" /o \"%1\"");

    // A value of a key that does not exist: the open fails, nothing is created.
    EXPECT_EQ(SetKeyValue(L"Nivex.Absent", L"", L"x"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Absent"));
    // Another type writes nothing and reports success.
    EXPECT_EQ(SetKeyValue(L"Nivex.Test", L"Count", L"5", REG_DWORD), ERROR_SUCCESS);
    bool found = true;
    testing::GetRegString(HKEY_CLASSES_ROOT, L"Nivex.Test", L"Count", &found);
    EXPECT_FALSE(found);

    // A key name the registry refuses stops the association at its first step.
    const std::wstring tooLong = L"." + std::wstring(300, L'x');
    EXPECT_NE(CreateAssociation(tooLong, L"Nivex.Never", L"", L"i"), ERROR_SUCCESS);
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Never"));
}

} // namespace
} // namespace nivex
