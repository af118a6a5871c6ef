#pragma once
// Redirects HKEY_CLASSES_ROOT and HKEY_CURRENT_USER of this process, and of the registration helpers it
// starts, to scratch keys, so no test reads or writes the prefix's real classes or settings. Removed
// afterwards. One sandbox at a time.
// Inside it the machine has one registry view, the program's own: a flagged open of the other one would
// pass the redirection by.
#include <windows.h>

#include <string>

#include "registry/registry_views.h"

namespace nivex::testing {

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    ScopedOwnViewOnly ownViewOnly_;
    std::wstring scratch_;
};

// Test helpers that write straight to the (redirected) registry.
void SetRegString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
                  DWORD type = REG_SZ);
void SetRegBytes(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                 DWORD size);
void SetRegDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
bool RegKeyPresent(HKEY root, const std::wstring& path);
// The default or named string value; found tells an absent value from an empty one.
std::wstring GetRegString(HKEY root, const std::wstring& path, const std::wstring& name, bool* found = nullptr,
                          DWORD* type = nullptr);

} // namespace nivex::testing
