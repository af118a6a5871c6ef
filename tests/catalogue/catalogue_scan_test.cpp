// The registry scan and AddControlsForFile over a sandboxed HKEY_CLASSES_ROOT.
#include <gtest/gtest.h>

#include "catalogue/catalogue_scan.h"
#include "common/paths.h"
#include "common/text.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::SetRegString;

// Registers a class the way a control server does; empty parts are left out.
void RegisterClass(const std::wstring& clsid, const std::wstring& name, const std::wstring& server,
                   const std::wstring& typeLib, const std::wstring& version, bool control = true,
                   DWORD serverType = REG_SZ) {
    const std::wstring base = L"CLSID\\" + clsid;
    SetRegString(HKEY_CLASSES_ROOT, base, L"", name);
    if (control) SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    if (!server.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", server, serverType);
    if (!typeLib.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", typeLib);
    if (!version.empty()) SetRegString(HKEY_CLASSES_ROOT, base + L"\\Version", L"", version);
}

// "started N", then the last index of as many classes as were done, then "finished".
struct CountingObserver : ScanObserver {
    void ScanStarted(int count) override { seen = L"started " + std::to_wstring(count); }
    void ClassDone(int index, const std::wstring&) override { ++done, last = index; }
    void ScanFinished() override {
        seen += L", " + std::to_wstring(last) + L" of " + std::to_wstring(done) + L", finished";
    }
    std::wstring seen;
    int done = 0, last = 0;
};

class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        real = folder.WriteFile(L"Real.ocx", std::string(1536, 'x'));
        catalogue.SetErrorSink([this](const std::wstring& p, const std::wstring& t, long n, const std::wstring& d) {
            errors.push_back(p + L"|" + t + L"|" + std::to_wstring(n) + L"|" + d);
        });
    }
    ~ScanTest() override {
        SetOsIsMajor5(false);
        SetSystemFolder(L"");
    }
    std::vector<std::wstring> ControlKeys(int treeIndex) {
        std::vector<std::wstring> keys;
        const CatalogueTree& tree = catalogue.Tree(treeIndex);
        for (int root : tree.Roots())
            for (int child : tree.Children(root))
                keys.push_back(tree.Node(child).key);
        return keys;
    }
    const CatalogueNode& Node(const wchar_t* key) {
        return catalogue.Tree(Catalogue::kAll).Node(catalogue.FindNodeByKey(key));
    }

    testing::RegistrySandbox sandbox;
    testing::TempFolder folder;
    std::wstring real;
    Catalogue catalogue;
    std::vector<std::wstring> errors;
};

