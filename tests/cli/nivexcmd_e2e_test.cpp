// The console companion run as a separate program against the test prefix's real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "common/text.h"
#include "run_program.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::NivexCmd;
using testing::RunProgram;
using testing::RunResult;

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted) {
            if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') quoted = true;
        else if (c == ',') row.push_back(field), field.clear();
        else if (c == '\n') {
            row.push_back(field), field.clear();
            rows.push_back(row), row.clear();
        } else if (c != '\r') field += c;
    }
    return rows;
}

std::wstring DefaultText(const std::wstring& path) {
    wchar_t buffer[1024];
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

bool KeyThere(const std::wstring& path) { return testing::RegKeyPresent(HKEY_CLASSES_ROOT, path); }

TEST(NivexCmd, ListsExactlyTheControlsThePrefixRegisters) {
    // An independent walk: every class with Control, a non-empty TypeLib and InprocServer32.
    std::map<std::string, std::string> expected; // clsid -> library id
    std::map<std::string, std::string> libraryNames; // library id -> text of its node
    HKEY clsid = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &clsid), ERROR_SUCCESS);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(clsid, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::wstring base = std::wstring(L"CLSID\\") + name;
        if (!KeyThere(base + L"\\Control") || !KeyThere(base + L"\\InprocServer32")) continue;
        const std::wstring lib = DefaultText(base + L"\\TypeLib");
        if (lib.empty()) continue;
        expected[WideToUtf8(name)] = WideToUtf8(lib);
        if (!libraryNames.count(WideToUtf8(lib))) {
            std::wstring text = DefaultText(L"TypeLib\\" + lib + L"\\" + DefaultText(base + L"\\Version"));
            if (text.empty()) text = DefaultText(base);
            libraryNames[WideToUtf8(lib)] = WideToUtf8(text);
        }
    }
    RegCloseKey(clsid);
    ASSERT_FALSE(expected.empty()) << "the prefix registers no control";

    const RunResult csv = RunProgram(NivexCmd(), L"list --csv");
    ASSERT_EQ(csv.exitCode, 0u) << csv.err;
    std::map<std::string, std::string> listed;
    const auto rows = CsvRows(csv.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][0], "library_key");
    for (size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 5u);
        listed[rows[r][3]] = rows[r][0];
        EXPECT_EQ(rows[r][1], libraryNames[rows[r][0]]) << rows[r][3];
    }
    EXPECT_EQ(listed, expected);

    const RunResult json = RunProgram(NivexCmd(), L"list --json");
    ASSERT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_NE(json.out.find("\"controls\": " + std::to_string(expected.size()) + ","), std::string::npos) << json.out;
    for (const auto& entry : expected) EXPECT_NE(json.out.find("\"key\": \"" + entry.first + "\""), std::string::npos);

    const RunResult text = RunProgram(NivexCmd(), L"list");
    EXPECT_NE(text.out.find(" Controls in "), std::string::npos);
}

TEST(NivexCmd, BadUsageAndBadTemplatesExitNonZeroWithAMessage) {
    RunResult r = RunProgram(NivexCmd(), L"lisst");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("Unknown command"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
    r = RunProgram(NivexCmd(), L"--help");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("nivexcmd report"), std::string::npos);

    testing::TempFolder folder;
    const std::wstring bad = folder.WriteFile(L"bad.tpl", "[FOOT]\r\n[HEAD]\r\n");
    r = RunProgram(NivexCmd(), L"report --text --template \"" + bad + L"\" --out \"" + folder.File(L"r.txt") + L"\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("Invalid Template File"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / L"r.txt"));

    r = RunProgram(NivexCmd(), L"report --html --out \"" + folder.File(L"r.htm") + L"\"");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const std::string html = testing::ReadFileBytes(folder.Path() / L"r.htm");
    EXPECT_NE(html.find("<table"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

// On a platform of major version 5 a server path without a drive is looked up in the system folder.
TEST(NivexCmd, PathsWithoutDriveResolveInTheSystemFolderOnVersionFive) {
    testing::TempFolder folder;
    const std::wstring w2k = folder.File(L"nivexw2k.exe");
    ASSERT_TRUE(CopyFileW(NivexCmd().c_str(), w2k.c_str(), FALSE));
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\nivexw2k.exe";
    testing::SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", L"win2k");

    folder.WriteFile(L"relative2k.ocx", std::string(100, 'r'));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    // From C:\windows\system32\ back to the drive root, then down to the scratch folder.
    std::wstring relative;
    for (wchar_t ch : std::wstring(system).substr(3))
        if (ch == L'\\') relative += L"..\\";
    relative += L"..\\" + folder.Text().substr(3) + L"\\relative2k.ocx";

    const std::wstring clsid = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005002}";
    const std::wstring base = L"CLSID\\" + clsid;
    testing::SetRegString(HKEY_CLASSES_ROOT, base, L"", L"Relative Path Control");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\Control", L"", L"");
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\InprocServer32", L"", relative);
    testing::SetRegString(HKEY_CLASSES_ROOT, base + L"\\TypeLib", L"", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B00005003}");

    const RunResult onFive = RunProgram(w2k, L"list --csv", folder.Text());
    const RunResult onSix = RunProgram(NivexCmd(), L"list --csv", folder.Text());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, base.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults.c_str());

    const std::string row = "Relative Path Control,";
    ASSERT_NE(onFive.out.find(row), std::string::npos) << onFive.out << onFive.err;
    EXPECT_NE(onFive.out.find(",Registered.,"  + WideToUtf8(clsid)), std::string::npos) << onFive.out;
    EXPECT_NE(onSix.out.find(",File Not Found!," + WideToUtf8(clsid)), std::string::npos) << onSix.out;
}

} // namespace
} // namespace nivex
