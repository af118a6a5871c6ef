#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/catalogue.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/text.h"
#include "inspect/details_panel.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::RegistrySandbox;
using testing::ScriptedDesktop;
using testing::SetRegString;
using testing::TempFolder;

const std::wstring kLib = L"{5A1B0000-0000-4000-8000-00000000AAAA}";
const std::wstring kFirst = L"{5A1B0000-0000-4000-8000-000000000001}";
const std::wstring kSecond = L"{5A1B0000-0000-4000-8000-000000000002}";

std::wstring ClassPath(const std::wstring& id, const std::wstring& sub = L"") {
    return L"CLSID\\" + id + (sub.empty() ? L"" : L"\\" + sub);
}

std::vector<std::wstring> Elements(const std::vector<DetailRow>& rows) {
    std::vector<std::wstring> out;
    for (const auto& row : rows)
        out.push_back(row.element);
    return out;
}

std::wstring Data(const std::vector<DetailRow>& rows, const std::wstring& element) {
    for (const auto& row : rows)
        if (row.element == element) return row.data;
    return L"(no row)";
}

// A sandboxed registry and a catalogue with one library of two controls; the first control's server
// path is chosen per test.
class DetailsPanel : public ::testing::Test {
protected:
    void SetUp() override {
        SetOsIsMajor5(false);
        SetSystemFolder(system.Text());
        AddControl(kFirst, L"First Control", kStatusRegistered);
        AddControl(kSecond, L"Second Control", kStatusRegistered);
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst), L"", L"First Control");
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"Version"), L"", L"2.1");
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"ProgID"), L"", L"Sample.First.2");
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"TypeLib"), L"", kLib);
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"ToolboxBitmap32"), L"", L"C:\\x\\first.ocx, 1");
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kSecond), L"", L"Second Control");
    }
    void TearDown() override {
        SetOsIsMajor5(false);
        SetSystemFolder(L"");
        SetSizeTextReader(nullptr);
    }

    void AddControl(const std::wstring& id, const std::wstring& name, const std::wstring& status) {
        ControlRecord record;
        record.DisplayName = name;
        record.ClassId = id;
        record.Version = L"1.0";
        record.TypeLibId = kLib;
        record.Status = status;
        catalogue.AddControlToList(record);
    }
    void SetServer(const std::wstring& path, DWORD type = REG_SZ) {
        SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L"InProcServer32"), L"", path, type);
    }
    ControlDetails LoadFirst() {
        int node = catalogue.FindNodeByKey(kFirst);
        return LoadInformation(catalogue, Catalogue::kAll, node, nullptr);
    }

    RegistrySandbox sandbox;
    ScriptedDesktop desktop;
    TempFolder folder;
    TempFolder system;
    Catalogue catalogue;
};

TEST_F(DetailsPanel, PresentServerFillsEveryRowInOrder) {
    const std::wstring path = folder.WriteFile(L"first.ocx", std::string(1536, 'x'));
    SetServer(path);
    const ControlDetails details = LoadFirst();

    EXPECT_EQ(Elements(details.control), (std::vector<std::wstring>{L"Control Name", L"Version", L"Status", L"CLSID",
                                                                    L"ProgID", L"TypeLib", L"Toolbox Bitmap"}));
    EXPECT_EQ(Elements(details.file),
              (std::vector<std::wstring>{L"Filename", L"Size", L"Created", L"Accessed", L"Modified", L"Description",
                                         L"File Version", L"Copyright"}));
    EXPECT_EQ(Data(details.control, L"Control Name"), L"First Control");
    EXPECT_EQ(Data(details.control, L"Version"), L"2.1");
    EXPECT_EQ(Data(details.control, L"Status"), kStatusRegistered);
    EXPECT_EQ(Data(details.control, L"CLSID"), kFirst);
    EXPECT_EQ(Data(details.control, L"ProgID"), L"Sample.First.2");
    EXPECT_EQ(Data(details.control, L"TypeLib"), kLib);
    EXPECT_EQ(Data(details.control, L"Toolbox Bitmap"), L"C:\\x\\first.ocx, 1");
    EXPECT_TRUE(details.toolboxBitmapReached);
    EXPECT_EQ(details.toolboxBitmap, L"C:\\x\\first.ocx, 1");

    EXPECT_EQ(Data(details.file, L"Filename"), path);
    EXPECT_EQ(Data(details.file, L"Size"), L"2 KB"); // 1.5 KB rounds half to even
    for (const wchar_t* date : {L"Created", L"Accessed", L"Modified"}) {
        const std::wstring text = Data(details.file, date);
        EXPECT_EQ(text.size(), 10u) << WideToUtf8(text);
        EXPECT_NE(text, L"Unknown");
    }
    // A plain file has no version resource: the version rows are empty.
    EXPECT_EQ(Data(details.file, L"Description"), L"");
    EXPECT_EQ(Data(details.file, L"Copyright"), L"");
    EXPECT_TRUE(details.complete);
    EXPECT_EQ(details.resolvedPath, path);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(DetailsPanel, GroupNodeShowsItsFirstControl) {
    int node = catalogue.FindNodeByKey(kLib);
    ASSERT_NE(node, 0);
    const ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr);
    EXPECT_EQ(node, catalogue.FindNodeByKey(kFirst));
    EXPECT_EQ(Data(details.control, L"CLSID"), kFirst);
    EXPECT_EQ(Data(details.control, L"Control Name"), L"First Control");

    int invalid = 999;
    EXPECT_TRUE(LoadInformation(catalogue, Catalogue::kAll, invalid, nullptr).control.empty());
}

