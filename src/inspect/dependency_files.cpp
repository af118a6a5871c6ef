#include "inspect/dependency_files.h"

#include <algorithm>
#include <cstring>

#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/path_split.h"

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
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file_, page.data(), want, &got, &at) || got != want) return nullptr;
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

std::optional<MentionedNames> ScanFileForDependencies(const std::wstring& path) {
    const HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    DependencyScanner scanner;
    std::vector<std::uint8_t> piece(kScanPiece);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, piece.data(), kScanPiece, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        scanner.Feed(piece.data(), got);
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
    folders.system = QuerySystemDirectory();
    folders.windows = WindowsFolder();
    folders.path = PathFolders();
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

ImportResolver::ImportResolver(SearchFolders folders) : order_(folders.InOrder()) {}

std::optional<std::wstring> ImportResolver::Resolve(const std::string& name) { return ResolveName(ModuleNameText(name)); }

std::optional<std::wstring> ImportResolver::ResolveName(const std::wstring& name) {
    const std::wstring key = ToUpperText(name);
    if (const auto found = resolved_.find(key); found != resolved_.end()) return found->second;
    std::wstring file = name;
    // The loader adds ".dll" to a name without an extension; a trailing dot means "no extension".
    if (file.find(L'.') == std::wstring::npos) file += L".dll";
    else if (file.back() == L'.') file.pop_back();
    std::optional<std::wstring> result;
    if (file.find_first_of(L"\\/:") != std::wstring::npos) {
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
    if (!out.apiSet) out.resolved = Resolve(module.name);
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

std::wstring ExplainLoadFailure(const std::wstring& path) {
    const std::wstring full = FullPathName(path);
    if (full.empty()) return {};
    ImportResolver resolver(SearchFolders::ForFile(full));
    const std::optional<LoadBlocker> blocker = FindLoadBlocker(full, resolver, OwnMachine());
    if (!blocker) return {};
    const std::wstring text = LoadBlockerText(*blocker, GetFileName(full), OwnMachine());
    if (blocker->kind == LoadBlocker::Kind::OtherMachine) return L"The file is built for another processor: " + text;
    return text;
}

} // namespace nivex
