#include "catalogue/catalogue_scan.h"

#include <cwchar>
#include <vector>

#include "catalogue/server_path.h"
#include "common/error.h"
#include "common/format.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "common/file_exists.h"
#include "registry/reg_read.h"

namespace nivex {

namespace {

RegKey OpenKey(HKEY parent, const wchar_t* path, REGSAM access = KEY_QUERY_VALUE) {
    RegKey key;
    if (RegOpenKeyExW(parent, path, 0, access, key.Put()) != ERROR_SUCCESS) key.Release();
    return key;
}

RegKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access = KEY_QUERY_VALUE) {
    return OpenKey(parent, path.c_str(), access);
}

// "name\sub" in a stack buffer: the scan builds one such path for almost every class.
// Subkey names hold at most 255 characters; a longer name (never enumerated) gets the heap path.
class SubkeyPath {
public:
    SubkeyPath(const std::wstring& name, const wchar_t* sub) {
        const size_t subLength = std::wcslen(sub);
        if (name.size() + 1 + subLength < kCapacity) {
            std::wmemcpy(buffer_, name.data(), name.size());
            buffer_[name.size()] = L'\\';
            std::wmemcpy(buffer_ + name.size() + 1, sub, subLength + 1);
            text_ = buffer_;
        } else {
            spill_ = name + L"\\" + sub;
            text_ = spill_.c_str();
        }
    }
    SubkeyPath(const SubkeyPath&) = delete;
    SubkeyPath& operator=(const SubkeyPath&) = delete;
    const wchar_t* c_str() const { return text_; }

private:
    static constexpr size_t kCapacity = 300;
    wchar_t buffer_[kCapacity];
    std::wstring spill_;
    const wchar_t* text_ = nullptr;
};

// Lists the subkey names of an open key. Names hold at most 255 characters.
std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) == ERROR_SUCCESS)
        names.reserve(count);
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buffer, length);
    }
    return names;
}

// One class: reads what the catalogue needs, or returns false when the class is not a catalogued control.
// Every registry call is a round trip to the Wine server, so each read is one open, one query and one close,
// and nothing is read that the catalogue will not use.
struct ClassReader {
    HKEY clsid;
    FileExistenceCache* files; // null: test each file afresh
    const Catalogue& catalogue;

    bool ReadControl(const std::wstring& name, ControlRecord& record, bool resolveSystemFolder) {
        // One failed open costs one round trip: most classes stop here.
        if (!OpenKey(clsid, SubkeyPath(name, L"Control").c_str())) return false;
        RegKey cls = OpenKey(clsid, name);
        if (!cls) return false;
        record.ClassId = name;
        record.DisplayName = ReadValueText(cls.Get(), nullptr).value_or(std::wstring());
        return ReadRest(cls.Get(), record, resolveSystemFolder, nullptr);
    }

    // From the TypeLIB requirement on; serverPath, when given, was read already.
    bool ReadRest(HKEY cls, ControlRecord& record, bool resolveSystemFolder, const std::wstring* serverPath) {
        record.TypeLibId.clear();
        if (!ReadSubkeyText(cls, L"TypeLIB", record.TypeLibId) || record.TypeLibId.empty()) return false;
        if (serverPath) {
            record.RegisteredPath = *serverPath;
        } else {
            record.RegisteredPath.clear();
            if (!ReadSubkeyText(cls, L"InProcServer32", record.RegisteredPath)) return false;
        }
        // The version only selects the library's name, which AddControlToList looks up for the first
        // control of a library alone; for the others it stays empty and the three requests are saved.
        record.Version.clear();
        if (catalogue.FindNodeByKey(record.ClassId) == 0 && catalogue.FindNodeByTag(record.TypeLibId) == 0)
            ReadSubkeyText(cls, L"Version", record.Version);
        // AddControlsForFile matches the registered text against the chosen file and keeps it as registered.
        record.ServerPath = resolveSystemFolder ? ResolveServerPath(record.RegisteredPath) : record.RegisteredPath;

        std::uint64_t length = 0;
        const bool exists =
            files ? files->IsOrdinaryFile(record.ServerPath, &length) : OrdinaryFileExists(record.ServerPath, &length);
        record.SizeKB = exists ? static_cast<std::int64_t>(DivideRoundHalfEven(length, 1024)) : 0;
        record.Status = exists ? kStatusRegistered : kStatusMissing;
        return true;
    }

