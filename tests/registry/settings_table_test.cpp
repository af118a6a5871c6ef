#include <gtest/gtest.h>

#include "common/paths.h"
#include "registry/settings_table.h"

namespace nivex {
namespace {

TEST(SettingsTable, NamesCompareAsTheRegistryDoesAndEachApplicationHasItsOwn) {
    EXPECT_EQ(SettingDefault(L"appearence", L"windowleft"), L"100");
    EXPECT_EQ(FindSetting(L"Appearance", kKeyWindowLeft), nullptr); // the stores' spelling only
    EXPECT_EQ(SettingDefault(L"Options", L"NoSuchKey"), L"");
    EXPECT_NE(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, kRecentCount)), nullptr);
    EXPECT_EQ(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, kRecentCount + 1)), nullptr);
    EXPECT_NE(FindAppSetting(kMakerApp, L"Bug Report Wizard", L"Install Path"), nullptr);
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

TEST(SettingsTable, NumbersAreDecimalWithin32BitsAndOtherTextFallsBackToTheDefault) {
    EXPECT_EQ(ParseSettingNumber(L" -15 "), -15L);
    EXPECT_EQ(ParseSettingNumber(L"-2147483648"), -2147483647L - 1);
    for (const wchar_t* bad : {L"2147483648", L"99999999999999999999999", L"", L"-", L"1 2"})
        EXPECT_FALSE(ParseSettingNumber(bad)) << bad;
    EXPECT_EQ(SettingTextNumber(L"250", L"100"), 250L);
    EXPECT_EQ(SettingTextNumber(L"wide", L"8000"), 8000L);
    EXPECT_EQ(SettingTextNumber(L"wide", L""), 0L);

    // A flag is any decimal number, non-zero for on, however long.
    EXPECT_TRUE(SettingTextIsOn(L"99999999999999999999", L"0"));
    EXPECT_TRUE(SettingTextIsOn(L"10", L"0"));
    EXPECT_FALSE(SettingTextIsOn(L"000", L"1"));
    EXPECT_TRUE(SettingTextIsOn(L"True", L"1"));
    EXPECT_FALSE(SettingTextIsOn(L"True", L"0"));
    EXPECT_FALSE(SettingTextIsOn(L"", L""));
}

} // namespace
} // namespace nivex
