#include "catalogue/catalogue_scan.h"

#include <algorithm>
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
#include "inspect/dependency_files.h"
#include "registry/reg_read.h"
#include "registry/registry_views.h"

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
    HKEY clsid; // CLSID of the view
    RegistryView view;
    FileExistenceCache* files; // null: test each file afresh
    const Catalogue& catalogue;

    REGSAM Access() const { return ViewAccessBelow(view); } // every open is below the view's CLSID

    bool ReadControl(const std::wstring& name, ControlRecord& record, bool resolveSystemFolder) {
        // One failed open costs one round trip: most classes stop here.
        if (!OpenKey(clsid, SubkeyPath(name, L"Control").c_str(), KEY_QUERY_VALUE | Access())) return false;
        RegKey cls = OpenKey(clsid, name, KEY_QUERY_VALUE | Access());
        if (!cls) return false;
        record.ClassId = name;
        record.DisplayName = ReadValueText(cls.Get(), nullptr).value_or(std::wstring());
        return ReadRest(cls.Get(), record, resolveSystemFolder, nullptr);
    }

    // From the TypeLIB requirement on; serverPath, when given, was read already.
    bool ReadRest(HKEY cls, ControlRecord& record, bool resolveSystemFolder, const std::wstring* serverPath) {
        record.View = view;
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
        if (catalogue.FindNodeByKey(record.ClassId, view) == 0 && catalogue.FindNodeByTag(record.TypeLibId, view) == 0)
            ReadSubkeyText(cls, L"Version", record.Version);
        // AddControlsForFile matches the registered text against the chosen file and resolves no bare name; the
        // file is still the one the server's own process would open.
        record.ServerPath = resolveSystemFolder ? ResolveServerPath(record.RegisteredPath, view)
                                                : ServerFileInView(record.RegisteredPath, view);

        std::uint64_t length = 0;
        const bool exists =
            files ? files->IsOrdinaryFile(record.ServerPath, &length) : OrdinaryFileExists(record.ServerPath, &length);
        record.SizeKB = exists ? static_cast<std::int64_t>(DivideRoundHalfEven(length, 1024)) : 0;
        record.Status = exists ? kStatusRegistered : kStatusMissing;
        return true;
    }

    // The default value of the subkey (empty when it has none), expanded as the view's programs expand it;
    // false when the subkey does not exist.
    bool ReadSubkeyText(HKEY cls, const wchar_t* subkey, std::wstring& text) const {
        RegTextOptions options;
        options.expander = ViewExpander(view);
        std::optional<std::wstring> value = ReadKeyDefaultText(cls, subkey, options, Access());
        if (!value) return false;
        text = std::move(*value);
        return true;
    }
};

// CLSID of one view and its subkey names.
struct ViewClasses {
    RegistryView view;
    RegKey clsid;
    std::vector<std::wstring> names;
};

ViewClasses ListClasses(RegistryView view) {
    ViewClasses classes{
        view, OpenKey(HKEY_CLASSES_ROOT, L"CLSID", KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | ViewAccess(view)), {}};
    if (classes.clsid) classes.names = SubkeyNames(classes.clsid.Get());
    return classes;
}

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
    const std::vector<RegistryView> views = MachineViews();
    catalogue.SetTwoViews(views.size() > 1);

    // Both views are listed first, so that the progress knows the whole count.
    std::vector<ViewClasses> scans;
    int count = 0;
    for (RegistryView view : views) {
        if (!catalogue.ViewShown(view)) continue;
        scans.push_back(ListClasses(view));
        count += static_cast<int>(scans.back().names.size());
    }
    if (observer) observer->ScanStarted(count);

    // Paths are named per view before they are tested, so one listing of a folder serves both views.
    FileExistenceCache files;
    ControlRecord record;
    int index = 0;
    for (const ViewClasses& scan : scans) {
        ClassReader reader{scan.clsid.Get(), scan.view, &files, catalogue};
        for (const std::wstring& name : scan.names) {
            try {
                if (reader.ReadControl(name, record, true)) catalogue.AddControlToList(record);
            } catch (const Error& e) {
                Report(catalogue, record.DisplayName, e);
            } catch (const std::exception& e) {
                Report(catalogue, record.DisplayName, Error(0, L"", Utf8ToWide(e.what())));
            }
            if (observer) observer->ClassDone(++index, record.DisplayName);
        }
    }
    if (observer) observer->ScanFinished();
}

RegistryView ViewOfServerFile(const std::wstring& path) {
    const std::vector<RegistryView> views = MachineViews();
    const std::optional<RegistryView> view = ViewOfMachine(FileMachine(path));
    if (view && std::find(views.begin(), views.end(), *view) != views.end()) return *view;
    return OwnView();
}

void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, ScanObserver* observer) {
    AddControlsForFile(catalogue, path, ViewOfServerFile(path), observer);
}

void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, RegistryView view, ScanObserver* observer) {
    if (!catalogue.HasLibraryNameLookup()) catalogue.SetLibraryNameLookup(GetLibraryName);
    catalogue.SetTwoViews(MachineViews().size() > 1);
    if (!catalogue.ViewShown(view)) return;
    ViewClasses classes = ListClasses(view);
    if (!classes.clsid) return;
    const HKEY clsid = classes.clsid.Get();
    const REGSAM access = KEY_QUERY_VALUE | ViewAccessBelow(view);
    if (observer) observer->ScanStarted(static_cast<int>(classes.names.size()));
    ClassReader reader{clsid, view, nullptr, catalogue};
    // The chosen file as the server's process names it: a 32-bit server chosen in SysWOW64 is registered by
    // its own process under System32.
    const std::wstring chosen = ServerFileInView(path, view);
    ControlRecord record;
    std::wstring server;
    auto addIfServedByFile = [&](const std::wstring& name) {
        // All conditions must hold and reading has no side effect, so the cheapest test goes first:
        // one failed open dismisses a class that is not a control.
        if (!OpenKey(clsid, SubkeyPath(name, L"Control").c_str(), access)) return;
        if (!reader.ReadSubkeyText(clsid, SubkeyPath(name, L"InProcServer32").c_str(), server)) return;
        if (!EqualsNoCase(server, path) && !EqualsNoCase(ServerFileInView(server, view), chosen)) return;
        if (catalogue.FindNodeByKey(name, view) != 0) {
            // Catalogued already: the node stays, but a report must name the file registered now.
            for (int tree : {Catalogue::kAll, Catalogue::kMissing})
                if (const int node = catalogue.Tree(tree).FindByKey(name, view))
                    catalogue.Tree(tree).Node(node).serverPath = server;
            return;
        }
        RegKey cls = OpenKey(clsid, name, access);
        if (!cls) return;
        record.ClassId = name;
        record.DisplayName = ReadValueText(cls.Get(), nullptr).value_or(std::wstring());
        if (reader.ReadRest(cls.Get(), record, false, &server)) catalogue.AddControlToList(record);
    };
    int index = 0;
    for (const std::wstring& name : classes.names) {
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
