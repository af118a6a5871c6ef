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
#include "registry/registry_views.h"
#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "inspect/dependency_files.h"
#include "inspect/pe_imports.h"
#include "nivex_version.h"

#include <oleauto.h>

namespace nivex {

namespace {

std::wstring RootName(HKEY root) {
    return root == HKEY_CLASSES_ROOT ? std::wstring(kClassesRootName) : std::to_wstring(RootKeyNumber(root));
}

bool KeyPresent(HKEY root, const std::wstring& path, RegistryView view) {
    RegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | PathAccess(path, view), key.Put()) == ERROR_SUCCESS;
}

void DeleteOne(HKEY root, const std::wstring& path, std::vector<KeyFailure>& failures, RegistryView view) {
    const LONG rc = RegDeleteKeyExW(root, path.c_str(), PathAccess(path, view), 0);
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

// The subkey names of root\path in the view; rc (when given) is how the open went.
std::vector<std::wstring> Subkeys(const std::wstring& path, RegistryView view, HKEY root = HKEY_CLASSES_ROOT,
                                  LONG* rc = nullptr) {
    std::vector<std::wstring> names;
    RegKey key;
    const LONG opened =
        RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | PathAccess(path, view), key.Put());
    if (rc) *rc = opened;
    if (opened != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

const wchar_t* PlatformKey(RegistryView view) {
    return view == RegistryView::Bits64 ? L"win64" : L"win32";
}

// The library's name as its first version key gives it.
std::wstring LibraryName(const std::wstring& libraryId, RegistryView view) {
    for (const std::wstring& version : Subkeys(L"TypeLib\\" + libraryId, view)) {
        const std::wstring name = ReadDefaultValue(HKEY_CLASSES_ROOT, L"TypeLib\\" + libraryId + L"\\" + version);
        if (!name.empty()) return name;
    }
    return {};
}

std::wstring ControlNames(const std::vector<std::wstring>& classIds, RegistryView view) {
    if (classIds.empty()) return {};
    std::wstring name = ReadClassValue(classIds.front(), L"", view).value_or(classIds.front());
    if (classIds.size() > 1) name += L" and " + std::to_wstring(classIds.size() - 1) + L" more";
    return name;
}

BackupHeader Header(const wchar_t* operation, const std::wstring& control, const std::wstring& library,
                    RegistryView view) {
    BackupHeader header;
    header.operation = operation;
    header.control = control;
    header.library = library;
    header.view = view;
    header.version = NIVEX_WIDEN(NIVEX_VERSION_TEXT);
    return header;
}

} // namespace

void DeleteAllKeys(HKEY root, const std::wstring& path, std::vector<KeyFailure>& failures, RegistryView view) {
    // An empty path would be the root itself.
    if (path.empty()) return;
    LONG rc = ERROR_SUCCESS;
    const std::vector<std::wstring> names = Subkeys(path, view, root, &rc);
    if (rc == ERROR_FILE_NOT_FOUND) return;
    if (rc != ERROR_SUCCESS) {
        failures.push_back(
            {RootName(root) + L"\\" + path, static_cast<long>(rc), SystemErrorText(static_cast<DWORD>(rc))});
        return;
    }
    for (const std::wstring& child : names)
        DeleteAllKeys(root, path + L"\\" + child, failures, view);
    if (KeyPresent(root, path, view)) DeleteOne(root, path, failures, view);
}

LibraryRemoval PlanLibraryRemoval(const std::wstring& libraryId, RegistryView view) {
    LibraryRemoval plan;
    const std::wstring library = L"TypeLib\\" + libraryId;
    if (MachineViews().size() < 2) {
        plan.paths.push_back(library);
        return plan;
    }
    // TypeLib is shared: "win32" and "win64" below each version\lcid say which view registered it.
    const std::wstring own = PlatformKey(view);
    const std::wstring other = PlatformKey(OtherView(view));
    std::vector<std::wstring> ownPaths, emptiedVersions;
    bool otherSeen = false;
    for (const std::wstring& version : Subkeys(library, view)) {
        bool versionOther = false;
        std::vector<std::wstring> versionOwn;
        for (const std::wstring& lcid : Subkeys(library + L"\\" + version, view)) {
            for (const std::wstring& platform : Subkeys(library + L"\\" + version + L"\\" + lcid, view)) {
                if (EqualsNoCase(platform, own))
                    versionOwn.push_back(library + L"\\" + version + L"\\" + lcid + L"\\" + platform);
                if (EqualsNoCase(platform, other)) versionOther = true;
            }
        }
        otherSeen = otherSeen || versionOther;
        if (versionOther)
            ownPaths.insert(ownPaths.end(), versionOwn.begin(), versionOwn.end());
        else if (!versionOwn.empty())
            emptiedVersions.push_back(library + L"\\" + version);
    }
    if (!otherSeen) {
        plan.paths.push_back(library);
        return plan;
    }
    plan.whole = false;
    plan.paths = std::move(ownPaths);
    plan.paths.insert(plan.paths.end(), emptiedVersions.begin(), emptiedVersions.end());
    return plan;
}

std::vector<std::wstring> RemovalKeys(const RemovalRequest& request) {
    std::vector<std::wstring> keys;
    for (const std::wstring& path : PlanLibraryRemoval(request.libraryId, request.view).paths)
        keys.push_back(std::wstring(kClassesRootName) + L"\\" + path);
    for (const std::wstring& id : request.classIds)
        keys.push_back(std::wstring(kClassesRootName) + L"\\CLSID\\" + id);
    return keys;
}

RemovalResult RemoveRegistryKeys(const RemovalRequest& request, Desktop& desktop) {
    RemovalResult result;
    // Paths are built from these: anything but a braced GUID could name another key (or all of TypeLib).
    std::vector<std::wstring> bad;
    if (!IsBracedGuid(request.libraryId)) bad.push_back(request.libraryId.empty() ? L"(empty)" : request.libraryId);
    for (const std::wstring& id : request.classIds)
        if (!IsBracedGuid(id)) bad.push_back(id.empty() ? L"(empty)" : id);
    for (const std::wstring& path : request.mayCreate)
        if (!DeletionAllowed(std::wstring(kClassesRootName) + L"\\" + path)) bad.push_back(path);
    if (!bad.empty()) {
        result.keys = KeysToRemove(request.libraryId, request.classIds);
        std::wstring text = L"Nivex did not delete any registry keys: these identifiers are not class or library "
                            L"identifiers:\n";
        for (const std::wstring& id : bad)
            text += id + L"\n";
        desktop.Message(request.owner, text, L"Delete Registry Keys", MsgButtons::Ok, MsgIcon::Critical);
        result.state = RemovalState::Refused;
        return result;
    }

    const LibraryRemoval library = PlanLibraryRemoval(request.libraryId, request.view);
    std::vector<std::wstring> paths = library.paths;
    for (const std::wstring& id : request.classIds)
        paths.push_back(L"CLSID\\" + id);
    result.keys = RemovalKeys(request);

    if (request.confirm == Confirm::Setting && SettingNumber(kSectionDialogs, kKeyDeleteRegistryKeys) == 0) {
        std::wstring question = DeleteKeysQuestion(result.keys);
        if (!library.whole)
            question += L"\nHKEY_CLASSES_ROOT\\TypeLib\\" + request.libraryId + L" stays: the " +
                        ViewNumber(OtherView(request.view)) + L"-bit registration of the library uses it.\n";
        const MsgAnswer answer =
            desktop.Message(request.owner, question, kDeleteKeysTitle, MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgAnswer::Yes) {
            result.state = RemovalState::Declined;
            return result;
        }
    }

    BackupRequest backup;
    backup.header = Header(L"Remove Registry Keys", ControlNames(request.classIds, request.view),
                           LibraryName(request.libraryId, request.view), request.view);
    backup.identifier = request.libraryId;
    backup.name = backup.header.library.empty() ? backup.header.control : backup.header.library;
    backup.trees.push_back(L"TypeLib\\" + request.libraryId);
    for (const std::wstring& id : request.classIds)
        backup.trees.push_back(L"CLSID\\" + id);
    for (const std::wstring& path : request.mayCreate) {
        bool listed = false;
        for (const std::wstring& tree : backup.trees)
            listed = listed || EqualsNoCase(tree, path);
        if (!listed) backup.trees.push_back(path);
    }
    try {
        result.backupPath = WriteBackup(backup);
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
        DeleteAllKeys(HKEY_CLASSES_ROOT, path, result.failures, request.view);
    if (AnyAccessDenied(result.failures) && request.elevation != Elevation::Never) {
        // The backup holds everything already: the helper only deletes what is left, in the same view.
        const ElevatedRetry retry = RetryAsAdministrator(
            desktop, request.owner, DeletionFailureText(result.failures), kDeleteAllKeysTitle,
            HostOperationArguments(L"delete-keys", paths, request.view), request.elevation == Elevation::Ask);
        if (retry.ran) {
            result.failures.clear();
            for (const std::wstring& path : paths)
                if (KeyPresent(HKEY_CLASSES_ROOT, path, request.view))
                    result.failures.push_back(
                        {std::wstring(kClassesRootName) + L"\\" + path, kAccessDeniedError,
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

std::wstring ServerFileProblem(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return path + L" does not exist.";
    FileSource source(path);
    const PeImports image = ReadPeImports(source);
    if (!image.isPe) return path + L" is not a program file (no PE image).";
    if (MachineBits(image.machine) == 0 || (!IsWindows64() && MachineBits(image.machine) == 64))
        return path + L" is built for a machine type (" + Utf8ToWide(MachineName(image.machine)) +
               L") that this system cannot load.";
    if (!PeExportsName(source, "DllRegisterServer"))
        return path + L" does not export DllRegisterServer, so it cannot register itself.";
    return {};
}

namespace {
// The classes and the library of a file's type library: what its registration may create. Read as data
// (REGKIND_NONE): none of the file's code runs.
std::vector<std::wstring> KeysOfFile(const std::wstring& path) {
    std::vector<std::wstring> keys;
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library)) || !library) return keys;
    const auto text = [](const GUID& guid) {
        wchar_t buffer[64] = {};
        StringFromGUID2(guid, buffer, 64);
        return std::wstring(buffer);
    };
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes) {
        keys.push_back(L"TypeLib\\" + text(attributes->guid));
        library->ReleaseTLibAttr(attributes);
    }
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(i, &info)) || !info) continue;
        TYPEATTR* type = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&type)) && type) {
            keys.push_back(L"CLSID\\" + text(type->guid));
            info->ReleaseTypeAttr(type);
        }
        info->Release();
    }
    library->Release();
    return keys;
}
} // namespace

