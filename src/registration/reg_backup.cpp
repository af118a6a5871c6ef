#include "registration/reg_backup.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "common/error.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/winutil.h"
#include "registration/repair_rules.h"
#include "registry/registry_views.h"

namespace nivex {

namespace {

const wchar_t* const kSource = L"Nivex.Backup";
// A backup larger than this is not one of ours.
constexpr DWORD kMaxImportBytes = 64u * 1024 * 1024;

std::wstring& FolderOverride() {
    static std::wstring folder;
    return folder;
}

Error SystemError(DWORD code, const std::wstring& what) {
    return Error(static_cast<long>(code), kSource, what + L": " + SystemErrorText(code));
}

// Opens for reading; false when the key is not there at all.
bool OpenForReading(HKEY root, const std::wstring& path, RegKey& key, RegistryView view) {
    const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | PathAccess(path, view), key.Put());
    if (rc == ERROR_FILE_NOT_FOUND) return false;
    if (rc != ERROR_SUCCESS) throw SystemError(static_cast<DWORD>(rc), L"Cannot read the registry key " + path);
    return true;
}

void ReadValues(HKEY key, const std::wstring& path, RegFileKey& out) {
    DWORD longestName = 0, longestData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                               &longestData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) throw SystemError(static_cast<DWORD>(rc), L"Cannot read the registry key " + path);
    std::vector<wchar_t> name(longestName + 2);
    std::vector<std::uint8_t> data(longestData + 2);
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        rc = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (rc == ERROR_NO_MORE_ITEMS) return;
        if (rc == ERROR_MORE_DATA) {
            // Grown since the size query: measure again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            continue;
        }
        if (rc != ERROR_SUCCESS) throw SystemError(static_cast<DWORD>(rc), L"Cannot read the values of " + path);
        RegFileValue value;
        value.name.assign(name.data(), nameLength);
        value.type = type;
        value.data.assign(data.begin(), data.begin() + dataLength);
        out.values.push_back(std::move(value));
        ++index;
    }
}

std::vector<std::wstring> SubkeyNames(HKEY key, const std::wstring& path) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t buffer[256];
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) throw SystemError(static_cast<DWORD>(rc), L"Cannot list the subkeys of " + path);
        names.emplace_back(buffer, length);
    }
    return names;
}

std::wstring NewBackupPath(const std::wstring& identifier, const std::wstring& title) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring folder = BackupFolder();
    const std::wstring name =
        BackupFileName(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, identifier, title);
    return folder + name;
}

// Creates the file anew (never overwriting another backup), adding " (2)", " (3)"... when the name is taken.
FileHandle CreateNewFile(std::wstring& path) {
    const std::wstring stem = path.substr(0, path.size() - 4);
    for (int n = 1; n < 100; ++n) {
        const std::wstring candidate = n == 1 ? path : stem + L" (" + std::to_wstring(n) + L").reg";
        FileHandle file(
            CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            path = candidate;
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            throw SystemError(error, L"Cannot create the backup file " + candidate);
    }
    throw Error(kErrFileNotFound, kSource, L"Cannot create the backup file " + path + L": too many of that name");
}

bool ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes, std::wstring& problem) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = L"Cannot open " + path + L": " + SystemErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxImportBytes) {
        problem = path + L" is too large to be a registry backup.";
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) ||
            got == 0) {
            problem = L"Cannot read " + path + L": " + SystemErrorText(GetLastError());
            return false;
        }
        done += got;
    }
    return true;
}

} // namespace

REGSAM PathAccess(const std::wstring& classesRootPath, RegistryView view) {
    return KeptPerView(classesRootPath) ? ViewAccess(view) : 0;
}

std::wstring BackupFolder() {
    if (!FolderOverride().empty()) return FolderOverride();
    // The environment first: asking the shell would load it into the console companion for one path.
    wchar_t buffer[MAX_PATH] = {};
    std::wstring base;
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) base.assign(buffer, length);
    if (base.empty() && SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        base = buffer;
    return JoinPath(base, L"Velmora Software\\Nivex\\Backups\\");
}

void CreateFolderPath(const std::wstring& folder) {
    // Each missing level in turn, from the top.
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
        if (at == 0 || folder[at - 1] == L'\\') continue;
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            throw SystemError(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error,
                              L"Cannot create the backup folder " + folder);
    }
}

void SetBackupFolder(const std::wstring& folder) {
    FolderOverride() = folder.empty() ? folder : WithTrailingBackslash(folder);
}

void ReadKeyTree(HKEY root, const std::wstring& rootName, const std::wstring& path, std::vector<RegFileKey>& keys,
                 RegistryView view) {
    RegKey key;
    if (!OpenForReading(root, path, key, view)) return;
    RegFileKey entry;
    entry.path = rootName + L"\\" + path;
    ReadValues(key.Get(), path, entry);
    keys.push_back(std::move(entry));
    for (const std::wstring& name : SubkeyNames(key.Get(), path))
        ReadKeyTree(root, rootName, path + L"\\" + name, keys, view);
}

