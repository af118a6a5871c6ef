#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "common/handles.h"
#include "common/text.h"
#include "registry/predefined_keys.h"
#include "registry/reg_read.h"

namespace nivex::testing {

namespace {
std::atomic<int> counter{0};
} // namespace

RegistrySandbox::RegistrySandbox() {
    scratch_ = L"Software\\NivexTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    // Remembered redirections: the registration helpers this process starts see the same scratch keys.
    // HKEY_CURRENT_USER goes last, so both keys live under the real user hive.
    if (RedirectPredefinedKey(L"HKCR", scratch_ + L"\\Classes") != ERROR_SUCCESS) ADD_FAILURE() << "override HKCR failed";
    if (RedirectPredefinedKey(L"HKCU", scratch_ + L"\\User") != ERROR_SUCCESS) ADD_FAILURE() << "override HKCU failed";
}

RegistrySandbox::~RegistrySandbox() {
    EndPredefinedKeyRedirects();
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
}

void SetRegBytes(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                 DWORD size) {
    const LONG rc = RegSetKeyValueW(root, path.c_str(), name.empty() ? nullptr : name.c_str(), type, data, size);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "set value";
}

void SetRegString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
                  DWORD type) {
    SetRegBytes(root, path, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetRegDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    SetRegBytes(root, path, name, REG_DWORD, &value, sizeof(value));
}

bool RegKeyPresent(HKEY root, const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

std::wstring GetRegString(HKEY root, const std::wstring& path, const std::wstring& name, bool* found, DWORD* type) {
    RegKey key;
    std::optional<DWORD> kind;
    std::vector<std::uint8_t> data;
    const bool read = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS &&
                      ReadRawValue(key.Get(), name, kind, data) == ERROR_SUCCESS;
    if (found) *found = read;
    if (read && type) *type = *kind;
    // Up to the first null; a stray last byte is a character of its own.
    std::wstring text((data.size() + 1) / sizeof(wchar_t), L'\0');
    if (!data.empty()) std::memcpy(text.data(), data.data(), data.size());
    return CutAtNul(text);
}

} // namespace nivex::testing
