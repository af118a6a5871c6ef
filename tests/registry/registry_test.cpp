// cRegistry and the settings store over a sandboxed HKEY_CLASSES_ROOT and HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "common/error.h"
#include "common/winutil.h"
#include "registry/registry.h"
#include "registry/settings.h"
#include "support/reg_value_cases.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::RegKeyPresent;
using testing::SetRegString;
using Bytes = std::vector<std::uint8_t>;

constexpr DWORD kNone = 0xFFFFFFFF;

// "number: description" of the error call raises; the source is always the program's name and ".cRegistry".
template <class Call> std::wstring Raised(Call call) {
    try {
        call();
    } catch (const Error& e) {
        EXPECT_EQ(e.Source(), L"registry_tests.cRegistry");
        return std::to_wstring(e.Number()) + L": " + e.Description();
    }
    return L"(no error)";
}

// Type and bytes of a stored value below the (redirected) classes root; no type when absent.
std::pair<DWORD, Bytes> Stored(const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    Bytes data(512);
    DWORD type = kNone, size = static_cast<DWORD>(data.size());
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {type, {}};
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) type = kNone;
    RegCloseKey(key);
    data.resize(type == kNone ? 0 : size);
    return {type, data};
}

// The bytes a REG_SZ value of text holds.
Bytes Sz(const std::wstring& text) { return testing::Utf16Bytes(text, {0, 0}); }

class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() {
        reg.SetClassKey(HKEY_CLASSES_ROOT);
        reg.SetSectionKey(L"CLSID\\{Probe}");
    }
    testing::RegistrySandbox sandbox;
    cRegistry reg;
};

TEST_F(RegistryTest, WritesFollowTheValueTypeMissingValuesReadAsTheDefaultAndKeysComeAndGoButNeverAParent) {
    reg.SetValueType(4);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.Value())); // key absent
    ASSERT_TRUE(reg.CreateKey());
    reg.SetDefault(std::wstring(L"unset"));
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"unset"))); // key without a default value
    EXPECT_EQ(reg.ValueType(), 4);

    const struct {
        std::int32_t valueType;
        RegVariant value;
        DWORD storedType;
        Bytes stored;
    } cases[] = {
        {kRegSz, std::wstring(L"100%"), REG_SZ, Sz(L"100%")},
        {kRegSz, std::wstring(L"%a%"), REG_EXPAND_SZ, Sz(L"%a%")}, // only a reference makes it expandable
        {kRegSz, std::wstring(L"%%"), REG_SZ, Sz(L"%%")},
        {kRegExpandSz, std::wstring(L"C:\\x.dll"), REG_SZ, Sz(L"C:\\x.dll")},
        {kRegSz, std::int32_t{42}, REG_SZ, Sz(L"42")},
        {kRegDword, std::int16_t{-1}, REG_DWORD, Bytes{0xFF, 0xFF, 0xFF, 0xFF}},
        {kRegDwordBigEndian, std::int32_t{258}, REG_DWORD, Bytes{0x02, 0x01, 0x00, 0x00}}, // native order too
        {kRegBinary, Bytes{0, 1, 0xFE}, REG_BINARY, Bytes{0, 1, 0xFE}},
        {kRegDword, std::wstring(L"5"), kNone, Bytes{}}, // only whole numbers are stored as numbers
        {kRegMultiSz, std::wstring(L"x"), kNone, Bytes{}},
    };
    reg.SetSectionKey(L"A\\B\\C"); // parents are created too
    int n = 0;
    for (const auto& c : cases) {
        reg.SetValueType(c.valueType);
        reg.SetValueKey(std::to_wstring(++n));
        reg.SetValue(c.value);
        EXPECT_EQ(Stored(L"A\\B\\C", reg.ValueKey()), std::pair(c.storedType, c.stored)) << "case " << n;
    }
    reg.SetValueType(kRegBinary);
    reg.SetValueKey(L"notblob");
    EXPECT_EQ(Raised([&] { reg.SetValue(std::wstring(L"01 02")); }),
              L"26001: Binary registry values must be written from a byte array");
    EXPECT_EQ(Stored(L"A\\B\\C", L"notblob").first, kNone);

    // Keys and values come and go, but never a parent or the root; failures name root, section and value.
    reg.SetSectionKey(L"One\\Two");
    reg.SetValueKey(L"gone");
    EXPECT_EQ(Raised([&] { reg.DeleteValue(); }),
              L"26001: Failed to open key '-2147483648',Section: 'One\\Two' for delete access");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_EQ(Raised([&] { reg.DeleteValue(); }),
              L"26001: Failed to delete registry Key: '-2147483648',Section: 'One\\Two',Key: 'gone");
    SetRegString(HKEY_CLASSES_ROOT, L"One\\Two", L"gone", L"x");
    SetRegString(HKEY_CLASSES_ROOT, L"One\\Two", L"kept", L"y");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(Stored(L"One\\Two", L"gone").first, kNone);
    EXPECT_EQ(Stored(L"One\\Two", L"kept").first, static_cast<DWORD>(REG_SZ));
    for (const std::wstring& section : {std::wstring(L"One"), std::wstring()}) {
        reg.SetSectionKey(section); // a key with sub-keys, and the root itself
        EXPECT_EQ(Raised([&] { reg.DeleteKey(); }),
                  L"26001: Failed to delete registry Key: '-2147483648',Section: '" + section);
    }
    reg.SetSectionKey(L"One\\Two");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"One\\Two"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"One"));
    // Root 0 is no key: nothing can be created below it.
    reg.SetClassKey(0);
    EXPECT_EQ(Raised([&] { reg.CreateKey(); }), L"26001: Failed to create registry Key: 'One\\Two");
    reg.SetValueType(kRegSz);
    EXPECT_EQ(Raised([&] { reg.SetValue(std::wstring(L"text")); }),
              L"26001: Failed to set registry value Key: '0',Section: 'One\\Two',Key: 'gone' to value: 'text'");
}