TEST_F(DetailsPanel, MissingKeysReadNotAvailableAndKeysWithoutValueReadEmpty) {
    // The second control has a class key with a name but no sub-keys at all.
    SetRegString(HKEY_CLASSES_ROOT, ClassPath(kSecond, L"Version"), L"Other", L"not the default");
    int node = catalogue.FindNodeByKey(kSecond);
    const ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr);
    EXPECT_EQ(Data(details.control, L"Version"), L""); // key present, no default value
    EXPECT_EQ(Data(details.control, L"ProgID"), L"N/A");
    EXPECT_EQ(Data(details.control, L"TypeLib"), L"N/A");
    EXPECT_EQ(Data(details.control, L"Toolbox Bitmap"), L"N/A");
    EXPECT_EQ(details.toolboxBitmap, L"N/A");

    // Without an InProcServer32 key the file rows say so.
    EXPECT_EQ(Data(details.file, L"Filename"), L"N/A");
    EXPECT_EQ(Data(details.file, L"Size"), L"N/A");
    for (const wchar_t* date : {L"Created", L"Accessed", L"Modified"})
        EXPECT_EQ(Data(details.file, date), L"Unknown");
    for (const wchar_t* field : {L"Description", L"File Version", L"Copyright"})
        EXPECT_EQ(Data(details.file, field), L"");
    EXPECT_TRUE(details.complete);
    EXPECT_EQ(details.resolvedPath, L"N/A");
}

TEST_F(DetailsPanel, ControlValuesReadAsText) {
    EXPECT_EQ(GetControlRegValue(catalogue, kFirst, L".Name"), L"First Control");
    EXPECT_EQ(GetControlRegValue(catalogue, L"{00000000-0000-0000-0000-00000000FFFF}", L".Name"), L"N/A");
    // Another pseudo-name is a sub-key name like any other.
    SetRegString(HKEY_CLASSES_ROOT, ClassPath(kFirst, L".Other"), L"", L"dotted");
    EXPECT_EQ(GetControlRegValue(catalogue, kFirst, L".Other"), L"dotted");
    EXPECT_EQ(GetControlRegValue(catalogue, kFirst, L".name"), L"N/A"); // pseudo-names are case-sensitive
}

TEST_F(DetailsPanel, StatusComesFromTheLibraryNode) {
    Catalogue other;
    ControlRecord record;
    record.DisplayName = L"Lost";
    record.ClassId = kSecond;
    record.TypeLibId = L"{5A1B0000-0000-4000-8000-00000000BBBB}";
    record.Status = kStatusMissing;
    other.AddControlToList(record);
    EXPECT_EQ(GetControlRegValue(other, kSecond, L".Status"), kStatusMissing);
    // Loading from the missing-controls tree still reads the status from the all-controls tree.
    int node = other.Tree(Catalogue::kMissing).FindByKey(kSecond);
    ASSERT_NE(node, 0);
    const ControlDetails details = LoadInformation(other, Catalogue::kMissing, node, nullptr);
    EXPECT_EQ(Data(details.control, L"Status"), kStatusMissing);
    EXPECT_EQ(Data(details.control, L"Control Name"), L"Second Control");
}

TEST_F(DetailsPanel, StatusLookupFailureEndsTheLoadSilentlyAfterVersion) {
    // A lone top-level node: its key names no control below a library.
    const std::wstring lone = L"{5A1B0000-0000-4000-8000-0000000000CC}";
    catalogue.Tree(Catalogue::kAll).Add(L"", lone, L"Lone", L"tag", kImageDefault);
    SetRegString(HKEY_CLASSES_ROOT, ClassPath(lone), L"", L"Lone");
    int node = catalogue.FindNodeByKey(lone);
    const ControlDetails details = LoadInformation(catalogue, Catalogue::kAll, node, nullptr);
    EXPECT_EQ(Elements(details.control), (std::vector<std::wstring>{L"Control Name", L"Version"}));
    EXPECT_TRUE(details.file.empty());
    EXPECT_FALSE(details.complete);
    EXPECT_FALSE(details.toolboxBitmapReached);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_THROW(GetControlRegValue(catalogue, lone, L".Status"), Error);
    EXPECT_THROW(GetControlRegValue(catalogue, L"{unknown}", L".Status"), Error);
}

