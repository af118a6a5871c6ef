#include "inspect/dependency_files.h"

#include <algorithm>
#include <cstring>

#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "common/path_split.h"
#include "registry/reg_read.h"
#include "registry/registry_views.h"

namespace nivex {

namespace {

HANDLE OpenForReading(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return INVALID_HANDLE_VALUE;
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Scan pieces: large enough that a read costs little per byte, small enough to never strain memory.
constexpr DWORD kScanPiece = 1 << 20;

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// The loader's known DLLs as the registry lists them (the value data), lower-case.
std::vector<std::string> KnownDllNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs", 0,
                          KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return list;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameLength = 256;
            std::optional<std::wstring> data;
            if (RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            data = ReadValueText(key, name);
            if (data && !data->empty() && data->find(L'.') != std::wstring::npos)
                list.push_back(ModuleKey(WideToUtf8(*data)));
        }
        RegCloseKey(key);
        return list;
    }();
    return names;
}

std::vector<std::wstring> PathFolders() {
    std::vector<std::wstring> folders;
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed == 0) return folders;
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", value.data(), needed);
    value.resize(std::min<DWORD>(length, needed));
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(L';', start);
        if (end == std::wstring::npos) end = value.size();
        std::wstring folder = Trim(value.substr(start, end - start));
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
            folder = folder.substr(1, folder.size() - 2);
        if (!folder.empty()) folders.push_back(folder);
        start = end + 1;
    }
    return folders;
}

} // namespace

FileSource::FileSource(const std::wstring& path) : file_(OpenForReading(path)) {
    LARGE_INTEGER size{};
    if (file_ != INVALID_HANDLE_VALUE && GetFileSizeEx(file_, &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
}

FileSource::~FileSource() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

const std::vector<std::uint8_t>* FileSource::Page(std::uint64_t index) const {
    if (const auto found = pages_.find(index); found != pages_.end()) return &found->second;
    const std::uint64_t offset = index * kPageSize;
    if (offset >= size_) return nullptr;
    const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(kPageSize, size_ - offset));
    std::vector<std::uint8_t> page(want);
    // Seek and read rather than a positioned read: under Wine the latter costs a server request more.
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) || !ReadFile(file_, page.data(), want, &got, nullptr) ||
        got != want)
        return nullptr;
    if (pages_.size() >= kMaxPages) pages_.clear();
    return &(pages_[index] = std::move(page));
}

bool FileSource::Read(std::uint64_t offset, void* out, std::size_t size) const {
    if (file_ == INVALID_HANDLE_VALUE || offset > size_ || size > size_ - offset) return false;
    auto* target = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const std::vector<std::uint8_t>* page = Page(offset / kPageSize);
        if (!page) return false;
        const std::size_t into = static_cast<std::size_t>(offset % kPageSize);
        if (into >= page->size()) return false;
        const std::size_t take = std::min(size, page->size() - into);
        std::memcpy(target, page->data() + into, take);
        target += take;
        offset += take;
        size -= take;
    }
    return true;
}

namespace {

// Feeds the file from its current position to its end, piece by piece; false when a read fails.
bool FeedByReading(HANDLE file, DependencyScanner& scanner) {
    std::vector<std::uint8_t> piece(kScanPiece);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, piece.data(), kScanPiece, &got, nullptr)) return false;
        if (got == 0) return true;
        scanner.Feed(piece.data(), got);
    }
}

// Only files on local fixed disks are mapped: a mapped page of a network or removable file that can no
// longer be read would fault instead of failing a read.
bool IsOnFixedDisk(const std::wstring& path) {
    const std::wstring full = FullPathName(path);
    if (full.size() < 3 || full[1] != L':' || full[2] != L'\\') return false;
    return GetDriveTypeW(full.substr(0, 3).c_str()) == DRIVE_FIXED;
}

