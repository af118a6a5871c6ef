#include "registry/settings_table.h"

#include <cstdint>
#include <iterator>

#include "common/paths.h"
#include "common/text.h"

namespace nivex {

namespace {
const SettingInfo kTable[] = {
    {kAppTitle, kSectionOptions, kKeyShowSplash, L"1", false},
    {kAppTitle, kSectionOptions, kKeyTipOfTheDay, L"1", false},
    {kAppTitle, kSectionOptions, kKeyMinimizeToTray, L"0", false},
    {kAppTitle, kSectionOptions, kKeyIntegrateShell, L"1", false},
    {kAppTitle, kSectionOptions, kKeyPlaySounds, L"1", false},
    {kAppTitle, kSectionOptions, kKeyTestBrowser, L"", false},
    {kAppTitle, kSectionOptions, kKeyHTMLTemplate, L"templates\\default_HTML.tpl", true},
    {kAppTitle, kSectionOptions, kKeyTEXTTemplate, L"templates\\default_TEXT.tpl", true},
    {kAppTitle, kSectionAppearence, kKeyShowToolbar, L"1", false},
    {kAppTitle, kSectionAppearence, kKeyShowStatusbar, L"1", false},
    {kAppTitle, kSectionAppearence, kKeyShowToolboxPreview, L"0", false},
    {kAppTitle, kSectionAppearence, kKeyToolbarCaptions, L"1", false},
    {kAppTitle, kSectionAppearence, kKeyWindowState, L"0", false},
    {kAppTitle, kSectionAppearence, kKeyWindowTop, L"100", false},
    {kAppTitle, kSectionAppearence, kKeyWindowLeft, L"100", false},
    {kAppTitle, kSectionAppearence, kKeyWindowWidth, L"8000", false},
    {kAppTitle, kSectionAppearence, kKeyWindowHeight, L"6000", false},
    {kAppTitle, kSectionAppearence, kKeyShow32BitControls, L"1", false},
    {kAppTitle, kSectionAppearence, kKeyShow64BitControls, L"1", false},
    {kAppTitle, kSectionDialogs, kKeyRegisterNonSysPath, L"0", false},
    {kAppTitle, kSectionDialogs, kKeyUnregisterDelete, L"0", false},
    {kAppTitle, kSectionDialogs, kKeyEditRegistryData, L"0", false},
    {kAppTitle, kSectionDialogs, kKeyFoundMissingFile, L"0", false},
    {kAppTitle, kSectionDialogs, kKeyDeleteRegistryKeys, L"0", false},
    {kAppTitle, kSectionDialogs, kKeyRestoreRegistryKeys, L"0", false},
    {kAppTitle, kSectionData, L"RecentFindFolders1", L"", false},
    {kAppTitle, kSectionData, L"RecentFindFolders2", L"", false},
    {kAppTitle, kSectionData, L"RecentFindFolders3", L"", false},
    {kAppTitle, kSectionData, L"RecentFindFolders4", L"", false},
    {kAppTitle, kSectionData, L"RecentFindFolders5", L"", false},
    {kAppTitle, kSectionData, L"RecentFindString1", L"", false},
    {kAppTitle, kSectionData, L"RecentFindString2", L"", false},
    {kAppTitle, kSectionData, L"RecentFindString3", L"", false},
    {kAppTitle, kSectionData, L"RecentFindString4", L"", false},
    {kAppTitle, kSectionData, L"RecentFindString5", L"", false},
    {kMakerApp, kSectionBugReportWizard, kKeyInstallPath, L"", false},
};
} // namespace

const SettingInfo* SettingTable(size_t& count) {
    count = std::size(kTable);
    return kTable;
}

const SettingInfo* FindAppSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key) {
    for (const SettingInfo& info : kTable) {
        if (EqualsNoCase(info.app, app) && EqualsNoCase(info.section, section) && EqualsNoCase(info.key, key))
            return &info;
    }
    return nullptr;
}

const SettingInfo* FindSetting(std::wstring_view section, std::wstring_view key) {
    return FindAppSetting(kAppTitle, section, key);
}

std::wstring SettingDefault(const SettingInfo* info) {
    if (!info) return {};
    if (info->belowProgramFolder) return JoinPath(ProgramFolder(), info->defaultValue);
    return info->defaultValue;
}

std::wstring SettingDefault(std::wstring_view section, std::wstring_view key) {
    return SettingDefault(FindSetting(section, key));
}

std::wstring RecentKey(const wchar_t* prefix, int number) {
    return prefix + std::to_wstring(number);
}

std::optional<long> ParseSettingNumber(std::wstring_view text) {
    const std::wstring trimmed = Trim(text);
    std::wstring_view digits = trimmed;
    bool negative = false;
    if (!digits.empty() && (digits.front() == L'-' || digits.front() == L'+')) {
        negative = digits.front() == L'-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    // Same limits on every platform: the values are 32-bit on Windows.
    constexpr long long kLimit = 2147483648LL;
    long long value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > kLimit) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<long>(value);
}

namespace {
// Whether decimal text (sign and blanks allowed, any length) is non-zero; nullopt when it is not decimal.
std::optional<bool> DecimalIsNonZero(std::wstring_view text) {
    const std::wstring trimmed = Trim(text);
    std::wstring_view digits = trimmed;
    if (!digits.empty() && (digits.front() == L'-' || digits.front() == L'+')) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    bool nonZero = false;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        nonZero = nonZero || c != L'0';
    }
    return nonZero;
}
} // namespace

bool SettingTextIsOn(std::wstring_view text, std::wstring_view defaultText) {
    if (const auto on = DecimalIsNonZero(text)) return *on;
    return DecimalIsNonZero(defaultText).value_or(false);
}

long SettingTextNumber(std::wstring_view text, std::wstring_view defaultText) {
    if (const auto number = ParseSettingNumber(text)) return *number;
    if (const auto number = ParseSettingNumber(defaultText)) return *number;
    return 0;
}

} // namespace nivex