RelinkResult ChangeFileReference(std::wstring& newRef, const RemovalRequest& removal, const FlowOptions& flow) {
    Desktop& desktop = flow.desktop;
    RelinkResult result;
    // Checked before anything is deleted: a mistyped or unusable file must cost nothing.
    result.fileProblem = ServerFileProblem(newRef);
    if (!result.fileProblem.empty()) {
        result.removal.state = RemovalState::FileRefused;
        desktop.Message(removal.owner, L"Nivex did not change the registration.\n" + result.fileProblem,
                        L"Register File", MsgButtons::Ok, MsgIcon::Critical);
        return result;
    }
    RemovalRequest quiet = removal;
    quiet.announceBackup = false; // the registration's own outcome closes the operation
    quiet.elevation = flow.elevation; // rights on demand as the registration that follows has them
    quiet.mayCreate = KeysOfFile(newRef);
    result.removal = RemoveRegistryKeys(quiet, desktop);
    // Declining skips the removal only; a refused identifier or a missing backup stops everything.
    if (result.removal.state == RemovalState::Refused || result.removal.state == RemovalState::BackupFailed)
        return result;

    result.outcome = RegisterControl(newRef, flow);
    if (result.outcome == RegOutcome::Completed || !result.removal.Changed()) return result;

    // The old keys are gone and the new file did not register: put the old registration back, taking
    // away what the attempt wrote.
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

std::wstring ReadElementValue(const std::wstring& classId, const std::wstring& element, bool* found,
                              RegistryView view) {
    if (found) *found = false;
    const auto path = EditDataKeyPath(element, classId);
    if (!path || !IsBracedGuid(classId)) return {};
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path->c_str(), 0, KEY_QUERY_VALUE | PathAccess(*path, view), key.Put()) !=
        ERROR_SUCCESS)
        return {};
    // As stored: the text goes back into the value when edited, so its references must stay.
    std::optional<std::wstring> text = ReadValueText(key.Get(), nullptr, {.expand = false, .keepBytes = true});
    if (!text) return {};
    if (found) *found = true;
    return std::move(*text);
}

EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text,
                             RegistryView view) {
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
        BackupRequest backup;
        const std::wstring control = ReadClassValue(classId, L"", view).value_or(L"");
        const std::wstring libraryId = ReadClassValue(classId, L"TypeLib", view).value_or(L"");
        backup.header = Header(L"Edit Data", control,
                               IsBracedGuid(libraryId) ? LibraryName(libraryId, view) : std::wstring(), view);
        backup.identifier = classId;
        backup.name = control;
        backup.keys.push_back(*path); // its values, and the default value's absence: a restore undoes the edit
        result.backupPath = WriteBackup(backup);
    } catch (const Error& e) {
        result.error = L"Nothing was written because the key could not be backed up first.\n" + e.Description();
        return result;
    }
    RegKey key;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE | PathAccess(*path, view), nullptr, key.Put(), nullptr);
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
    result.value = ReadElementValue(classId, element, nullptr, view);
    result.ok = true;
    return result;
}

EditResult WriteElementValue(const std::wstring& classId, const std::wstring& element, const std::wstring& text,
                             Desktop& desktop, WindowRef owner, Elevation elevation, RegistryView view) {
    EditResult result = WriteElementValue(classId, element, text, view);
    if (result.ok || !result.accessDenied || elevation == Elevation::Never) return result;
    const ElevatedRetry retry = RetryAsAdministrator(desktop, owner, result.error, L"Edit Data",
                                                     HostOperationArguments(L"edit", {classId, element, text}, view),
                                                     elevation == Elevation::Ask);
    if (!retry.ran) return result;
    if (!retry.succeeded) {
        result.error += L"\n" + retry.problem;
        return result;
    }
    result.ok = true;
    result.error.clear();
    result.value = ReadElementValue(classId, element, nullptr, view);
    return result;
}