bool ReadKeyValues(HKEY root, const std::wstring& path, std::vector<RegFileValue>& values) {
    RegKey key;
    if (!OpenForReading(root, path, key, OwnView())) return false;
    RegFileKey entry;
    ReadValues(key.Get(), path, entry);
    values = std::move(entry.values);
    return true;
}

namespace {

bool Present(const std::wstring& path, RegistryView view) {
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | PathAccess(path, view), key.Put()) ==
           ERROR_SUCCESS;
}

std::wstring Full(const std::wstring& path) {
    return std::wstring(kClassesRootName) + L"\\" + path;
}

void AddDeletion(const std::wstring& path, std::vector<RegFileKey>& keys) {
    RegFileKey gone;
    gone.path = Full(path);
    gone.remove = true;
    keys.push_back(std::move(gone));
}

std::vector<RegFileKey> CollectBackupKeys(const BackupRequest& request) {
    const RegistryView view = request.header.view;
    std::vector<RegFileKey> keys;
    for (const std::wstring& path : request.trees) {
        // Deleted first, so that what the operation adds below it goes too.
        AddDeletion(path, keys);
        ReadKeyTree(HKEY_CLASSES_ROOT, kClassesRootName, path, keys, view);
    }
    for (std::wstring path : request.keys) {
        RegKey key;
        if (OpenForReading(HKEY_CLASSES_ROOT, path, key, view)) {
            RegFileKey entry;
            entry.path = Full(path);
            ReadValues(key.Get(), path, entry);
            bool hasDefault = false;
            for (const RegFileValue& value : entry.values)
                hasDefault = hasDefault || value.name.empty();
            if (!hasDefault) entry.values.push_back(RegFileValue{.name = L"", .type = 0, .data = {}, .remove = true});
            keys.push_back(std::move(entry));
            continue;
        }
        // The highest absent key, but never above the class's own key ("CLSID\{id}" has one backslash).
        for (size_t cut = path.rfind(L'\\'); cut != std::wstring::npos && path.find(L'\\') < cut;
             cut = path.rfind(L'\\')) {
            if (Present(path.substr(0, cut), view)) break;
            path.resize(cut);
        }
        AddDeletion(path, keys);
    }
    return keys;
}

} // namespace

std::wstring WriteBackup(const BackupRequest& request) {
    const std::vector<RegFileKey> keys = CollectBackupKeys(request);
    const std::wstring unwritable = UnwritableName(keys);
    if (!unwritable.empty())
        throw Error(static_cast<long>(ERROR_INVALID_DATA), kSource,
                    L"The keys cannot be backed up: " + unwritable +
                        L", which a registry file cannot carry (the system's registry editor cannot either).");
    const std::vector<std::wstring> comments = BackupHeaderComments(request.header);
    const std::vector<std::uint8_t> bytes = EncodeUtf16Le(FormatRegFile(keys, comments));

    CreateFolderPath(BackupFolder());
    const std::wstring& named = request.header.control.empty() ? request.header.library : request.header.control;
    std::wstring path = NewBackupPath(request.identifier, request.name.empty() ? named : request.name);
    FileHandle file = CreateNewFile(path);
    DWORD written = 0;
    const bool ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file.Get());
    const DWORD error = ok ? 0 : GetLastError();
    file.Reset();
    if (!ok) {
        DeleteFileW(path.c_str());
        throw SystemError(error ? error : ERROR_WRITE_FAULT, L"Cannot write the backup file " + path);
    }
    // Proven before anything is changed: the file must give back exactly the keys that were read.
    std::vector<std::uint8_t> back;
    std::wstring problem;
    if (ReadWholeFile(path, back, problem)) {
        const RegFileParse parsed = ParseRegFile(back);
        if (!parsed.error.empty())
            problem = parsed.error;
        else if (!SameKeys(parsed.keys, keys) || parsed.comments != comments)
            problem = L"it does not read back as the keys that were read";
    }
    if (!problem.empty()) {
        DeleteFileW(path.c_str());
        throw Error(static_cast<long>(ERROR_INVALID_DATA), kSource,
                    L"The backup file " + path + L" cannot be restored: " + problem);
    }
    return path;
}

void WriteRegFile(const std::wstring& path, const std::vector<RegFileKey>& keys) {
    const std::vector<std::uint8_t> bytes = EncodeUtf16Le(FormatRegFile(keys));
    const std::wstring temporary = path + L".part";
    DWORD error = 0;
    {
        FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file) throw SystemError(GetLastError(), L"Cannot create " + path);
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.Get()))
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
    if (error == 0 && !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) error = GetLastError();
    if (error != 0) {
        DeleteFileW(temporary.c_str());
        throw SystemError(error, L"Cannot write " + path);
    }
}

