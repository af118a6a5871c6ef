#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "common/error.h"
#include "registry/registry.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

using testing::GetRegString;
using testing::RegKeyPresent;
using testing::SetRegBytes;
using testing::SetRegString;
using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t kClassesRoot = -2147483647 - 1;
const std::wstring kSource = L"registry_tests.cRegistry";

class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() {
        reg.SetClassKey(HKEY_CLASSES_ROOT);
        reg.SetSectionKey(L"CLSID\\{Probe}");
    }
    // The error raised by call; fails the test when none is.
    template <class Call> Error Raised(Call call) {
        try {
            call();
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return Error(0, L"", L"");
    }
    testing::RegistrySandbox sandbox;
    cRegistry reg;
};

DWORD StoredType(const std::wstring& path, const std::wstring& name) {
    bool found = false;
    DWORD type = 0;
    GetRegString(HKEY_CLASSES_ROOT, path, name, &found, &type);
    return found ? type : 0xFFFFFFFF;
}

Bytes StoredBytes(const std::wstring& path, const std::wstring& name, DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    Bytes data(64);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, type, data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return {};
    data.resize(size);
    return data;
}

TEST(RegistryRoots, PredefinedRootsReadAsNegative32BitNumbers) {
    EXPECT_EQ(RootKeyNumber(HKEY_CLASSES_ROOT), kClassesRoot);
    EXPECT_EQ(RootKeyNumber(HKEY_CURRENT_USER), -2147483647);
    cRegistry reg;
    reg.SetClassKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.ClassKey(), -2147483646);
}

TEST_F(RegistryTest, MissingValuesYieldDefaultAndKeepValueType) {
    reg.SetValueType(4);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.Value())); // key absent
    ASSERT_TRUE(reg.CreateKey());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.Value())); // key without a default value
    EXPECT_EQ(reg.ValueType(), 4);
    reg.SetDefault(std::wstring(L"unset"));
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"unset")));
    EXPECT_EQ(reg.ValueType(), 4);
}

TEST_F(RegistryTest, StringsReadWholeWithOrWithoutTerminator) {
    const std::wstring path = reg.SectionKey();
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_SZ, L"abc", 8); // with its NUL
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"abc")));
    EXPECT_EQ(reg.ValueType(), 1);
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_SZ, L"abc", 6); // no NUL
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"abc")));
    const char odd[] = {'a', 0, 'b', 0, 'c', 0, 'd'};
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_SZ, odd, 7);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"abcd")));
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_SZ, L"", 0);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring()));
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_SZ, L"ab\0cd", 12);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"ab")));
}

TEST_F(RegistryTest, MultiStringsKeepTheirSeparators) {
    SetRegBytes(HKEY_CLASSES_ROOT, reg.SectionKey(), L"", REG_MULTI_SZ, L"one\0two\0", 18);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"one\0two\0", 8)));
    EXPECT_EQ(reg.ValueType(), 7);
    SetRegBytes(HKEY_CLASSES_ROOT, reg.SectionKey(), L"", REG_MULTI_SZ, L"one\0two", 14);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"one\0two", 7)));
}

TEST_F(RegistryTest, ExpandableStringsReadExpanded) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"NIVEX_PROBE", L"C:\\Probe"));
    SetRegString(HKEY_CLASSES_ROOT, reg.SectionKey(), L"", L"%NIVEX_PROBE%\\x.ocx", REG_EXPAND_SZ);
    EXPECT_EQ(reg.Value(), RegVariant(std::wstring(L"C:\\Probe\\x.ocx")));
    EXPECT_EQ(reg.ValueType(), 2);
}

