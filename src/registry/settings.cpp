#include "registry/settings.h"

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

std::wstring GetAppSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue) {
    RegKey handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, StorePath(app, section).c_str(), 0, KEY_QUERY_VALUE, handle.Put()) !=
        ERROR_SUCCESS)
        return defaultValue;
    // Data without a text form reads as absent, so a hand-edited value never yields garbage.
    return ReadValueText(handle.Get(), key.c_str(), {.expand = true, .keepBytes = false}).value_or(defaultValue);
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
    return GetAppSetting(kMakerApp, kSectionBugReportWizard, kKeyInstallPath,
                         SettingDefault(FindAppSetting(kMakerApp, kSectionBugReportWizard, kKeyInstallPath)));
}

} // namespace nivex
