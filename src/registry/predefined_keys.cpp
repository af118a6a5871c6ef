#include "registry/predefined_keys.h"

#include <mutex>

namespace nivex {

namespace {

struct Redirect {
    std::wstring root;
    std::wstring path;
    HKEY target = nullptr;
};

std::mutex lock;
std::vector<Redirect>& Redirects() {
    static std::vector<Redirect> redirects;
    return redirects;
}

} // namespace

HKEY PredefinedKeyByName(const std::wstring& shortName) {
    if (shortName == L"HKCR") return HKEY_CLASSES_ROOT;
    if (shortName == L"HKLM") return HKEY_LOCAL_MACHINE;
    if (shortName == L"HKCU") return HKEY_CURRENT_USER;
    if (shortName == L"HKU") return HKEY_USERS;
    return nullptr;
}

LONG RedirectPredefinedKey(const std::wstring& shortName, const std::wstring& pathBelowUser) {
    const HKEY root = PredefinedKeyByName(shortName);
    if (!root) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock);
    // Paths are below the user's own key: once HKEY_CURRENT_USER points elsewhere they would not be.
    for (const Redirect& r : Redirects())
        if (r.root == L"HKCU") return ERROR_INVALID_FUNCTION;
    HKEY target = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, pathBelowUser.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &target, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegOverridePredefKey(root, target);
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(target);
        return rc;
    }
    Redirects().push_back({shortName, pathBelowUser, target});
    return ERROR_SUCCESS;
}

void EndPredefinedKeyRedirects() {
    std::lock_guard<std::mutex> guard(lock);
    for (const Redirect& r : Redirects()) {
        RegOverridePredefKey(PredefinedKeyByName(r.root), nullptr);
        RegCloseKey(r.target);
    }
    Redirects().clear();
}

std::vector<std::pair<std::wstring, std::wstring>> PredefinedKeyRedirects() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::pair<std::wstring, std::wstring>> out;
    for (const Redirect& r : Redirects()) out.emplace_back(r.root, r.path);
    return out;
}

} // namespace nivex
