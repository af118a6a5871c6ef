#pragma once
// Backups of registry keys before the repair commands delete or change them, and their import.
#include <windows.h>

#include <string>
#include <vector>

#include "registration/reg_file.h"
#include "registration/repair_rules.h"
#include "registry/registry_view.h"

namespace nivex {

// "%LOCALAPPDATA%\Velmora Software\Nivex\Backups\" unless a test set another (ends in a backslash).
std::wstring BackupFolder();
void SetBackupFolder(const std::wstring& folder); // empty restores the default
// Creates the folder and every missing folder above it. Throws nivex::Error when it cannot be made.
void CreateFolderPath(const std::wstring& folder);

// Appends root\path (named rootName + "\" + path in the file) and every key below it, parents first,
// with all their values as stored. A key that does not exist adds nothing. Throws nivex::Error (number:
// the system error) when an existing key cannot be read completely.
void ReadKeyTree(HKEY root, const std::wstring& rootName, const std::wstring& path, std::vector<RegFileKey>& keys,
                 RegistryView view = OwnView());

// The values of root\path alone, as stored; false when the key is not there. Throws nivex::Error when it is
// there but cannot be read.
bool ReadKeyValues(HKEY root, const std::wstring& path, std::vector<RegFileValue>& values);

// What a backup holds, paths below HKEY_CLASSES_ROOT in the header's view. A restore returns each to
// exactly its state at the backup: what the operation created is deleted again.
struct BackupRequest {
    BackupHeader header;
    std::wstring identifier; // the class or library identifier, for the file name
    std::wstring name;       // for the file name (empty: the header's control, else its library)
    // Saved with everything below them, each preceded by its own deletion; an absent one as its deletion.
    std::vector<std::wstring> trees;
    // Saved with their own values only, "@=-" when the default value is absent; an absent one as the
    // deletion of its highest absent key below "CLSID\{id}".
    std::vector<std::wstring> keys;
};

// Writes the backup to a new file in BackupFolder(), named by the local time, the identifier and the
// header's control or library name, then reads it back with the .reg reader. Returns its full path.
// Throws nivex::Error when the keys cannot be read, hold a name a .reg line cannot carry, or the file
// cannot be written or does not read back as the keys were (no file is left then).
std::wstring WriteBackup(const BackupRequest& request);

// A backup file read and checked, not yet imported.
struct BackupFile {
    std::wstring path;
    std::wstring problem; // why it cannot be restored (empty when it can)
    BackupHeader header;  // operation empty: not one of Nivex's backups (restored into the program's view)
    std::vector<RegFileKey> keys;
    std::vector<std::wstring> written, deleted; // the keys, "HKEY_CLASSES_ROOT\..."
};
// The whole file is read and checked: it must parse, every key must lie below HKEY_CLASSES_ROOT and every
// deletion inside one class or library key.
BackupFile ReadBackupFile(const std::wstring& file);

// Writes the keys as a registry file (the format of backups) to path, through a temporary file beside it,
// so an existing file is replaced only by a complete one. Throws nivex::Error when it cannot.
void WriteRegFile(const std::wstring& path, const std::vector<RegFileKey>& keys);

struct ImportResult {
    bool ok = false;
    bool accessDenied = false; // some key or value was refused for lack of rights
    std::wstring message; // what went wrong (empty when ok)
    size_t keys = 0;      // keys written or deleted
};

// Imports a checked backup into its view: keys are deleted, created and values written as the file says;
// failures are collected and named in the message. A file with a problem changes nothing.
ImportResult ImportBackup(const BackupFile& backup);
ImportResult ImportBackup(const std::wstring& file);

// The view flag for a path below HKEY_CLASSES_ROOT: ViewAccess(view) for the keys kept per view, none for
// the shared ones (a flagged open of TypeLib would look for a Wow6432Node copy under Wine).
REGSAM PathAccess(const std::wstring& classesRootPath, RegistryView view);

// A backup file as the restore list shows it.
struct BackupEntry {
    std::wstring path;
    std::wstring time;       // last written, local time, "2026-12-07 14:05:09"
    std::wstring operation;  // empty: not one of Nivex's backups
    std::wstring control;    // the control's name (the library's when the backup names no control)
    std::uint64_t stamp = 0; // for sorting
};
// The .reg files in folder, newest first, their headers read from the first few kilobytes only.
std::vector<BackupEntry> ListBackups(const std::wstring& folder);

// Deletes root\path with everything below it in the view; ERROR_SUCCESS also when it was not there.
LONG DeleteKeyTree(HKEY root, const std::wstring& path, RegistryView view);

} // namespace nivex
