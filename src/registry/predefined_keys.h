#pragma once
// Redirections of this process's predefined keys (RegOverridePredefKey) to keys below
// HKEY_CURRENT_USER, remembered so that a helper process started from here can make the same ones and
// see the registry this process sees.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace nivex {

// "HKCR", "HKLM", "HKCU", "HKU" and the keys they name; nullptr for any other name.
HKEY PredefinedKeyByName(const std::wstring& shortName);

// Points root at HKEY_CURRENT_USER\pathBelowUser (created when missing). HKEY_CURRENT_USER itself is
// redirected last: once it is, further redirections are refused (ERROR_INVALID_FUNCTION), as their
// paths would no longer be below the user's own key. An error code of the system on failure.
LONG RedirectPredefinedKey(const std::wstring& shortName, const std::wstring& pathBelowUser);
// Ends every redirection made here: the predefined keys are the system's again.
void EndPredefinedKeyRedirects();

// The redirections in force, in the order made: short name and path below HKEY_CURRENT_USER.
std::vector<std::pair<std::wstring, std::wstring>> PredefinedKeyRedirects();

} // namespace nivex
