#pragma once
// Removing a library's registry keys, pointing a library at another server file, editing one registry
// value of a control and restoring a backup. Every change is preceded by a backup of what it touches;
// no window here, so the console companion runs the same code.
#include <windows.h>

#include <string>
#include <vector>

#include "common/desktop.h"
#include "registration/reg_backup.h"
#include "registration/reg_flows.h"
#include "registration/repair_rules.h"
#include "registry/registry_view.h"

namespace nivex {

// Deletes root\path with everything below it, children before parents. Keys that cannot be deleted are
// added to failures (named "HKEY_CLASSES_ROOT\..." when root is that root) and the rest is still attempted.
void DeleteAllKeys(HKEY root, const std::wstring& path, std::vector<KeyFailure>& failures,
                   RegistryView view = OwnView());

enum class Confirm {
    Setting, // "DeleteRegistryKeys": 0 asks, anything else removes without asking
    Never,   // the caller has decided (the console companion's --yes)
};

struct RemovalRequest {
    std::wstring libraryId;             // the library node's key
    std::vector<std::wstring> classIds; // the keys of the library node's controls, first to last
    WindowRef owner = nullptr;
    Confirm confirm = Confirm::Setting;
    bool announceBackup = true; // a closing message that names the backup file
    // Keys that could not be deleted for lack of rights: offered again with administrator rights.
    Elevation elevation = Elevation::Ask;
    RegistryView view = OwnView(); // the view of the library's registration
    // Keys the operation that follows may create (a new file's classes and library): the backup records
    // them, absent or not, so that a restore takes them back too.
    std::vector<std::wstring> mayCreate = {};
};

// What RemoveRegistryKeys deletes of the library's shared TypeLib key. On a machine with two views, while
// the other view's platform subkey ("win32"/"win64") remains under a version, only the view's own platform
// subkeys go (and a version that then holds none); otherwise the whole library key.
struct LibraryRemoval {
    bool whole = true;
    std::vector<std::wstring> paths; // below HKEY_CLASSES_ROOT
};
LibraryRemoval PlanLibraryRemoval(const std::wstring& libraryId, RegistryView view);
// The keys RemoveRegistryKeys deletes for the request, "HKEY_CLASSES_ROOT\...".
std::vector<std::wstring> RemovalKeys(const RemovalRequest& request);

enum class RemovalState {
    Removed,      // every key is gone; the backup holds them
    Declined,     // the user said No: nothing changed
    Refused,      // an identifier was not a braced GUID: nothing changed
    BackupFailed, // the backup could not be written: nothing changed
    PartlyFailed, // some keys could not be deleted (listed in failures)
    FileRefused,  // relink: the new file cannot be registered (see RelinkResult::fileProblem): nothing changed
};

struct RemovalResult {
    RemovalState state = RemovalState::Declined;
    std::wstring backupPath;
    std::vector<std::wstring> keys; // the keys concerned, "HKEY_CLASSES_ROOT\..."
    std::vector<KeyFailure> failures;
    bool Changed() const { return state == RemovalState::Removed || state == RemovalState::PartlyFailed; }
};

// Asks as the request says, writes the backup, deletes the library's key and its controls' class keys,
// plays the sound and tells the user: one message for all failures (with the failure sound), or a closing
// message naming the backup. The catalogue is the caller's: see the result.
RemovalResult RemoveRegistryKeys(const RemovalRequest& request, Desktop& desktop);

struct RelinkResult {
    RegOutcome outcome = RegOutcome::Cancelled;
    RemovalResult removal;
    bool restored = false;       // the registration did not complete and the backup was put back
    std::wstring restoreProblem; // why putting it back failed (empty when it did not fail)
    std::wstring fileProblem;    // why newRef was refused before anything was deleted
};

// Why path cannot be registered, checked before anything is deleted: it must exist, be a PE image of a
// machine type this system loads and export DllRegisterServer. Empty when it may be registered.
std::wstring ServerFileProblem(const std::wstring& path);

// Removes the library's keys (with its own confirmation; declining skips the removal but not the
// registration) and registers newRef in their place; newRef may become the copy in the System folder.
// When the registration does not complete, the backup is imported again and the user is told.
// The flow's desktop asks every question.
RelinkResult ChangeFileReference(std::wstring& newRef, const RemovalRequest& removal, const FlowOptions& flow);

// The registry value an Edit Data element stands for, decoded as every registry value is
// (registry/reg_value.h) but with REG_EXPAND_SZ as stored. found is false when the key or its default
// value is absent.
std::wstring ReadElementValue(const std::wstring& classId, const std::wstring& element, bool* found = nullptr,
                              RegistryView view = OwnView());

struct EditResult {
    bool ok = false;
    bool accessDenied = false; // the registry refused the write for lack of rights
    std::wstring error;        // why nothing was written
    std::wstring value; // the value read back after writing
    std::wstring backupPath;
};

// Backs up the element's key, then writes text as its default value, keeping REG_EXPAND_SZ where it was
// one (REG_SZ otherwise), and reads it back. Nothing is written for an element without a key or a class
// identifier that is not a braced GUID.
EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text,
                             RegistryView view = OwnView());

// The same, and when the registry refused it for lack of rights, again with administrator rights as
// elevation says (asking the desktop with owner as the owner of the question), in the same view.
EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text,
                             Desktop& desktop, WindowRef owner, Elevation elevation, RegistryView view = OwnView());

// ImportBackup, and when keys were refused for lack of rights, the whole file again with administrator
// rights as elevation says (the helper reads and checks the same file and restores it into its header's view).
ImportResult ImportBackup(const std::wstring& file, Desktop& desktop, WindowRef owner, Elevation elevation);

// Restores a backup file after the question (RestoreQuestion; the "Dialogs" setting
// "RestoreRegistryKeys" other than 0 skips it), with administrator rights as elevation says when the
// registry refuses it. True when keys were written or deleted (the caller rescans).
bool RestoreBackupFile(WindowRef owner, Desktop& desktop, const std::wstring& file,
                       Elevation elevation = Elevation::Ask);

// Edit > Restore Registry Keys... without the list: asks for a file in the backup folder and restores it.
bool RestoreRegistryKeysCommand(WindowRef owner, Desktop& desktop);

} // namespace nivex