TEST_F(DetailsPanel, BareNameIsLookedUpInTheSystemFolderOnVersion5) {
    const std::wstring inSystem = system.WriteFile(L"bare.ocx", std::string(3000, 'y'));
    SetServer(L"bare.ocx");
    SetOsIsMajor5(true);
    ControlDetails details = LoadFirst();
    EXPECT_EQ(Data(details.file, L"Filename"), L"bare.ocx");
    EXPECT_EQ(details.resolvedPath, inSystem);
    EXPECT_EQ(Data(details.file, L"Size"), L"3 KB");

    // Elsewhere a bare name is relative to the current folder, which does not hold it here.
    SetOsIsMajor5(false);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Text().c_str()));
    details = LoadFirst();
    EXPECT_EQ(details.resolvedPath, L"bare.ocx");
    EXPECT_EQ(Data(details.file, L"Size"), L"N/A");
    folder.WriteFile(L"bare.ocx", std::string(100, 'z'));
    details = LoadFirst();
    EXPECT_EQ(Data(details.file, L"Size"), L"0 KB");
    SetCurrentDirectoryW(previous);
}

TEST_F(DetailsPanel, ExpandablePathReadsExpandedAndQuotedPathStaysQuoted) {
    const std::wstring path = folder.WriteFile(L"expanded.ocx", std::string(2048, 'e'));
    SetEnvironmentVariableW(L"NIVEX_DETAILS_DIR", folder.Text().c_str());
    SetServer(L"%NIVEX_DETAILS_DIR%\\expanded.ocx", REG_EXPAND_SZ);
    ControlDetails details = LoadFirst();
    EXPECT_EQ(Data(details.file, L"Filename"), path);
    EXPECT_EQ(Data(details.file, L"Size"), L"2 KB");

    SetServer(L"\"" + path + L"\"");
    SetOsIsMajor5(true);
    details = LoadFirst();
    EXPECT_EQ(Data(details.file, L"Filename"), L"\"" + path + L"\"");
    EXPECT_EQ(details.resolvedPath, SystemFolder() + L"\"" + path + L"\"");
    EXPECT_EQ(Data(details.file, L"Size"), L"N/A");
    EXPECT_EQ(Data(details.file, L"Modified"), L"Unknown");
    EXPECT_TRUE(details.complete);
}

TEST_F(DetailsPanel, HiddenServerHasNoSizeOrVersionButItsDates) {
    const std::wstring path = folder.WriteFile(L"hidden.ocx", std::string(1536, 'h'));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    SetServer(path);
    const ControlDetails details = LoadFirst();
    EXPECT_EQ(Data(details.file, L"Size"), L"N/A");
    EXPECT_NE(Data(details.file, L"Created"), L"Unknown");
    EXPECT_NE(Data(details.file, L"Modified"), L"Unknown");
    EXPECT_EQ(Data(details.file, L"File Version"), L"");
    EXPECT_TRUE(details.complete);
}

std::wstring VanishingFile(const std::wstring&) {
    throw Error(kErrFileNotFound, L"test", L"File not found");
}
std::wstring BrokenRead(const std::wstring&) {
    throw Error(5, L"test", L"Invalid procedure call or argument");
}

TEST_F(DetailsPanel, FileThatVanishesAfterTheExistenceTestIsReportedAsError53) {
    const std::wstring path = folder.WriteFile(L"gone.ocx", std::string(10, 'g'));
    SetServer(path);
    SetSizeTextReader(&VanishingFile);
    const ControlDetails details = LoadFirst();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Error in LoadInformation(): File not found.\r\n" + path);
    EXPECT_EQ(desktop.messages[0].title, L"Error Number 53");
    EXPECT_EQ(desktop.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    // The rows so far stay; nothing after them, and the status panel is left alone.
    EXPECT_EQ(details.control.size(), 7u);
    EXPECT_EQ(Elements(details.file), std::vector<std::wstring>{L"Filename"});
    EXPECT_TRUE(details.toolboxBitmapReached);
    EXPECT_FALSE(details.complete);
    EXPECT_TRUE(details.resolvedPath.empty());

    // Any other failure ends the load without a word.
    desktop.messages.clear();
    SetSizeTextReader(&BrokenRead);
    const ControlDetails silent = LoadFirst();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(silent.file.size(), 1u);
    EXPECT_FALSE(silent.complete);
}

} // namespace
} // namespace nivex