    // The default value of the subkey (empty when it has none); false when the subkey does not exist.
    static bool ReadSubkeyText(HKEY cls, const wchar_t* subkey, std::wstring& text) {
        std::optional<std::wstring> value = ReadKeyDefaultText(cls, subkey);
        if (!value) return false;
        text = std::move(*value);
        return true;
    }
};

void Report(Catalogue& catalogue, const std::wstring& title, const Error& e) {
    catalogue.ReportError(L"PopulateList", title, e.Number(), e.Description());
}

} // namespace

std::wstring ReadDefaultValue(HKEY root, const std::wstring& path) {
    return ReadKeyDefaultText(root, path.c_str()).value_or(std::wstring());
}

std::wstring GetLibraryName(const std::wstring& typeLibId, const std::wstring& version) {
    return ReadDefaultValue(HKEY_CLASSES_ROOT, L"TypeLib\\" + typeLibId + L"\\" + version);
}

void PopulateList(Catalogue& catalogue, ScanObserver* observer) {
    catalogue.Reset();
    if (!catalogue.HasLibraryNameLookup()) catalogue.SetLibraryNameLookup(GetLibraryName);

    RegKey clsid = OpenKey(HKEY_CLASSES_ROOT, L"CLSID", KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    const std::vector<std::wstring> names = clsid ? SubkeyNames(clsid.Get()) : std::vector<std::wstring>();
    const int count = static_cast<int>(names.size());
    if (observer) observer->ScanStarted(count);

    FileExistenceCache files;
    ClassReader reader{clsid.Get(), &files, catalogue};
    ControlRecord record;
    for (int i = 0; i < count; ++i) {
        try {
            if (reader.ReadControl(names[static_cast<size_t>(i)], record, true)) catalogue.AddControlToList(record);
        } catch (const Error& e) {
            Report(catalogue, record.DisplayName, e);
        } catch (const std::exception& e) {
            Report(catalogue, record.DisplayName, Error(0, L"", Utf8ToWide(e.what())));
        }
        if (observer) observer->ClassDone(i + 1, record.DisplayName);
    }
    if (observer) observer->ScanFinished();
}

void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, ScanObserver* observer) {
    if (!catalogue.HasLibraryNameLookup()) catalogue.SetLibraryNameLookup(GetLibraryName);
    RegKey clsid = OpenKey(HKEY_CLASSES_ROOT, L"CLSID", KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    if (!clsid) return;
    const std::vector<std::wstring> names = SubkeyNames(clsid.Get());
    if (observer) observer->ScanStarted(static_cast<int>(names.size()));
    ClassReader reader{clsid.Get(), nullptr, catalogue};
    ControlRecord record;
    std::wstring server;
    auto addIfServedByFile = [&](const std::wstring& name) {
        // All conditions must hold and reading has no side effect, so the cheapest test goes first:
        // one failed open dismisses a class that is not a control.
        if (!OpenKey(clsid.Get(), SubkeyPath(name, L"Control").c_str())) return;
        std::optional<std::wstring> registered =
            ReadKeyDefaultText(clsid.Get(), SubkeyPath(name, L"InProcServer32").c_str());
        if (!registered) return;
        server = std::move(*registered);
        if (!EqualsNoCase(server, path)) return;
        if (catalogue.FindNodeByKey(name) != 0) {
            // Catalogued already: the node stays, but a report must name the file registered now.
            for (int tree : {Catalogue::kAll, Catalogue::kMissing})
                if (const int node = catalogue.Tree(tree).FindByKey(name))
                    catalogue.Tree(tree).Node(node).serverPath = server;
            return;
        }
        RegKey cls = OpenKey(clsid.Get(), name);
        if (!cls) return;
        record.ClassId = name;
        record.DisplayName = ReadValueText(cls.Get(), nullptr).value_or(std::wstring());
        if (reader.ReadRest(cls.Get(), record, false, &server)) catalogue.AddControlToList(record);
    };
    int index = 0;
    for (const std::wstring& name : names) {
        try {
            addIfServedByFile(name);
        } catch (const Error& e) {
            Report(catalogue, record.DisplayName, e);
        }
        if (observer) observer->ClassDone(++index, record.DisplayName);
    }
    if (observer) observer->ScanFinished();
}

} // namespace nivex
