#include "registration/repair_operations.h"

#include "registry/sound_names.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/winutil.h"
#include "registration/elevated_retry.h"
#include "registration/reg_backup.h"
#include "registry/reg_read.h"
#include "registry/registry.h"
#include "registry/settings.h"
#include "registry/sounds.h"

namespace nivex {

namespace {

std::wstring RootName(HKEY root) {
    return root == HKEY_CLASSES_ROOT ? std::wstring(kClassesRootName) : std::to_wstring(RootKeyNumber(root));
}

bool KeyPresent(HKEY root, const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

void DeleteOne(HKEY root, const std::wstring& path, std::vector<KeyFailure>& failures) {
    const LONG rc = RegDeleteKeyW(root, path.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return;
    failures.push_back({RootName(root) + L"\\" + path, static_cast<long>(rc), SystemErrorText(static_cast<DWORD>(rc))});
}

std::wstring BackupNote(const std::wstring& path) {
    return L"A backup of the keys is in:\n" + path;
}

bool AnyAccessDenied(const std::vector<KeyFailure>& failures) {
    for (const KeyFailure& f : failures)
        if (f.number == kAccessDeniedError) return true;
    return false;
}

} // namespace

void DeleteAllKeys(HKEY root, const std::wstring& path, std::vector<KeyFailure>& failures) {
    // An empty path would be the root itself.
    if (path.empty()) return;
    cRegistry registry;
    registry.SetClassKey(root);
    registry.SetSectionKey(path);
    std::vector<std::wstring> names;
    long count = 0;
    try {
        registry.EnumerateSections(names, count);
    } catch (const Error& e) {
        failures.push_back({RootName(root) + L"\\" + path, e.Number(), e.Description()});
    }
    for (const std::wstring& name : names) {
        const std::wstring child = path + L"\\" + name;
        DeleteAllKeys(root, child, failures);
    }
    if (KeyPresent(root, path)) DeleteOne(root, path, failures);
}

RemovalResult RemoveRegistryKeys(const RemovalRequest& request, Desktop& desktop) {
    RemovalResult result;
    result.keys = KeysToRemove(request.libraryId, request.classIds);
    // Paths are built from these: anything but a braced GUID could name another key (or all of TypeLib).
    std::vector<std::wstring> bad;
    if (!IsBracedGuid(request.libraryId)) bad.push_back(request.libraryId.empty() ? L"(empty)" : request.libraryId);
    for (const std::wstring& id : request.classIds)
        if (!IsBracedGuid(id)) bad.push_back(id.empty() ? L"(empty)" : id);
    if (!bad.empty()) {
        std::wstring text = L"Nivex did not delete any registry keys: these identifiers are not class or library "
                            L"identifiers:\n";
        for (const std::wstring& id : bad)
            text += id + L"\n";
        desktop.Message(request.owner, text, L"Delete Registry Keys", MsgButtons::Ok, MsgIcon::Critical);
        result.state = RemovalState::Refused;
        return result;
    }

    if (request.confirm == Confirm::Setting && SettingNumber(kSectionDialogs, kKeyDeleteRegistryKeys) == 0) {
        const MsgAnswer answer = desktop.Message(request.owner, DeleteKeysQuestion(result.keys), kDeleteKeysTitle,
                                                 MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgAnswer::Yes) {
            result.state = RemovalState::Declined;
            return result;
        }
    }

    std::vector<std::wstring> paths;
    paths.push_back(L"TypeLib\\" + request.libraryId);
    for (const std::wstring& id : request.classIds)
        paths.push_back(L"CLSID\\" + id);
    try {
        result.backupPath = WriteBackup(paths, request.libraryId);
    } catch (const Error& e) {
        desktop.Message(request.owner,
                        L"Nivex did not delete any registry keys because it could not back them up first.\n\n" +
                            e.Description(),
                        L"Delete Registry Keys", MsgButtons::Ok, MsgIcon::Critical);
        PlaySoundRelative(desktop, kSoundFailed);
        result.state = RemovalState::BackupFailed;
        return result;
    }

    for (const std::wstring& path : paths)
        DeleteAllKeys(HKEY_CLASSES_ROOT, path, result.failures);
    if (AnyAccessDenied(result.failures) && request.elevation != Elevation::Never) {
        // The backup holds everything already: the helper only deletes what is left.
        const ElevatedRetry retry =
            RetryAsAdministrator(desktop, request.owner, DeletionFailureText(result.failures), kDeleteAllKeysTitle,
                                 HostOperationArguments(L"delete-keys", paths), request.elevation == Elevation::Ask);
        if (retry.ran) {
            result.failures.clear();
            for (const std::wstring& path : paths)
                if (KeyPresent(HKEY_CLASSES_ROOT, path))
                    result.failures.push_back({std::wstring(kClassesRootName) + L"\\" + path, kAccessDeniedError,
                                               retry.problem.empty() ? SystemErrorText(ERROR_ACCESS_DENIED) : retry.problem});
        }
    }
    if (!result.failures.empty()) {
        result.state = RemovalState::PartlyFailed;
        PlaySoundRelative(desktop, kSoundFailed);
        desktop.Message(request.owner, DeletionFailureText(result.failures) + L"\n" + BackupNote(result.backupPath),
                        kDeleteAllKeysTitle, MsgButtons::Ok, MsgIcon::Critical);
        return result;
    }
    result.state = RemovalState::Removed;
    PlaySoundRelative(desktop, kSoundKeysDeleted);
    if (request.announceBackup)
        desktop.Message(request.owner, L"The registry keys were deleted.\n" + BackupNote(result.backupPath),
                        L"Registry Keys Deleted", MsgButtons::Ok, MsgIcon::Information);
    return result;
}

RelinkResult ChangeFileReference(std::wstring& newRef, const RemovalRequest& removal, const FlowOptions& flow) {
    Desktop& desktop = flow.desktop;
    RelinkResult result;
    RemovalRequest quiet = removal;
    quiet.announceBackup = false; // the registration's own outcome closes the operation
    result.removal = RemoveRegistryKeys(quiet, desktop);
    // Declining skips the removal only; a refused identifier or a missing backup stops everything.
    if (result.removal.state == RemovalState::Refused || result.removal.state == RemovalState::BackupFailed)
        return result;

    result.outcome = RegisterControl(newRef, flow);
    if (result.outcome == RegOutcome::Completed || !result.removal.Changed()) return result;

    // The old keys are gone and the new file did not register: put the old registration back.
    const ImportResult back = ImportBackup(result.removal.backupPath);
    result.restored = back.ok;
    result.restoreProblem = back.message;
    if (back.ok) {
        desktop.Message(removal.owner,
                        L"The new file was not registered, so Nivex put the old registration back from its backup:\n" +
                            result.removal.backupPath,
                        L"Registration Restored", MsgButtons::Ok, MsgIcon::Exclamation);
    } else {
        desktop.Message(removal.owner,
                        L"The new file was not registered, and the old registration could not be put back.\n" +
                            back.message + L"\nThe backup is in:\n" + result.removal.backupPath,
                        L"Registration Not Restored", MsgButtons::Ok, MsgIcon::Critical);
    }
    return result;
}

std::wstring ReadElementValue(const std::wstring& classId, const std::wstring& element, bool* found) {
    if (found) *found = false;
    const auto path = EditDataKeyPath(element, classId);
    if (!path || !IsBracedGuid(classId)) return {};
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path->c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return {};
    // As stored: the text goes back into the value when edited, so its references must stay.
    std::optional<std::wstring> text = ReadValueText(key.Get(), nullptr, {.expand = false, .keepBytes = true});
    if (!text) return {};
    if (found) *found = true;
    return std::move(*text);
}

EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text) {
    EditResult result;
    const auto path = EditDataKeyPath(element, classId);
    if (!path) {
        result.error = L"\"" + element + L"\" is not stored in the registry.";
        return result;
    }
    if (!IsBracedGuid(classId)) {
        result.error = L"\"" + classId + L"\" is not a class identifier.";
        return result;
    }
    try {
        result.backupPath = WriteBackup({*path}, classId);
    } catch (const Error& e) {
        result.error = L"Nothing was written because the key could not be backed up first.\n" + e.Description();
        return result;
    }
    RegKey key;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        result.accessDenied = rc == ERROR_ACCESS_DENIED;
        result.error = L"Cannot open HKEY_CLASSES_ROOT\\" + *path + L": " + SystemErrorText(static_cast<DWORD>(rc));
        return result;
    }
    // Keep an expandable value expandable: its references are the point of it.
    DWORD type = REG_SZ;
    std::optional<DWORD> oldType;
    std::vector<std::uint8_t> old;
    if (ReadRawValue(key.Get(), L"", oldType, old) == ERROR_SUCCESS && oldType == static_cast<DWORD>(REG_EXPAND_SZ))
        type = REG_EXPAND_SZ;
    rc = RegSetValueExW(key.Get(), L"", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) {
        result.accessDenied = rc == ERROR_ACCESS_DENIED;
        result.error = L"Cannot write HKEY_CLASSES_ROOT\\" + *path + L": " + SystemErrorText(static_cast<DWORD>(rc));
        return result;
    }
    key.Reset();
    result.value = ReadElementValue(classId, element);
    result.ok = true;
    return result;
}

EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text,
                             Desktop& desktop, WindowRef owner, Elevation elevation) {
    EditResult result = WriteElementValue(classId, element, text);
    if (result.ok || !result.accessDenied || elevation == Elevation::Never) return result;
    const ElevatedRetry retry = RetryAsAdministrator(desktop, owner, result.error, L"Edit Data",
                                                     HostOperationArguments(L"edit", {classId, element, text}),
                                                     elevation == Elevation::Ask);
    if (!retry.ran) return result;
    if (!retry.succeeded) {
        result.error += L"\n" + retry.problem;
        return result;
    }
    result.ok = true;
    result.error.clear();
    result.value = ReadElementValue(classId, element);
    return result;
}

