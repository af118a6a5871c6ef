#include <gtest/gtest.h>

#include <set>

#include "common/paths.h"
#include "registry/settings_table.h"

namespace nivex {
namespace {

TEST(SettingsTable, DefaultsOfTheStore) {
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyShowSplash), L"1");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyMinimizeToTray), L"0");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyTestBrowser), L"");
    EXPECT_EQ(SettingDefault(kSectionAppearence, kKeyShowToolboxPreview), L"0");
    EXPECT_EQ(SettingDefault(kSectionAppearence, kKeyWindowWidth), L"8000");
    EXPECT_EQ(SettingDefault(kSectionAppearence, kKeyWindowHeight), L"6000");
    EXPECT_EQ(SettingDefault(kSectionAppearence, kKeyWindowTop), L"100");
    EXPECT_EQ(SettingDefault(kSectionDialogs, kKeyDeleteRegistryKeys), L"0");
    // Names compare as the registry does.
    EXPECT_EQ(SettingDefault(L"appearence", L"windowleft"), L"100");
    EXPECT_EQ(FindSetting(L"Appearance", kKeyWindowLeft), nullptr);
    EXPECT_EQ(SettingDefault(L"Options", L"NoSuchKey"), L"");
}

TEST(SettingsTable, EveryRecentEntryIsKnown) {
    for (int n = 1; n <= kRecentCount; ++n) {
        EXPECT_NE(FindSetting(kSectionData, RecentKey(kKeyRecentFindFolders, n)), nullptr) << n;
        EXPECT_NE(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, n)), nullptr) << n;
    }
    EXPECT_EQ(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, 6)), nullptr);
    EXPECT_EQ(RecentKey(kKeyRecentFindFolders, 3), L"RecentFindFolders3");
}

TEST(SettingsTable, EntriesAreUniqueAndTheMakerEntryBelongsToItsOwnApplication) {
    size_t count = 0;
    const SettingInfo* table = SettingTable(count);
    ASSERT_EQ(count, 33u);
    std::set<std::wstring> seen;
    for (size_t i = 0; i < count; ++i)
        EXPECT_TRUE(seen.insert(std::wstring(table[i].app) + L"|" + table[i].section + L"|" + table[i].key).second);
    const SettingInfo* install = FindAppSetting(kMakerApp, L"Bug Report Wizard", L"Install Path");
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(SettingDefault(install), L"");
    EXPECT_EQ(FindSetting(L"Bug Report Wizard", L"Install Path"), nullptr);
}

TEST(SettingsTable, TemplatesLieBelowTheProgramFolder) {
    const std::wstring saved = ProgramFolder();
    SetProgramFolder(L"C:\\Nivex");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyHTMLTemplate), L"C:\\Nivex\\templates\\default_HTML.tpl");
    SetProgramFolder(L"C:\\");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyTEXTTemplate), L"C:\\templates\\default_TEXT.tpl");
    SetProgramFolder(saved);
}

TEST(SettingsTable, NumbersAreDecimalWithin32Bits) {
    EXPECT_EQ(ParseSettingNumber(L"8000"), 8000L);
    EXPECT_EQ(ParseSettingNumber(L" -15 "), -15L);
    EXPECT_EQ(ParseSettingNumber(L"-2147483648"), -2147483647L - 1);
    EXPECT_FALSE(ParseSettingNumber(L"2147483648"));
    EXPECT_FALSE(ParseSettingNumber(L"99999999999999999999999"));
    EXPECT_FALSE(ParseSettingNumber(L""));
    EXPECT_FALSE(ParseSettingNumber(L"-"));
    EXPECT_FALSE(ParseSettingNumber(L"1 2"));
}

TEST(SettingsTable, FlagsAndNumbersFallBackToTheDefaultForOtherText) {
    EXPECT_TRUE(SettingTextIsOn(L"1", L"0"));
    EXPECT_FALSE(SettingTextIsOn(L"0", L"1"));
    EXPECT_TRUE(SettingTextIsOn(L"99999999999999999999", L"0"));
    EXPECT_FALSE(SettingTextIsOn(L"000", L"1"));
    EXPECT_TRUE(SettingTextIsOn(L"True", L"1"));
    EXPECT_FALSE(SettingTextIsOn(L"True", L"0"));
    EXPECT_FALSE(SettingTextIsOn(L"", L""));
    EXPECT_EQ(SettingTextNumber(L"250", L"100"), 250L);
    EXPECT_EQ(SettingTextNumber(L"wide", L"8000"), 8000L);
    EXPECT_EQ(SettingTextNumber(L"wide", L""), 0L);
}

} // namespace
} // namespace nivex
