#pragma once
// Every setting the programs read or write: application, section, key and default.
// Portable, so the table and the readers' interpretation of stored text are tested natively.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nivex {

// Application names in the per-user store.
inline constexpr const wchar_t* kAppTitle = L"Velmora Control Manager";
inline constexpr const wchar_t* kMakerApp = L"Velmora Software";

// Sections. "Appearence" is spelled so in every installed store.
inline constexpr const wchar_t* kSectionOptions = L"Options";
inline constexpr const wchar_t* kSectionAppearence = L"Appearence";
inline constexpr const wchar_t* kSectionDialogs = L"Dialogs";
inline constexpr const wchar_t* kSectionData = L"Data";
inline constexpr const wchar_t* kSectionBugReportWizard = L"Bug Report Wizard";

// Keys of "Options".
inline constexpr const wchar_t* kKeyShowSplash = L"ShowSplash";
inline constexpr const wchar_t* kKeyTipOfTheDay = L"TipOfTheDay";
inline constexpr const wchar_t* kKeyMinimizeToTray = L"MinimizeToTray";
inline constexpr const wchar_t* kKeyIntegrateShell = L"IntegrateShell";
inline constexpr const wchar_t* kKeyPlaySounds = L"PlaySounds";
inline constexpr const wchar_t* kKeyTestBrowser = L"TestBrowser";
inline constexpr const wchar_t* kKeyHTMLTemplate = L"HTMLTemplate";
inline constexpr const wchar_t* kKeyTEXTTemplate = L"TEXTTemplate";
// Keys of "Appearence".
inline constexpr const wchar_t* kKeyShowToolbar = L"ShowToolbar";
inline constexpr const wchar_t* kKeyShowStatusbar = L"ShowStatusbar";
inline constexpr const wchar_t* kKeyShowToolboxPreview = L"ShowToolboxPreview";
inline constexpr const wchar_t* kKeyToolbarCaptions = L"ToolbarCaptions";
inline constexpr const wchar_t* kKeyWindowState = L"WindowState";
inline constexpr const wchar_t* kKeyWindowTop = L"WindowTop";
inline constexpr const wchar_t* kKeyWindowLeft = L"WindowLeft";
inline constexpr const wchar_t* kKeyWindowWidth = L"WindowWidth";
inline constexpr const wchar_t* kKeyWindowHeight = L"WindowHeight";
inline constexpr const wchar_t* kKeyShow32BitControls = L"Show32BitControls";
inline constexpr const wchar_t* kKeyShow64BitControls = L"Show64BitControls";
// Keys of "Dialogs".
inline constexpr const wchar_t* kKeyRegisterNonSysPath = L"RegisterNonSysPath";
inline constexpr const wchar_t* kKeyUnregisterDelete = L"UnregisterDelete";
inline constexpr const wchar_t* kKeyEditRegistryData = L"EditRegistryData";
inline constexpr const wchar_t* kKeyFoundMissingFile = L"FoundMissingFile";
inline constexpr const wchar_t* kKeyDeleteRegistryKeys = L"DeleteRegistryKeys";
inline constexpr const wchar_t* kKeyRestoreRegistryKeys = L"RestoreRegistryKeys";
// Keys of "Data": the prefixes of the five recent entries, 1 newest.
inline constexpr const wchar_t* kKeyRecentFindFolders = L"RecentFindFolders";
inline constexpr const wchar_t* kKeyRecentFindString = L"RecentFindString";
inline constexpr int kRecentCount = 5;
// Key of "Velmora Software" / "Bug Report Wizard", written by Faultnote's installer only.
inline constexpr const wchar_t* kKeyInstallPath = L"Install Path";

struct SettingInfo {
    const wchar_t* app;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* defaultValue;
    bool belowProgramFolder; // defaultValue is relative to the program's folder
};

// The whole table, for listing.
const SettingInfo* SettingTable(size_t& count);

// The entry of the main program (kAppTitle), or of another application; names compare without regard to case,
// as the registry does. nullptr when the table does not know it.
const SettingInfo* FindSetting(std::wstring_view section, std::wstring_view key);
const SettingInfo* FindAppSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key);

// The default of an entry as text (template paths joined to ProgramFolder()); empty when unknown.
std::wstring SettingDefault(const SettingInfo* info);
std::wstring SettingDefault(std::wstring_view section, std::wstring_view key);

// "RecentFindFolders" + 3 -> "RecentFindFolders3".
std::wstring RecentKey(const wchar_t* prefix, int number);

// Decimal text with optional sign and surrounding blanks, within 32 bits; nullopt for anything else.
std::optional<long> ParseSettingNumber(std::wstring_view text);
// Stored text as a flag: a number is on when non-zero; anything else falls back to the default text's truth.
bool SettingTextIsOn(std::wstring_view text, std::wstring_view defaultText);
// Stored text as a number; anything else falls back to the default text's number (0 when that is none).
long SettingTextNumber(std::wstring_view text, std::wstring_view defaultText);

} // namespace nivex