TEST_F(RegistryTest, NumbersAndBytes) {
    const std::wstring path = reg.SectionKey();
    const std::uint8_t bigEndian[] = {0x00, 0x00, 0x01, 0x02};
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_DWORD_BIG_ENDIAN, bigEndian, 4);
    EXPECT_EQ(reg.Value(), RegVariant(std::int32_t{258}));
    EXPECT_EQ(reg.ValueType(), 5);
    testing::SetRegDword(HKEY_CLASSES_ROOT, path, L"", 0xFFFFFFFF);
    EXPECT_EQ(reg.Value(), RegVariant(std::int32_t{-1}));
    EXPECT_EQ(reg.ValueType(), 4);
    const std::uint8_t blob[] = {1, 2, 3};
    SetRegBytes(HKEY_CLASSES_ROOT, path, L"", REG_BINARY, blob, 3);
    EXPECT_EQ(reg.Value(), RegVariant(Bytes{1, 2, 3}));
    EXPECT_EQ(reg.ValueType(), 3);
}

TEST_F(RegistryTest, TextWritesChooseExpandableOnlyForAReference) {
    reg.SetSectionKey(L"A\\B\\C"); // parents are created too
    reg.SetValueType(1);
    const struct {
        const wchar_t* name;
        const wchar_t* text;
        DWORD type;
    } cases[] = {{L"percent", L"100%", REG_SZ}, {L"ref", L"%a%", REG_EXPAND_SZ}, {L"pair", L"%%", REG_SZ}};
    for (const auto& c : cases) {
        reg.SetValueKey(c.name);
        reg.SetValue(std::wstring(c.text));
        bool found = false;
        DWORD type = 0;
        EXPECT_EQ(GetRegString(HKEY_CLASSES_ROOT, L"A\\B\\C", c.name, &found, &type), c.text);
        EXPECT_EQ(type, c.type) << c.name;
    }
    // Type 2 asked for but nothing to expand: plain text.
    reg.SetValueType(2);
    reg.SetValueKey(L"plain");
    reg.SetValue(std::wstring(L"C:\\x.dll"));
    EXPECT_EQ(StoredType(L"A\\B\\C", L"plain"), static_cast<DWORD>(REG_SZ));
    // Numbers are written as their decimal text, with the terminating NUL.
    reg.SetValueType(1);
    reg.SetValueKey(L"number");
    reg.SetValue(std::int32_t{42});
    DWORD type = 0;
    EXPECT_EQ(StoredBytes(L"A\\B\\C", L"number", &type), (Bytes{'4', 0, '2', 0, 0, 0}));
}

