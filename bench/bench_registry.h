#pragma once
// Scratch registry and server files for the scan benchmark.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "registry/registry_views.h"

namespace nivex::bench {

// A registry or file operation the benchmark needs failed; the message names it.
class BenchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Removes sandboxes left below HKEY_CURRENT_USER\Software\NivexBench by runs whose process has
// ended (a benchmark stopped with Ctrl+C). Returns how many were removed.
int RemoveStaleSandboxes();

// A monotonic clock in milliseconds for timings.
double NowMs();

// What a scan is compared with: open CLSID (extraAccess: a view's flag) and list its subkeys, nothing more.
int CountClsidSubkeys(REGSAM extraAccess = 0);

// Redirects HKEY_CLASSES_ROOT of this process to an empty scratch key below
// HKEY_CURRENT_USER\Software\NivexBench\<process>-<n>, and removes that key again on destruction.
// The scratch keys are volatile: the Wine server never writes them to the prefix's files, even when
// the run is cut short.
class ClassesSandbox {
public:
    ClassesSandbox(); // throws BenchError
    ~ClassesSandbox();
    ClassesSandbox(const ClassesSandbox&) = delete;
    ClassesSandbox& operator=(const ClassesSandbox&) = delete;

    const std::wstring& ScratchPath() const { return scratch_; }

private:
    ScopedOwnViewOnly ownViewOnly_; // the other view would be the real registry's
    std::wstring scratch_;
    HKEY classes_ = nullptr;
};

// Server file paths as real machines have them: files that exist in a temp folder of our own and in
// the system folder (in two letter cases), and names that do not exist in those folders and in
// folders that do not exist at all.
class ServerFiles {
public:
    explicit ServerFiles(int realFileCount); // throws BenchError
    ~ServerFiles();
    ServerFiles(const ServerFiles&) = delete;
    ServerFiles& operator=(const ServerFiles&) = delete;

    std::wstring Existing(std::uint32_t n) const;
    std::wstring Missing(std::uint32_t n) const;
    std::size_t RealFileCount() const { return tempFiles_.size(); }
    std::size_t SystemFileCount() const { return systemFiles_.size(); }
    const std::wstring& TempFolder() const { return tempFolder_; }

private:
    std::wstring tempFolder_; // ends in a backslash
    std::wstring systemFolder_;
    std::vector<std::wstring> tempFiles_;
    std::vector<std::wstring> systemFiles_;
};

struct FillPlan {
    int classes = 0;
    int controls = 0;       // how many of the classes are controls, four to a type library
    std::uint64_t seed = 1; // class identifiers are pseudo-random, so controls are spread over CLSID
    REGSAM view = 0;        // the registry view of CLSID (KEY_WOW64_32KEY / KEY_WOW64_64KEY), 0: the own one
};

// What the scan of a filled registry must find.
struct FillExpectation {
    int controls = 0;
    int libraries = 0;
    int missingLibraries = 0; // libraries whose controls' server file does not exist
    std::vector<std::wstring> classIds, libraryIds; // what was written
};

// Classes written into the real HKEY_CLASSES_ROOT of a view (a prefix of the benchmark's own): both views
// cannot be sandboxed, as a view's flag passes a RegOverridePredefKey redirection by. The keys are volatile
// and removed again on destruction.
class RealViewClasses {
public:
    RealViewClasses(const FillPlan& plan, const ServerFiles& files); // throws BenchError
    ~RealViewClasses();
    RealViewClasses(const RealViewClasses&) = delete;
    RealViewClasses& operator=(const RealViewClasses&) = delete;
    const FillExpectation& Expectation() const { return expect_; }

private:
    REGSAM view_;
    FillExpectation expect_;
};

// Writes plan.classes classes below HKEY_CLASSES_ROOT\CLSID (the sandbox) and the controls' type
// libraries below HKEY_CLASSES_ROOT\TypeLib. progress(done) is called every few thousand classes.
// Throws BenchError when the registry refuses a write.
FillExpectation Fill(const FillPlan& plan, const ServerFiles& files, const std::function<void(int)>& progress);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from 128 pseudo-random bits.
std::wstring GuidText(std::uint64_t high, std::uint64_t low);

} // namespace nivex::bench
