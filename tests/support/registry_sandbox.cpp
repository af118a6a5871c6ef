#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "registry/predefined_keys.h"

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
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "create key";
    rc = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring GetRegString(HKEY root, const std::wstring& path, const std::wstring& name, bool* found, DWORD* type) {
    if (found) *found = false;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    DWORD kind = 0, size = 0;
    LONG rc = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &kind, nullptr, &size);
    std::wstring text;
    if (rc == ERROR_SUCCESS) {
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        rc = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &kind,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_SUCCESS) {
            text.assign(buffer.data());
            if (found) *found = true;
            if (type) *type = kind;
        }
    }
    RegCloseKey(key);
    return text;
}

} // namespace nivex::testing