TEST_F(RegistryTest, NumberWritesOnlyForIntegers) {
    const std::wstring path = reg.SectionKey();
    reg.SetValueType(4);
    reg.SetValueKey(L"text");
    EXPECT_NO_THROW(reg.SetValue(std::wstring(L"5")));
    EXPECT_EQ(StoredType(path, L"text"), 0xFFFFFFFFu);

    reg.SetValueKey(L"small");
    reg.SetValue(std::int16_t{-1});
    DWORD type = 0;
    EXPECT_EQ(StoredBytes(path, L"small", &type), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // Type 5 is also stored as a native-order DWORD.
    reg.SetValueType(5);
    reg.SetValueKey(L"big");
    reg.SetValue(std::int32_t{258});
    EXPECT_EQ(StoredBytes(path, L"big", &type), (Bytes{0x02, 0x01, 0x00, 0x00}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    reg.SetValueType(7);
    reg.SetValueKey(L"other");
    reg.SetValue(std::wstring(L"x"));
    EXPECT_EQ(StoredType(path, L"other"), 0xFFFFFFFFu);
}

TEST_F(RegistryTest, BinaryWritesNeedAByteArray) {
    reg.SetValueType(3);
    reg.SetValueKey(L"blob");
    reg.SetValue(Bytes{0, 1, 0xFE});
    DWORD type = 0;
    EXPECT_EQ(StoredBytes(reg.SectionKey(), L"blob", &type), (Bytes{0, 1, 0xFE}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    reg.SetValueKey(L"notblob");
    const Error e = Raised([&] { reg.SetValue(std::wstring(L"01 02")); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(StoredType(reg.SectionKey(), L"notblob"), 0xFFFFFFFFu);
}

TEST_F(RegistryTest, KeysAreCreatedTestedAndDeleted) {
    reg.SetSectionKey(L"One\\Two");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey()); // already there
    // A key with subkeys stays; its leaf goes.
    reg.SetSectionKey(L"One");
    const Error e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"One\\Two"));
    reg.SetSectionKey(L"One\\Two");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"One\\Two"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"One"));
}

TEST_F(RegistryTest, ValuesAreDeleted) {
    SetRegString(HKEY_CLASSES_ROOT, reg.SectionKey(), L"gone", L"x");
    SetRegString(HKEY_CLASSES_ROOT, reg.SectionKey(), L"kept", L"y");
    reg.SetValueKey(L"gone");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(StoredType(reg.SectionKey(), L"gone"), 0xFFFFFFFFu);
    EXPECT_EQ(StoredType(reg.SectionKey(), L"kept"), static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryTest, ErrorTextsNameRootSectionAndValue) {
    reg.SetSectionKey(L"Missing\\Key");
    reg.SetValueKey(L"Name");
    Error e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), kSource);
    EXPECT_EQ(e.Description(), L"Failed to delete registry Key: '-2147483648',Section: 'Missing\\Key");

    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), kSource);
    EXPECT_EQ(e.Description(), L"Failed to open key '-2147483648',Section: 'Missing\\Key' for delete access");

    ASSERT_TRUE(reg.CreateKey());
    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Description(), L"Failed to delete registry Key: '-2147483648',Section: 'Missing\\Key',Key: 'Name");

    // Root 0 is no key: nothing can be created below it.
    reg.SetClassKey(0);
    e = Raised([&] { reg.CreateKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), kSource);
    EXPECT_EQ(e.Description(), L"Failed to create registry Key: 'Missing\\Key");

    reg.SetValueType(1);
    e = Raised([&] { reg.SetValue(std::wstring(L"text")); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Description(),
              L"Failed to set registry value Key: '0',Section: 'Missing\\Key',Key: 'Name' to value: 'text'");
    // The instance keeps what it was pointed at.
    EXPECT_EQ(reg.SectionKey(), L"Missing\\Key");
    EXPECT_EQ(reg.ValueKey(), L"Name");
}

TEST_F(RegistryTest, AnEmptySectionNeverDeletesTheRoot) {
    SetRegString(HKEY_CLASSES_ROOT, L"Survivor", L"", L"x");
    reg.SetSectionKey(L"");
    const Error e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Description(), L"Failed to delete registry Key: '-2147483648',Section: '");
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Survivor"));
}

TEST_F(RegistryTest, EnumerationsOfAMissingKeyAreEmpty) {
    std::vector<std::wstring> names{L"stale"};
    long count = 99;
    reg.SetSectionKey(L"No\\Such\\Key");
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());
    names = {L"stale"};
    count = 99;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(RegistryTest, EnumerateSectionsListsEveryNameUpToTheLongestAllowed) {
    const std::wstring longest(255, L'm');
    for (const std::wstring& name : {std::wstring(L"a"), longest, std::wstring(L"z")})
        SetRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + name, L"", L"");
    reg.SetSectionKey(L"CLSID");
    std::vector<std::wstring> names;
    long count = 0;
    ASSERT_TRUE(reg.EnumerateSections(names, count));
    ASSERT_EQ(count, 3);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], L"a");
    EXPECT_EQ(names[1], longest);
    EXPECT_EQ(names[2], L"z");
}

TEST_F(RegistryTest, EnumerateValuesListsEveryName) {
    const std::wstring path = reg.SectionKey();
    const std::wstring longName(300, L'v');
    SetRegString(HKEY_CLASSES_ROOT, path, L"first", L"1");
    SetRegString(HKEY_CLASSES_ROOT, path, longName, L"2");
    testing::SetRegDword(HKEY_CLASSES_ROOT, path, L"third", 3);
    std::vector<std::wstring> names;
    long count = 0;
    ASSERT_TRUE(reg.EnumerateValues(names, count));
    ASSERT_EQ(count, 3);
    ASSERT_EQ(names.size(), 3u);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names[0], L"first");
    EXPECT_EQ(names[1], L"third");
    EXPECT_EQ(names[2], longName);
}

} // namespace
} // namespace nivex
