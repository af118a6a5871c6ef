#pragma once
// Folder values shared across the program. Tests inject their own so nothing writes into the prefix.
#include <string>

#include "common/base_namespace.h"

namespace velmora {

// folder + relative, adding a backslash only when the folder does not end in one.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative);
// The folder text with one trailing backslash.
std::wstring WithTrailingBackslash(const std::wstring& folder);

// The program's folder (no trailing backslash unless it is a root). Set at start-up or by a test.
const std::wstring& ProgramFolder();
void SetProgramFolder(const std::wstring& folder);

// The system folder, always ending in a backslash ("\" when unknown).
const std::wstring& SystemFolder();
void SetSystemFolder(const std::wstring& folder);

// True when the platform's major version is exactly 5.
bool OsIsMajor5();
void SetOsIsMajor5(bool value);

} // namespace velmora