// Feeds the file through views of its mapping: no copy of the bytes, so the scan costs little more than
// the reading. Views are a fixed size, whatever the file's. False when the file cannot be mapped (nothing
// has been fed then, unless a later view failed: *fed says how far it got).
bool FeedByMapping(HANDLE file, std::uint64_t size, DependencyScanner& scanner, std::uint64_t* fed) {
    constexpr std::uint64_t kView = 64ull << 20; // a multiple of the allocation granularity
    *fed = 0;
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) return false;
    bool ok = true;
    for (std::uint64_t at = 0; at < size && ok; at += kView) {
        const std::size_t length = static_cast<std::size_t>(std::min(kView, size - at));
        const void* view = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(at >> 32), static_cast<DWORD>(at), length);
        if (!view) {
            ok = false;
            break;
        }
        scanner.Feed(static_cast<const std::uint8_t*>(view), length);
        UnmapViewOfFile(view);
        *fed = at + length;
    }
    CloseHandle(mapping);
    return ok;
}

} // namespace

std::uint16_t FileMachine(const std::wstring& path) {
    FileSource source(path);
    if (!source.IsOpen()) return 0;
    const PeImports imports = ReadPeImports(source);
    return imports.isPe ? imports.machine : 0;
}

std::optional<MentionedNames> ScanFileForDependencies(const std::wstring& path) {
    // Read sharing only: nobody can shorten the file under a view of it.
    HANDLE file = OpenForReading(path);
    bool mappable = file != INVALID_HANDLE_VALUE && IsOnFixedDisk(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION && !path.empty() &&
        path.find(L'\0') == std::wstring::npos) {
        // Another program has it open for writing: it can still be read, piece by piece.
        file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    DependencyScanner scanner;
    bool ok = true;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        ok = false;
    } else if (size.QuadPart > 0) {
        std::uint64_t fed = 0;
        if (!mappable || !FeedByMapping(file, static_cast<std::uint64_t>(size.QuadPart), scanner, &fed)) {
            // The rest by reading, from where the views stopped.
            LARGE_INTEGER from{};
            from.QuadPart = static_cast<LONGLONG>(fed);
            ok = SetFilePointerEx(file, from, nullptr, FILE_BEGIN) && FeedByReading(file, scanner);
        }
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return scanner.Result();
}

SearchFolders SearchFolders::ForFile(const std::wstring& file) {
    SearchFolders folders;
    const std::wstring full = FullPathName(file);
    const std::size_t slash = full.rfind(L'\\');
    if (slash != std::wstring::npos) folders.own = full.substr(0, slash + 1);
    // A 32-bit file on 64-bit Windows is loaded by a 32-bit process, whose System32 is SysWOW64.
    RegistryView view = OwnView();
    const std::vector<RegistryView> views = MachineViews();
    if (const std::optional<RegistryView> fileView = ViewOfMachine(FileMachine(full));
        fileView && std::find(views.begin(), views.end(), *fileView) != views.end())
        view = *fileView;
    folders.system = view == OwnView() ? QuerySystemDirectory() : SystemFolderOfView(view);
    folders.windows = WindowsFolder();
    for (const std::wstring& folder : PathFolders())
        folders.path.push_back(ServerFileInView(folder, view));
    folders.known = KnownDllNames();
    return folders;
}

std::vector<std::wstring> SearchFolders::InOrder() const {
    std::vector<std::wstring> order;
    const auto add = [&](const std::wstring& folder) {
        if (folder.empty()) return;
        const std::wstring with = WithTrailingBackslash(folder);
        // A folder met again later in the order can add nothing.
        const bool seen = std::any_of(order.begin(), order.end(), [&](const std::wstring& o) { return EqualsNoCase(o, with); });
        if (!seen) order.push_back(with);
    };
    add(own);
    add(system);
    add(windows);
    for (const std::wstring& folder : path)
        add(folder);
    return order;
}

ImportResolver::ImportResolver(SearchFolders folders)
    : order_(folders.InOrder()),
      system_(folders.system.empty() ? std::wstring() : WithTrailingBackslash(folders.system)),
      known_(std::move(folders.known)) {}

std::optional<std::wstring> ImportResolver::InSystemFolder(const std::wstring& file) {
    if (system_.empty() || file.find_first_of(L"\\/:") != std::wstring::npos || IsSearchPattern(file))
        return std::nullopt;
    if (!existence_.IsOrdinaryFile(system_ + file)) return std::nullopt;
    return system_ + file;
}

std::optional<std::wstring> ImportResolver::Resolve(const std::string& name) { return ResolveName(ModuleNameText(name)); }

std::optional<std::wstring> ImportResolver::ResolveName(const std::wstring& name) {
    const std::wstring key = ToUpperText(name);
    if (const auto found = resolved_.find(key); found != resolved_.end()) return found->second;
    std::wstring file = name;
    // The loader adds ".dll" to a name without an extension; a trailing dot means "no extension".
    if (file.find(L'.') == std::wstring::npos) file += L".dll";
    else if (file.back() == L'.') file.pop_back();
    std::optional<std::wstring> result;
    if (std::find(known_.begin(), known_.end(), ModuleKey(WideToUtf8(file))) != known_.end()) {
        // The loader takes its known DLLs from the System folder, before any other folder.
        result = InSystemFolder(file);
    } else if (file.find_first_of(L"\\/:") != std::wstring::npos) {
        // A name with a folder in it is taken as it stands.
        if (existence_.IsOrdinaryFile(file)) result = FullPathName(file);
    } else if (!file.empty() && !IsSearchPattern(file)) {
        for (const std::wstring& folder : order_) {
            if (existence_.IsOrdinaryFile(folder + file)) {
                result = folder + file;
                break;
            }
        }
    }
    resolved_.emplace(key, result);
    return result;
}

const PeImports& ImportResolver::Imports(const std::wstring& path) {
    auto& slot = files_[ToUpperText(path)];
    if (!slot) {
        FileSource source(path);
        slot = std::make_unique<PeImports>(source.IsOpen() ? ReadPeImports(source) : PeImports{});
    }
    return *slot;
}

ResolvedImport ImportResolver::ResolveImport(const ImportedModule& module) {
    ResolvedImport out;
    out.name = module.name;
    out.delayed = module.delayed;
    out.apiSet = IsApiSetName(module.name);
    // The loader maps an API set to a host module itself; where the System folder holds a module of that name,
    // it is named.
    out.resolved = out.apiSet ? InSystemFolder(ModuleNameText(module.name)) : Resolve(module.name);
    return out;
}

DependencyReport BuildDependencyReport(const std::wstring& path, ImportResolver& resolver) {
    DependencyReport report;
    report.file = path;
    const std::optional<MentionedNames> mentioned = ScanFileForDependencies(path);
    report.readable = mentioned.has_value();
    if (!mentioned) return report;
    report.mentioned = *mentioned;
    const PeImports& imports = resolver.Imports(path);
    if (imports.isPe) report.machine = imports.machine;
    for (const ImportedModule& module : imports.modules)
        report.imports.push_back(resolver.ResolveImport(module));
    return report;
}

DependencyReport BuildDependencyReport(const std::wstring& path) {
    ImportResolver resolver(SearchFolders::ForFile(path));
    return BuildDependencyReport(path, resolver);
}

std::wstring ExplainLoadFailure(const std::wstring& path, std::uint16_t loaderMachine) {
    const std::wstring full = FullPathName(path);
    if (full.empty()) return {};
    ImportResolver resolver(SearchFolders::ForFile(full));
    const std::optional<LoadBlocker> blocker = FindLoadBlocker(full, resolver, loaderMachine);
    if (!blocker) return {};
    const std::wstring text = LoadBlockerText(*blocker, GetFileName(full), loaderMachine);
    if (blocker->kind == LoadBlocker::Kind::OtherMachine) return L"The file is built for another processor: " + text;
    return text;
}

} // namespace nivex
