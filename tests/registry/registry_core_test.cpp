// How registry values read as text, and the settings table with its reading of stored text.
#include <gtest/gtest.h>

#include "common/paths.h"
#include "registry/reg_value.h"
#include "registry/settings_table.h"
#include "support/reg_value_cases.h"

namespace nivex {
namespace {

std::wstring FakeExpand(const std::wstring& text) {
    const std::wstring reference = L"%" + std::wstring(testing::kCaseVariable) + L"%";
    std::wstring out = text;
    if (const size_t at = out.find(reference); at != std::wstring::npos)
        out.replace(at, reference.size(), testing::kCaseVariableValue);
    return out;
}

// The readers' own tests (value_readers_test) read the same table through the registry.
TEST(RegValue, EveryTypeDecodesToOneTextWithExpansionAndBytesAsChosen) {
    for (const testing::RegValueCase& c : testing::RegValueCases()) {
        const std::string what = std::to_string(c.type) + " " + ::testing::PrintToString(c.data);
        EXPECT_EQ(RegValueText(c.type, c.data, {}, FakeExpand), c.text) << what;
        EXPECT_EQ(RegValueText(c.type, c.data, {.expand = false}, FakeExpand), c.asStored) << what;
        const auto withoutBytes = RegValueText(c.type, c.data, {.expand = true, .keepBytes = false}, FakeExpand);
        EXPECT_EQ(withoutBytes.has_value(), !c.textless) << what;
    }
    // Numbers are values, not texts, for cRegistry's callers.
    EXPECT_EQ(DecodeRegValue(kRegDwordBigEndian, std::vector<std::uint8_t>{0, 0, 1, 2}),
              RegVariant(std::uint32_t{258}));
}

TEST(SettingsTable, NamesCompareAsTheRegistryDoesDefaultsFollowTheProgramFolderAndNumbersAreDecimal) {
    EXPECT_EQ(SettingDefault(L"appearence", L"windowleft"), L"100");
    EXPECT_EQ(FindSetting(L"Appearance", kKeyWindowLeft), nullptr); // the stores' spelling only
    EXPECT_EQ(SettingDefault(L"Options", L"NoSuchKey"), L"");
    EXPECT_NE(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, kRecentCount)), nullptr);
    EXPECT_EQ(FindSetting(kSectionData, RecentKey(kKeyRecentFindString, kRecentCount + 1)), nullptr);
    EXPECT_NE(FindAppSetting(kMakerApp, L"Bug Report Wizard", L"Install Path"), nullptr);
    EXPECT_EQ(FindSetting(L"Bug Report Wizard", L"Install Path"), nullptr); // each application has its own
    const std::wstring saved = ProgramFolder();
    SetProgramFolder(L"C:\\Nivex");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyHTMLTemplate), L"C:\\Nivex\\templates\\default_HTML.tpl");
    SetProgramFolder(L"C:\\");
    EXPECT_EQ(SettingDefault(kSectionOptions, kKeyTEXTTemplate), L"C:\\templates\\default_TEXT.tpl");
    SetProgramFolder(saved);

    // Numbers are decimal within 32 bits; other text falls back to the default.
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
