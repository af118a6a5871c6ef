#pragma once
// Creation of the two controls, for the class factory.
#include <windows.h>
#include <oleidl.h>

#include <string>

namespace nivex::vgui {

// MiscStatus of both: recompose on resize, can't link inside, inside-out, activate when visible, set
// client site first. The Bevel is a simple frame (windows placed inside it stay its children and the
// host still hears from them); the line never takes the user-interface activation.
inline constexpr DWORD kCommonMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                           OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
inline constexpr DWORD kBevelMiscStatus = kCommonMiscStatus | OLEMISC_SIMPLEFRAME;
inline constexpr DWORD kEtchedLineMiscStatus = kCommonMiscStatus | OLEMISC_NOUIACTIVATE;

HRESULT CreateBevelControl(REFIID iid, void** out);
HRESULT CreateEtchedLineControl(REFIID iid, void** out);

// Writes and removes the library's registration under HKEY_CLASSES_ROOT (as the process sees it).
HRESULT RegisterServer(const std::wstring& modulePath);
HRESULT UnregisterServer();
// DllInstall's "user": the same below HKEY_CURRENT_USER\Software\Classes, which needs no administrator rights.
HRESULT InstallForUser(bool install, const wchar_t* command, const std::wstring& modulePath);

} // namespace nivex::vgui