ImportResult ImportBackup(const std::wstring& file, Desktop& desktop, WindowRef owner, Elevation elevation) {
    ImportResult result = ImportBackup(file);
    if (result.ok || !result.accessDenied || elevation == Elevation::Never) return result;
    const ElevatedRetry retry = RetryAsAdministrator(desktop, owner, result.message, L"Restore Registry Keys",
                                                     HostOperationArguments(L"restore", {file}),
                                                     elevation == Elevation::Ask);
    if (!retry.ran) return result;
    if (!retry.succeeded) {
        result.message += retry.problem;
        return result;
    }
    result.ok = true;
    result.message.clear();
    return result;
}

bool RestoreRegistryKeysCommand(WindowRef owner, Desktop& desktop) {
    FileDialogRequest request;
    request.owner = owner;
    request.filter = L"Registry Backups (*.reg)|*.reg";
    request.title = L"Restore Registry Keys";
    request.initialFolder = BackupFolder();
    request.defaultExt = L"reg";
    // The folder may not exist before the first backup; the dialog needs one.
    try {
        CreateFolderPath(request.initialFolder);
    } catch (const Error&) {
        // The dialog then starts where it can; the import does not need the folder.
    }
    const std::wstring file = desktop.OpenFile(request);
    if (file.empty() || file == kDialogCancelled) return false;
    const ImportResult result = ImportBackup(file, desktop, owner, Elevation::Ask);
    if (!result.ok) {
        desktop.Message(owner, result.message, L"Restore Registry Keys", MsgButtons::Ok, MsgIcon::Critical);
        PlaySoundRelative(desktop, kSoundFailed);
        // Partly written keys still change the catalogue.
        return result.keys > 0;
    }
    desktop.Message(owner, L"The registry keys of " + file + L" were restored.", L"Restore Registry Keys",
                    MsgButtons::Ok, MsgIcon::Information);
    return true;
}

} // namespace nivex
