#pragma once
// Rules of the repair commands (removing keys, editing data, finding a moved server file) that need no
// platform: identifier checks, message texts, backup names, the recent-folder list and the search's
// file tests.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h" // IsBracedGuid: the only identifiers a registry path is built from

namespace nivex {

// Confirmation lists longer than this are cut with "... and N more" so the buttons stay on screen.
constexpr size_t kMaxListedKeys = 25;

// The keys RemoveRegistryKeys deletes, in order: the library's, then one per control.
std::vector<std::wstring> KeysToRemove(const std::wstring& libraryId, const std::vector<std::wstring>& classIds);

inline const wchar_t* const kDeleteKeysTitle = L"Delete Registry Keys?";
// The question with the key list (one key a line, cut after kMaxListedKeys).
std::wstring DeleteKeysQuestion(const std::vector<std::wstring>& keys);

inline const wchar_t* const kDeleteAllKeysTitle = L"Error in DeleteAllKeys()";
struct KeyFailure {
    std::wstring key; // full path, "HKEY_CLASSES_ROOT\..."
    long number = 0;
    std::wstring description;
};
// One message for all the keys that could not be deleted (cut as the question is).
std::wstring DeletionFailureText(const std::vector<KeyFailure>& failures);

// "2026-12-07 031500 {id}.reg": sorts by time; the identifier says what it holds.
std::wstring BackupFileName(int year, int month, int day, int hour, int minute, int second,
                            const std::wstring& identifier);

// The elements of the Edit Data dialog and the key whose default value each one is.
inline const wchar_t* const kElementControlName = L"Control Name";
inline const wchar_t* const kElementVersion = L"Version";
inline const wchar_t* const kElementProgId = L"ProgID";
inline const wchar_t* const kElementTypeLib = L"TypeLib";
inline const wchar_t* const kElementToolboxBitmap = L"Toolbox Bitmap";
inline const wchar_t* const kElementStatus = L"Status";
inline const wchar_t* const kElementClsid = L"CLSID";
// "CLSID\{id}" and its subkey for the element; nullopt for elements that write nothing.
std::optional<std::wstring> EditDataKeyPath(std::wstring_view element, const std::wstring& classId);
// The element names EditDataKeyPath knows, in the details list's order.
const std::vector<std::wstring>& EditableElements();

inline const wchar_t* const kEditWarningText =
    L"You are about to modify the registry data pertaining to an\nActiveX control. In some cases, this can cause "
    L"unpredictable\nresults, repairable only be reinstalling that control.\nRecomended for ADVANCED USERS ONLY. Are "
    L"you sure you \nwant to modify the registry data?";

// ---- missing-file search ----
using RecentFolders = std::array<std::wstring, 5>; // [0] is "RecentFindFolders1", the newest

// The folder with exactly one trailing backslash (empty stays empty).
std::wstring FolderWithBackslash(std::wstring_view folder);
// True when the folder is already listed (compared without regard to case or a trailing backslash).
bool RecentContains(const RecentFolders& recent, std::wstring_view folder);
// Puts the folder first and moves the others down; the fifth drops out. Returns false (nothing moved)
// when it is already listed.
bool AddRecentFolder(RecentFolders& recent, std::wstring_view folder);

// Attribute bits as the file system reports them.
constexpr std::uint32_t kAttrReadOnly = 0x1;
constexpr std::uint32_t kAttrHidden = 0x2;
constexpr std::uint32_t kAttrSystem = 0x4;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrReparsePoint = 0x400;

// Every folder is searched whatever else its attributes say (customised folders are read-only or
// system), except links, which could lead in circles, and "." and "..".
bool ShouldDescend(std::uint32_t attributes, std::wstring_view name);
// An ordinary file (not a folder, hidden or system) whose long or short name is the wanted name,
// letter case aside.
bool IsWantedFile(std::uint32_t attributes, std::wstring_view name, std::wstring_view shortName,
                  std::wstring_view wanted);
// Whether a short (8.3) name can differ from the long one in a way that matters: generated short names
// carry a "~". Searches fetch short names only then.
bool WantsShortNames(std::wstring_view wanted);

inline const wchar_t* const kConfirmReRegistrationTitle = L"Confirm Re-Registration";
inline const wchar_t* const kConfirmReRegistrationText =
    L"Nivex will now delete the registry data for the selected\ncontrol and then re-register the control. Are you "
    L"sure this\nis what you want to do?";

} // namespace nivex