namespace {
// The helper reads and checks the same file again and restores it into its header's view.
ImportResult ImportChecked(const BackupFile& backup, Desktop& desktop, WindowRef owner, Elevation elevation) {
    ImportResult result = ImportBackup(backup);
    if (result.ok || !result.accessDenied || elevation == Elevation::Never) return result;
    const ElevatedRetry retry = RetryAsAdministrator(desktop, owner, result.message, kRestoreTitle,
                                                     HostOperationArguments(L"restore", {backup.path}),
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
} // namespace

ImportResult ImportBackup(const std::wstring& file, Desktop& desktop, WindowRef owner, Elevation elevation) {
    return ImportChecked(ReadBackupFile(file), desktop, owner, elevation);
}

bool RestoreBackupFile(WindowRef owner, Desktop& desktop, const std::wstring& file, Elevation elevation) {
    const BackupFile backup = ReadBackupFile(file);
    if (backup.problem.empty() && SettingNumber(kSectionDialogs, kKeyRestoreRegistryKeys) == 0) {
        const MsgAnswer answer =
            desktop.Message(owner, RestoreQuestion(file, backup.header, backup.written, backup.deleted), kRestoreTitle,
                            MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgAnswer::Yes) return false;
    }
    const ImportResult result = ImportChecked(backup, desktop, owner, elevation);
    if (!result.ok) {
        desktop.Message(owner, result.message, kRestoreTitle, MsgButtons::Ok, MsgIcon::Critical);
        PlaySoundRelative(desktop, kSoundFailed);
        // Partly written keys still change the catalogue.
        return result.keys > 0;
    }
    desktop.Message(owner, L"The registry keys of " + file + L" were restored.", kRestoreTitle, MsgButtons::Ok,
                    MsgIcon::Information);
    return true;
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
    return RestoreBackupFile(owner, desktop, file);
}

} // namespace nivex
