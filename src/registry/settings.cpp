#include "registry/settings.h"

#include <optional>

#include "common/error.h"
#include "common/handles.h"
#include "common/winutil.h"
#include "registry/reg_read.h"

namespace nivex {

namespace {
std::wstring StorePath(const std::wstring& app, const std::wstring& section) {
    return L"Software\\" + app + L"\\" + section;
}
} // namespace

namespace {
std::optional<std::wstring> ReadStored(HKEY root, const std::wstring& app, const std::wstring& section,
                                       const std::wstring& key) {
    RegKey handle;
    if (RegOpenKeyExW(root, StorePath(app, section).c_str(), 0, KEY_QUERY_VALUE, handle.Put()) != ERROR_SUCCESS)
        return std::nullopt;
    // Data without a text form reads as absent, so a hand-edited value never yields garbage.
    return ReadValueText(handle.Get(), key.c_str(), {.expand = true, .keepBytes = false});
}
} // namespace

std::wstring GetAppSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue) {
    return ReadStored(HKEY_CURRENT_USER, app, section, key).value_or(defaultValue);
}

void SaveAppSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
    const std::wstring path = StorePath(app, section);
    const auto failure = [&](LONG code) {
        return Error(code, ExecutableBaseName() + L".SaveSetting",
                     L"Cannot save setting '" + key + L"' in HKEY_CURRENT_USER\\" + path + L": " +
                         SystemErrorText(static_cast<DWORD>(code)));
    };
    RegKey handle;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                              nullptr, handle.Put(), nullptr);
    if (rc != ERROR_SUCCESS) throw failure(rc);
    rc = RegSetValueExW(handle.Get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) throw failure(rc);
}

std::wstring GetSetting(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) {
    return GetAppSetting(kAppTitle, section, key, defaultValue);
}

void SaveSetting(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    SaveAppSetting(kAppTitle, section, key, value);
}

std::wstring ReadSetting(const std::wstring& section, const std::wstring& key) {
    return GetSetting(section, key, SettingDefault(section, key));
}

bool SettingIsOn(const std::wstring& section, const std::wstring& key) {
    const std::wstring fallback = SettingDefault(section, key);
    return SettingTextIsOn(GetSetting(section, key, fallback), fallback);
}

long SettingNumber(const std::wstring& section, const std::wstring& key) {
    const std::wstring fallback = SettingDefault(section, key);
    return SettingTextNumber(GetSetting(section, key, fallback), fallback);
}

std::wstring FaultnoteInstallPath() {
    // The user's own value (a per-user installation) first, then the one an installation for all users wrote.
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const auto stored = ReadStored(root, kMakerApp, kSectionBugReportWizard, kKeyInstallPath);
        if (stored && !stored->empty()) return *stored;
    }
    return SettingDefault(FindAppSetting(kMakerApp, kSectionBugReportWizard, kKeyInstallPath));
}

} // namespace nivex
