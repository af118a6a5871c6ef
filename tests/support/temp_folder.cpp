#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/text.h"

namespace nivex::testing {

namespace {
std::atomic<int> counter{0};
}

TempFolder::TempFolder() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() / ("nivex-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Hidden, system and read-only files made by tests must not keep the folder alive.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::wstring TempFolder::WriteFile(const std::wstring& name, const std::string& bytes) const {
    const auto full = path_ / name;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary | std::ios::trunc) << bytes;
    return full.wstring();
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
std::wstring HostFolder(const char* variable) {
    const char* dir = std::getenv(variable);
    std::wstring text = dir ? Utf8ToWide(dir) : std::wstring();
#ifdef _WIN32
    if (!text.empty() && text[0] == L'/') text = L"Z:" + text;
    for (auto& ch : text)
        if (ch == L'/') ch = L'\\';
#endif
    return text;
}
} // namespace

std::wstring FixtureFolder() { return HostFolder("NIVEX_FIXTURE_DIR"); }
std::wstring BinFolder() { return HostFolder("NIVEX_BIN_DIR"); }

std::wstring FixturePath(const std::wstring& name) { return (std::filesystem::path(FixtureFolder()) / name).wstring(); }

} // namespace nivex::testing