TEST_F(RegistryTest, EnumerationsListEveryNameUpToTheLongestAllowed) {
    std::vector<std::wstring> names{L"stale"};
    long count = 99;
    reg.SetSectionKey(L"No\\Such\\Key");
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());

    const std::wstring longestKey(255, L'm'), longValue(300, L'v');
    for (const std::wstring& name : {std::wstring(L"a"), longestKey, std::wstring(L"z")}) {
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + name, L"", L"");
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID", name == longestKey ? longValue : name, L"1");
    }
    reg.SetSectionKey(L"CLSID");
    ASSERT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a", longestKey, L"z"}));
    ASSERT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 3);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a", longValue, L"z"}));
}

TEST_F(RegistryTest, AssociationsAreRefusedWithoutNamesTriplesOrAClassElseWriteTypeClassAndVerbsToDefaultValues) {
    // Refused before anything is written.
    EXPECT_THROW(reg.CreateEXEAssociation(L"x.exe", L"", L"Root text", L"nvz"), Error);
    EXPECT_THROW(reg.CreateEXEAssociation(L"x.exe", L"Nivex.Z", L"Z", L""), Error);
    const auto additional = [&](const std::wstring& className, const std::vector<std::wstring>& items) {
        return Raised([&] { reg.CreateAdditionalEXEAssociations(className, items); });
    };
    EXPECT_EQ(
        additional(L"Nivex.More", {L"edit", L"&Edit"}),
        L"-2147194452: Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    for (const std::wstring& className : {std::wstring(L"Nivex.More"), std::wstring()})
        EXPECT_EQ(additional(className, {L"edit", L"&Edit", L"cmd"}),
                  L"-2147194451: Error - attempt to create additional associations before class defined.")
            << ::testing::PrintToString(className);
    EXPECT_EQ(Stored(L"", L"").first, kNone);
    for (const wchar_t* absent : {L"shell", L".nvz", L"Nivex.Z", L"Nivex.More"})
        EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, absent)) << absent;

    reg.CreateEXEAssociation(L"n.exe", L"Nivex.More", L"More", L"nvm");
    reg.CreateAdditionalEXEAssociations(
        L"Nivex.More", {L"edit", L"&Edit", L"\"n.exe\" /e \"%1\"", L"check", L"&Check", L"\"n.exe\" /c \"%1\""});

    // Writes go to default values below the classes root as text, whatever the instance pointed at.
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(kRegDword);
    reg.SetValueKey(L"Stray");
    reg.CreateEXEAssociation(L"  C:\\Program Files\\Nivex\\nivex.exe ", L"Nivex.Report", L"Nivex Report", L"nvr");
    for (const wchar_t* absent : {L"shell\\print", L"shell\\add", L"shell\\new", L"DefaultIcon"})
        EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Report\\" + std::wstring(absent))) << absent;

    // Every verb, with its default text or the given one; the switch and the icon index follow the path.
    reg.CreateEXEAssociation(L"\"C:\\N\\n.exe\"", L"Nivex.Doc", L"Doc", L"nvd", L"", true, L"", true, L"", true, L"",
                             0);
    reg.CreateEXEAssociation(L"x.exe", L"Nivex.T", L"T", L"nvt", L"&View", true, L"Print &it", true, L"Make &new", true,
                             L"&Add it", 3);
    const std::pair<const wchar_t*, const wchar_t*> written[] = {
        {L".nvr", L"Nivex.Report"},
        {L"Nivex.Report", L"Nivex Report"},
        {L"Nivex.Report\\shell\\open", L"&Open"},
        {L"Nivex.Report\\shell\\open\\command", L"\"C:\\Program Files\\Nivex\\nivex.exe\" \"%1\""},
        {L"Nivex.Doc\\shell\\print", L"&Print"},
        {L"Nivex.Doc\\shell\\print\\command", L"\"C:\\N\\n.exe\" /p \"%1\""},
        {L"Nivex.Doc\\shell\\add", L"&Install nvd"},
        {L"Nivex.Doc\\shell\\add\\command", L"\"C:\\N\\n.exe\" /a \"%1\""},
        {L"Nivex.Doc\\shell\\new", L"&New"},
        {L"Nivex.Doc\\shell\\new\\command", L"\"C:\\N\\n.exe\" /n \"%1\""},
        {L"Nivex.Doc\\DefaultIcon", L"\"C:\\N\\n.exe\",0"},
        {L"Nivex.T\\shell\\open", L"&View"},
        {L"Nivex.T\\shell\\open\\command", L"\"x.exe\" \"%1\""},
        {L"Nivex.T\\shell\\print", L"Print &it"},
        {L"Nivex.T\\shell\\new", L"Make &new"},
        {L"Nivex.T\\shell\\add", L"&Add it"},
        {L"Nivex.T\\DefaultIcon", L"\"x.exe\",3"},
        {L"Nivex.More\\shell\\edit", L"&Edit"},
        {L"Nivex.More\\shell\\check\\command", L"\"n.exe\" /c \"%1\""},
    };
    for (const auto& [path, text] : written)
        EXPECT_EQ(Stored(path, L""), (std::pair<DWORD, Bytes>(REG_SZ, Sz(text))))
            << ::testing::PrintToString(std::wstring(path));
}

