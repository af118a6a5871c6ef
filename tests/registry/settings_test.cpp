#include <gtest/gtest.h>

#include <windows.h>

#include "common/error.h"
#include "common/paths.h"
#include "common/winutil.h"
#include "registry/settings.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::SetRegString;

const std::wstring kOptionsPath = L"Software\\Velmora Control Manager\\Options";

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : savedFolder(ProgramFolder()) { SetProgramFolder(L"C:\\Nivex"); }
    ~SettingsTest() override { SetProgramFolder(savedFolder); }
    testing::RegistrySandbox sandbox;
    std::wstring savedFolder;
};

TEST_F(SettingsTest, AnEmptyStoreReadsTheTableDefaultsAndCreatesNothing) {
    EXPECT_EQ(ReadSetting(L"Options", L"HTMLTemplate"), L"C:\\Nivex\\templates\\default_HTML.tpl");
    EXPECT_TRUE(SettingIsOn(L"Options", L"TipOfTheDay"));
    EXPECT_FALSE(SettingIsOn(L"Options", L"MinimizeToTray"));
    EXPECT_EQ(SettingNumber(L"Appearence", L"WindowWidth"), 8000);
    EXPECT_EQ(GetSetting(L"Data", L"RecentFindString1", L"given"), L"given");
    EXPECT_EQ(FaultnoteInstallPath(), L"");
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager"));
}

TEST_F(SettingsTest, SavedTextLivesInTheUserStoreAndReadsBackUnaltered) {
    SaveSetting(L"Options", L"ShowSplash", L"0");
    SaveSetting(L"Appearence", L"WindowWidth", L"wide");
    SaveSetting(L"Data", L"RecentFindString1", L"Caf\u00e9 %TEMP% search");
    SaveSetting(L"Options", L"TestBrowser", L"");
    bool found = false;
    DWORD type = 0;
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, kOptionsPath, L"ShowSplash", &found, &type), L"0");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(SettingIsOn(L"Options", L"ShowSplash"));
    EXPECT_EQ(ReadSetting(L"Data", L"RecentFindString1"), L"Caf\u00e9 %TEMP% search");
    EXPECT_EQ(GetSetting(L"Options", L"TestBrowser", L"absent"), L""); // saved empty is not absent
    // Text that is no number is kept, and counts as the default.
    EXPECT_EQ(ReadSetting(L"Appearence", L"WindowWidth"), L"wide");
    EXPECT_EQ(SettingNumber(L"Appearence", L"WindowWidth"), 8000);
    SaveSetting(L"Options", L"PlaySounds", L"yes");
    EXPECT_TRUE(SettingIsOn(L"Options", L"PlaySounds"));

    SaveAppSetting(L"Other App", L"Sec", L"Key", L"v");
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, L"Software\\Other App\\Sec", L"Key"), L"v");
    EXPECT_EQ(GetAppSetting(L"Other App", L"Sec", L"Key", L"d"), L"v");
    EXPECT_EQ(GetSetting(L"Sec", L"Key", L"d"), L"d");
}

TEST_F(SettingsTest, InstallPathIsTheUsersOwnElseTheOneForAllUsers) {
    const std::wstring key = L"Software\\Velmora Software\\Bug Report Wizard";
    SetRegString(HKEY_CURRENT_USER, L"Machine\\" + key, L"Install Path", L"C:\\All\\faultnote.exe");
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Machine", 0, KEY_ALL_ACCESS, &machine), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\All\\faultnote.exe");
    SetRegString(HKEY_CURRENT_USER, key, L"Install Path", L""); // an empty value names nothing
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\All\\faultnote.exe");
    SetRegString(HKEY_CURRENT_USER, key, L"Install Path", L"C:\\Mine\\faultnote.exe");
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\Mine\\faultnote.exe");
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(machine);
}

TEST_F(SettingsTest, AFailedSaveIsReportedWithTheSystemText) {
    // No key name may exceed 255 characters, so this save cannot succeed.
    const std::wstring section(300, L's');
    try {
        SaveSetting(section, L"Key", L"value");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Number(), 0);
        EXPECT_NE(e.Description().find(L"Key"), std::wstring::npos);
        EXPECT_NE(e.Description().find(SystemErrorText(static_cast<DWORD>(e.Number()))), std::wstring::npos);
    }
}

} // namespace
} // namespace nivex
