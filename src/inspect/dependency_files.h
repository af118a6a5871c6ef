#pragma once
// The dependency scan and the import reader applied to files on disk, and the loader's search for the
// modules a file imports.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inspect/dependency_report.h"
#include "common/file_exists.h"
#include "inspect/import_walk.h"

namespace nivex {

// A file's bytes read on demand through a few cached pages. The file is opened for reading with
// read sharing, so nobody can truncate it while it is read.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::wstring& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t size) const override;

private:
    static constexpr std::size_t kPageSize = 16384;
    static constexpr std::size_t kMaxPages = 16;
    const std::vector<std::uint8_t>* Page(std::uint64_t index) const;

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::uint64_t size_ = 0;
    mutable std::map<std::uint64_t, std::vector<std::uint8_t>> pages_;
};

// The machine type of a PE file's header; 0 when the file cannot be read or is no PE image.
std::uint16_t FileMachine(const std::wstring& path);

// Scans the whole file for mentioned ".dll" and ".ocx" names, one piece at a time. No value when the file
// cannot be opened or read to its end.
std::optional<MentionedNames> ScanFileForDependencies(const std::wstring& path);

// The folders the loader searches, in order, for the modules of a file loaded by its full path, as a process
// of the file's own machine type sees them (named so that this program reaches the same files).
struct SearchFolders {
    std::wstring own;     // the file's own folder
    std::wstring system;  // the System folder of the file's machine type (SysWOW64 for a 32-bit file on 64-bit Windows)
    std::wstring windows; // the Windows folder
    std::vector<std::wstring> path; // the folders of PATH, in order
    // Modules the loader always takes from the System folder (its known DLLs), lower-case.
    std::vector<std::string> known;
    // The folders of this machine for a file.
    static SearchFolders ForFile(const std::wstring& file);
    std::vector<std::wstring> InOrder() const;
};

// Finds imported modules as the loader does and reads each module's imports once. Folders are listed
// once each, so resolving thousands of names costs a listing per folder, not a look-up per name.
class ImportResolver final : public ModuleProvider {
public:
    explicit ImportResolver(SearchFolders folders);
    std::optional<std::wstring> Resolve(const std::string& name) override;
    // The same for a name as text (a mentioned name).
    std::optional<std::wstring> ResolveName(const std::wstring& name);
    const PeImports& Imports(const std::wstring& path) override;
    ResolvedImport ResolveImport(const ImportedModule& module);

    std::size_t FilesRead() const { return files_.size(); }
    std::size_t FolderListings() const { return existence_.FolderListings(); }

private:
    std::optional<std::wstring> InSystemFolder(const std::wstring& file);

    std::vector<std::wstring> order_; // each ending in a backslash
    std::wstring system_;             // ending in a backslash (empty when unknown)
    std::vector<std::string> known_;
    FileExistenceCache existence_;
    std::map<std::wstring, std::optional<std::wstring>> resolved_; // by upper-cased name
    std::map<std::wstring, std::unique_ptr<PeImports>> files_;    // by upper-cased full path
};

// The viewer's and nivexcmd's report for one file, with the file's own folder searched first.
DependencyReport BuildDependencyReport(const std::wstring& path, ImportResolver& resolver);
DependencyReport BuildDependencyReport(const std::wstring& path);

// Why a file that exists cannot be loaded by a process of loaderMachine, when its imports tell: a missing
// module with the chain that needs it (looked for as a process of the file's own machine type finds it), or
// a machine type that process cannot load. Empty when the walk finds nothing to say.
std::wstring ExplainLoadFailure(const std::wstring& path, std::uint16_t loaderMachine = OwnMachine());

} // namespace nivex