TEST_F(RegistryTest, SettingsReadTheDefaultsFromAnEmptyStoreSavedTextUnalteredAndTheUsersInstallPathFirst) {
    EXPECT_TRUE(SettingIsOn(L"Options", L"TipOfTheDay"));
    EXPECT_FALSE(SettingIsOn(L"Options", L"MinimizeToTray"));
    EXPECT_EQ(SettingNumber(L"Appearence", L"WindowWidth"), 8000);
    EXPECT_EQ(GetSetting(L"Data", L"RecentFindString1", L"given"), L"given");
    EXPECT_EQ(FaultnoteInstallPath(), L"");
    EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager"));

    // Saved text lives in the user's store and reads back unaltered.
    SaveSetting(L"Options", L"ShowSplash", L"0");
    SaveSetting(L"Appearence", L"WindowWidth", L"wide");
    SaveSetting(L"Data", L"RecentFindString1", L"Caf\u00e9 %TEMP% search");
    SaveSetting(L"Options", L"TestBrowser", L"");
    DWORD type = 0;
    EXPECT_EQ(
        GetRegString(HKEY_CURRENT_USER, L"Software\\Velmora Control Manager\\Options", L"ShowSplash", nullptr, &type),
        L"0");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(SettingIsOn(L"Options", L"ShowSplash"));
    EXPECT_EQ(ReadSetting(L"Data", L"RecentFindString1"), L"Caf\u00e9 %TEMP% search");
    EXPECT_EQ(GetSetting(L"Options", L"TestBrowser", L"absent"), L""); // saved empty is not absent
    // Text that is no number is kept, and counts as the default.
    EXPECT_EQ(ReadSetting(L"Appearence", L"WindowWidth"), L"wide");
    EXPECT_EQ(SettingNumber(L"Appearence", L"WindowWidth"), 8000);

    // The user's own "Install Path" first, else the one for all users; an empty value names nothing.
    const std::wstring key = L"Software\\Velmora Software\\Bug Report Wizard";
    SetRegString(HKEY_CURRENT_USER, L"Machine\\" + key, L"Install Path", L"C:\\All\\faultnote.exe");
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Machine", 0, KEY_ALL_ACCESS, &machine), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\All\\faultnote.exe");
    SetRegString(HKEY_CURRENT_USER, key, L"Install Path", L"");
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\All\\faultnote.exe");
    SetRegString(HKEY_CURRENT_USER, key, L"Install Path", L"C:\\Mine\\faultnote.exe");
    EXPECT_EQ(FaultnoteInstallPath(), L"C:\\Mine\\faultnote.exe");
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(machine);

    // A failed save is reported with the system's text (no key name may exceed 255 characters).
    try {
        SaveSetting(std::wstring(300, L's'), L"Key", L"value");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Number(), 0);
        EXPECT_NE(e.Description().find(L"Key"), std::wstring::npos);
        EXPECT_NE(e.Description().find(SystemErrorText(static_cast<DWORD>(e.Number()))), std::wstring::npos);
    }
}

} // namespace
} // namespace nivex
