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
#include "registry/registry_view.h"

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

// "2026-12-07 031500 {id} Name.reg": sorts by time; the identifier and the control's or library's name say
// what it holds (characters a file name cannot hold become "_").
std::wstring BackupFileName(int year, int month, int day, int hour, int minute, int second,
                            const std::wstring& identifier, const std::wstring& name = L"");

// The comment lines at the top of a backup, which tell backups apart and give the view to restore into.
struct BackupHeader {
    std::wstring operation; // "Remove Registry Keys", "Edit Data", ...; empty: not one of Nivex's backups
    std::wstring control;
    std::wstring library;
    RegistryView view = OwnView();
    std::wstring version; // of the program that wrote it
};
std::vector<std::wstring> BackupHeaderComments(const BackupHeader& header);
// The header of a file's leading comments; operation stays empty when they are not a Nivex header.
BackupHeader ParseBackupHeader(const std::vector<std::wstring>& comments);

// Whether a path below HKEY_CLASSES_ROOT is kept once per registry view ("CLSID" and "Interface" and below);
// everything else (TypeLib, ProgIDs) is shared by both views and opened without a view.
bool KeptPerView(std::wstring_view classesRootPath);

// A deletion in a file that Restore may carry out: the key (or a value of it) lies inside one class or
// library key ("HKEY_CLASSES_ROOT\CLSID\{id}" or "...\TypeLib\{id}" or below), letter case aside.
bool DeletionAllowed(const std::wstring& fullPath);
inline const wchar_t* const kRestoreTitle = L"Restore Registry Keys";
// The question before a restore: what is written, what is deleted, and whether the file is one of ours.
std::wstring RestoreQuestion(const std::wstring& file, const BackupHeader& header,
                             const std::vector<std::wstring>& written, const std::vector<std::wstring>& deleted);

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

// The root of the volume a path lies on, ending in a backslash: "C:\\" for "C:\\Program Files\\...",
// "\\\\server\\share\\" for a path on a share; empty when the path names neither.
std::wstring VolumeRoot(std::wstring_view path);

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