BackupFile ReadBackupFile(const std::wstring& file) {
    BackupFile backup;
    backup.path = file;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(file, bytes, backup.problem)) return backup;
    RegFileParse parsed = ParseRegFile(bytes);
    if (!parsed.error.empty()) {
        backup.problem = file + L" is not a registry backup Nivex can import.\n" + parsed.error;
        return backup;
    }
    const std::wstring outside = FirstKeyOutsideClassesRoot(parsed.keys);
    if (!outside.empty()) {
        backup.problem = file + L" holds a key outside HKEY_CLASSES_ROOT, so nothing was imported:\n" + outside;
        return backup;
    }
    for (const RegFileKey& key : parsed.keys) {
        bool deletes = key.remove;
        for (const RegFileValue& value : key.values)
            deletes = deletes || value.remove;
        if (deletes && !DeletionAllowed(key.path)) {
            backup.problem = file +
                             L" deletes keys or values outside a single class or library key, so nothing was "
                             L"imported:\n" +
                             key.path;
            return backup;
        }
        (key.remove ? backup.deleted : backup.written).push_back(key.path);
    }
    backup.header = ParseBackupHeader(parsed.comments);
    backup.keys = std::move(parsed.keys);
    return backup;
}

LONG DeleteKeyTree(HKEY root, const std::wstring& path, RegistryView view) {
    if (path.empty()) return ERROR_INVALID_PARAMETER; // the root itself
    // Every level opened with the view's flag: a 32-bit program's relative opens would fall back to its own view.
    std::vector<std::wstring> names;
    {
        RegKey key;
        const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | PathAccess(path, view), key.Put());
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        try {
            names = SubkeyNames(key.Get(), path);
        } catch (const Error& e) {
            return e.Number();
        }
    }
    for (const std::wstring& name : names) {
        const LONG rc = DeleteKeyTree(root, path + L"\\" + name, view);
        if (rc != ERROR_SUCCESS) return rc;
    }
    const LONG rc = RegDeleteKeyExW(root, path.c_str(), PathAccess(path, view), 0);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

std::vector<BackupEntry> ListBackups(const std::wstring& folder) {
    std::vector<BackupEntry> entries;
    const std::wstring base = WithTrailingBackslash(folder);
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((base + L"*.reg").c_str(), &data));
    if (!find) return entries;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        BackupEntry entry;
        entry.path = base + data.cFileName;
        entry.stamp = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
        FILETIME local{};
        SYSTEMTIME time{};
        if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time)) {
            wchar_t text[32];
            swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                     time.wMinute, time.wSecond);
            entry.time = text;
        }
        FileHandle file(CreateFileW(entry.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        std::uint8_t head[4096];
        DWORD got = 0;
        if (file && ReadFile(file.Get(), head, sizeof(head), &got, nullptr)) {
            const BackupHeader header = ParseBackupHeader(LeadingComments(std::span(head, got)));
            entry.operation = header.operation;
            entry.control = header.control.empty() ? header.library : header.control;
        }
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find.Get(), &data));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const BackupEntry& a, const BackupEntry& b) { return a.stamp > b.stamp; });
    return entries;
}

ImportResult ImportBackup(const std::wstring& file) {
    return ImportBackup(ReadBackupFile(file));
}

ImportResult ImportBackup(const BackupFile& backup) {
    ImportResult result;
    if (!backup.problem.empty()) {
        result.message = backup.problem;
        return result;
    }
    const RegistryView view = backup.header.view;
    std::vector<std::wstring> failures;
    for (const RegFileKey& entry : backup.keys) {
        const std::wstring path = PathBelowClassesRoot(entry.path);
        if (entry.remove) {
            const LONG rc = DeleteKeyTree(HKEY_CLASSES_ROOT, path, view);
            if (rc == ERROR_SUCCESS)
                ++result.keys;
            else
                failures.push_back(entry.path + L": " + SystemErrorText(static_cast<DWORD>(rc)));
            result.accessDenied = result.accessDenied || rc == ERROR_ACCESS_DENIED;
            continue;
        }
        RegKey key;
        LONG rc =
            RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE | KEY_QUERY_VALUE | PathAccess(path, view), nullptr, key.Put(), nullptr);
        if (rc != ERROR_SUCCESS) {
            result.accessDenied = result.accessDenied || rc == ERROR_ACCESS_DENIED;
            failures.push_back(entry.path + L": " + SystemErrorText(static_cast<DWORD>(rc)));
            continue;
        }
        ++result.keys;
        for (const RegFileValue& value : entry.values) {
            if (value.remove) {
                rc = RegDeleteValueW(key.Get(), value.name.c_str());
                if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
            } else {
                rc = RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type,
                                    value.data.empty() ? nullptr : value.data.data(),
                                    static_cast<DWORD>(value.data.size()));
            }
            if (rc != ERROR_SUCCESS) {
                result.accessDenied = result.accessDenied || rc == ERROR_ACCESS_DENIED;
                failures.push_back(entry.path + L" \"" + value.name + L"\": " +
                                   SystemErrorText(static_cast<DWORD>(rc)));
            }
        }
    }
    if (!failures.empty()) {
        result.message = L"Some keys or values could not be written:\n";
        for (size_t i = 0; i < failures.size() && i < kMaxListedKeys; ++i)
            result.message += failures[i] + L"\n";
        if (failures.size() > kMaxListedKeys)
            result.message += L"... and " + std::to_wstring(failures.size() - kMaxListedKeys) + L" more\n";
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace nivex
