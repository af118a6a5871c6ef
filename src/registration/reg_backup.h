#pragma once
// Backups of registry keys before the repair commands delete or change them, and their import.
#include <windows.h>

#include <string>
#include <vector>

#include "registration/reg_file.h"

namespace nivex {

// "%LOCALAPPDATA%\Velmora Software\Nivex\Backups\" unless a test set another (ends in a backslash).
std::wstring BackupFolder();
void SetBackupFolder(const std::wstring& folder); // empty restores the default
// Creates the folder and every missing folder above it. Throws nivex::Error when it cannot be made.
void CreateFolderPath(const std::wstring& folder);

// Appends root\path (named rootName + "\" + path in the file) and every key below it, parents first,
// with all their values as stored. A key that does not exist adds nothing. Throws nivex::Error (number:
// the system error) when an existing key cannot be read completely.
void ReadKeyTree(HKEY root, const std::wstring& rootName, const std::wstring& path, std::vector<RegFileKey>& keys);

// The values of root\path alone, as stored; false when the key is not there. Throws nivex::Error when it is
// there but cannot be read.
bool ReadKeyValues(HKEY root, const std::wstring& path, std::vector<RegFileValue>& values);

// Writes the keys below HKEY_CLASSES_ROOT (paths relative to it) to a new file in BackupFolder(), named
// by the current local time and the identifier. Returns its full path. Throws nivex::Error when the keys
// cannot be read or the file cannot be written completely (a partial file is removed).
std::wstring WriteBackup(const std::vector<std::wstring>& classesRootPaths, const std::wstring& identifier);

// Writes the keys as a registry file (the format of backups) to path, through a temporary file beside it,
// so an existing file is replaced only by a complete one. Throws nivex::Error when it cannot.
void WriteRegFile(const std::wstring& path, const std::vector<RegFileKey>& keys);

struct ImportResult {
    bool ok = false;
    bool accessDenied = false; // some key or value was refused for lack of rights
    std::wstring message; // what went wrong (empty when ok)
    size_t keys = 0;      // keys written or deleted
};

// Imports a backup: the whole file is read and checked first (it must parse, and every key must lie
// below HKEY_CLASSES_ROOT), so a refused file changes nothing. Keys are created and values written as
// the file says; failures are collected and named in the message.
ImportResult ImportBackup(const std::wstring& file);

} // namespace nivex
