#pragma once
// Associations: the Explorer verbs "Register with Nivex" and "Unregister with Nivex" on ".ocx" and ".dll"
// files, through file types of the program's own in HKEY_CLASSES_ROOT, and the plain file types back.
#include <windows.h>

#include <string>

namespace nivex {

inline const wchar_t* const kOcxProgId = L"Nivex.ActiveX.Control";
inline const wchar_t* const kDllProgId = L"Nivex.Dynamic.Link.Library";
inline const wchar_t* const kPlainOcxProgId = L"ActiveX.Control";
inline const wchar_t* const kPlainDllProgId = L"Dynamic.Link.Library";
inline const wchar_t* const kRegisterVerb = L"Register with Nivex";
inline const wchar_t* const kUnregisterVerb = L"Unregister with Nivex";

// Creates (or opens) root\path with all access rights and closes it again; the registry's error code.
LONG CreateKeyBelow(HKEY root, const std::wstring& path);
// Sets a value of the existing key HKEY_CLASSES_ROOT\path (name empty: the default value). Only REG_SZ is
// written, its terminating NUL counted; another type writes nothing and reports success.
LONG SetKeyValue(const std::wstring& path, const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ);

// extension -> progId, progId -> description (empty: progId with "." as blanks), progId\defaulticon -> icon.
// 0 on success, else the error code of the first step that failed (the later steps are not run).
LONG CreateAssociation(const std::wstring& extension, const std::wstring& progId, const std::wstring& description,
                       const std::wstring& iconReference);

// progId\shell\<verb text>\command -> "exe" switch "%1", with the executable's path and the file quoted
// (paths with blanks). An empty executable path means the program's own executable.
LONG CreateVerb(const std::wstring& progId, const std::wstring& verbText, const std::wstring& executablePath,
                const std::wstring& switchText);

// The program's own executable: the program folder, a backslash when needed, its name and ".exe".
std::wstring OwnExecutablePath();

// The Options dialog's OK: on installs both Nivex file types with their two verbs; off points ".ocx" and
// ".dll" back at the plain file types (the Nivex types stay, unused). Results are not examined: without
// write access the file types simply stay as they were.
void ApplyShellIntegration(bool on);

} // namespace nivex