TEST_F(ScanTest, KeepsOnlyInProcessControlsWithATypeLibraryAndAsksEachLibraryNameWithItsOwnVersion) {
    SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\{LIB-1}\\1.0", L"", L"Library One");
    RegisterClass(L"{A1}", L"Alpha", real, L"{LIB-1}", L"1.0");
    RegisterClass(L"{B1}", L"NotAControl", real, L"{LIB-1}", L"1.0", false);
    RegisterClass(L"{C1}", L"NoTypeLib", real, L"", L"1.0");
    RegisterClass(L"{D1}", L"EmptyTypeLib", real, L"", L"");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{D1}\\TypeLib", L"", L"");
    RegisterClass(L"{E1}", L"OutOfProcess", L"", L"{LIB-1}", L"1.0");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{E1}\\LocalServer32", L"", real);
    RegisterClass(L"{F1}", L"Beta", real, L"{LIB-1}", L"");
    RegisterClass(L"{G1}", L"Gone", folder.File(L"missing.ocx"), L"{LIB-2}", L"");
    // Every value is decoded as by every other reader: a number names its library.
    RegisterClass(L"{H1}", L"Numeric", real, L"", L"");
    testing::SetRegDword(HKEY_CLASSES_ROOT, L"CLSID\\{H1}\\TypeLib", L"", 7);
    std::vector<std::wstring> asked;
    catalogue.SetLibraryNameLookup([&](const std::wstring& id, const std::wstring& version) {
        asked.push_back(id + L"|" + version);
        return GetLibraryName(id, version);
    });

    CountingObserver observer;
    PopulateList(catalogue, &observer);
    EXPECT_EQ(ControlKeys(Catalogue::kAll), (std::vector<std::wstring>{L"{A1}", L"{F1}", L"{G1}", L"{H1}"}));
    EXPECT_EQ(ControlKeys(Catalogue::kMissing), std::vector<std::wstring>{L"{G1}"});
    // A version never leaks from one class into the next.
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"{LIB-1}|1.0", L"{LIB-2}|", L"7|"}));
    EXPECT_EQ(Node(L"{LIB-1}").text + L"|" + Node(L"{LIB-1}").tag, L"Library One|Registered.");
    EXPECT_EQ(Node(L"{LIB-2}").text, L"Gone"); // no TypeLib entry: the control's name
    EXPECT_EQ(Node(L"7").text, L"Numeric");
    EXPECT_EQ(catalogue.CountsText() + L", " + catalogue.CountsText(Catalogue::kMissing),
              L"4 Controls in 3 Libraries, 1 Missing File(s)");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(observer.seen, L"started 8, 8 of 8, finished");
    PopulateList(catalogue); // a full scan replaces the trees and counters
    EXPECT_EQ(catalogue.CountsText(), L"4 Controls in 3 Libraries");
    EXPECT_EQ(catalogue.Tree(Catalogue::kAll).Count(), 7);
}

TEST_F(ScanTest, ServerPathsAreExpandedHiddenFilesMissingAndDrivelessOnesInTheSystemFolderOnlyOnVersionFive) {
    SetEnvironmentVariableW(L"NIVEX_SCAN_TEST", folder.Text().c_str());
    RegisterClass(L"{A1}", L"Expanded", L"%NIVEX_SCAN_TEST%\\Real.ocx", L"{LIB-1}", L"", true, REG_EXPAND_SZ);
    const std::wstring hidden = folder.WriteFile(L"Hidden.ocx", "h");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    RegisterClass(L"{B1}", L"Hidden", hidden, L"{LIB-2}", L"");
    RegisterClass(L"{C1}", L"Relative", L"Real.ocx", L"{LIB-3}", L"");
    SetSystemFolder(folder.Text());
    for (const bool major5 : {true, false}) {
        SetOsIsMajor5(major5);
        PopulateList(catalogue);
        EXPECT_EQ(Node(L"{LIB-1}").tag + L" " + Node(L"{LIB-2}").tag + L" " + Node(L"{LIB-3}").tag,
                  std::wstring(L"Registered. File Not Found! ") + (major5 ? L"Registered." : L"File Not Found!"));
    }
}

TEST_F(ScanTest, AddControlsForFileAddsOnlyThatFilesNewClasses) {
    RegisterClass(L"{A1}", L"Alpha", real, L"{LIB-1}", L"1.0");
    PopulateList(catalogue);
    RegisterClass(L"{B1}", L"Beta", real, L"{LIB-1}", L"1.0");
    RegisterClass(L"{C1}", L"Other", folder.WriteFile(L"other.ocx", "o"), L"{LIB-3}", L"1.0");
    AddControlsForFile(catalogue, ToUpperText(real));
    EXPECT_EQ(ControlKeys(Catalogue::kAll), (std::vector<std::wstring>{L"{A1}", L"{B1}"}));
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
    EXPECT_TRUE(errors.empty());
    // A catalogued class registered again by another file keeps its node, which names the new file.
    const std::wstring moved = folder.WriteFile(L"moved.ocx", "m");
    SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\{A1}\\InprocServer32", L"", moved);
    AddControlsForFile(catalogue, moved);
    EXPECT_EQ(catalogue.controls, 2);
    EXPECT_EQ(Node(L"{A1}").serverPath, moved);
}

} // namespace
} // namespace nivex
