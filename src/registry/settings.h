#pragma once
// The per-user settings store: text values at HKEY_CURRENT_USER\Software\<app>\<section>, one REG_SZ per key.
// A stored value of another type reads as every registry value does (registry/reg_value.h), expanded;
// binary and other data without a text form read as absent (the default).
#include <string>

#include "registry/settings_table.h"

namespace nivex {

// The main program's own settings (application kAppTitle).
std::wstring GetSetting(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue);
// Creates what is missing. Throws nivex::Error (number: the system error code) when the value cannot be stored.
void SaveSetting(const std::wstring& section, const std::wstring& key, const std::wstring& value);

std::wstring GetAppSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue);
void SaveAppSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value);

// Readers with the table's default (empty for a key the table does not know).
std::wstring ReadSetting(const std::wstring& section, const std::wstring& key);
// Decimal text, non-zero is on; other text counts as the table default.
bool SettingIsOn(const std::wstring& section, const std::wstring& key);
// Decimal text within 32 bits; other text counts as the table default.
long SettingNumber(const std::wstring& section, const std::wstring& key);

// "Install Path" of the installed Faultnote, written by its installer: the user's value, else the value for all
// users (HKEY_LOCAL_MACHINE); empty when neither is set.
std::wstring FaultnoteInstallPath();

} // namespace nivex
