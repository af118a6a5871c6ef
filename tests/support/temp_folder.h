#pragma once
// A scratch folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

namespace nivex::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as the program writes paths: native separators, no trailing separator.
    std::wstring Text() const { return path_.wstring(); }
    // Full path of a file below the folder.
    std::wstring File(const std::wstring& name) const { return (path_ / name).wstring(); }
    // Writes bytes to a file below the folder and returns its full path.
    std::wstring WriteFile(const std::wstring& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);

// The folder of the test fixtures built by the project (NIVEX_FIXTURE_DIR, a host path mapped for Wine).
std::wstring FixtureFolder();
std::wstring FixturePath(const std::wstring& name);
// The folder holding the built programs and their data files (NIVEX_BIN_DIR).
std::wstring BinFolder();

} // namespace nivex::testing
