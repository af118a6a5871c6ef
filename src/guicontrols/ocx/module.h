#pragma once
// Process-wide state of VelmoraGUI.ocx: its module handle, the count of live objects and locks
// (DllCanUnloadNow), its type library and its window classes. The controls live in any number of
// apartment threads at once, so all of it is synchronised.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace nivex::vgui {

HINSTANCE ModuleInstance();
std::wstring ModulePath();

void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

// The type library embedded in the module; kept while objects live.
HRESULT GetTypeLibrary(ITypeLib** library);

// The controls' window classes belong to this module: a class is registered for its first window and
// unregistered once none is left (also none being created), so the module can unload and load again.
// BeginWindow registers the class when needed and counts a window about to be created; EndWindow
// follows the CreateWindowExW call; WindowCreated and WindowDestroyed come from WM_NCCREATE and
// WM_NCDESTROY.
bool BeginWindow(const wchar_t* className, UINT style, WNDPROC procedure);
void EndWindow(const wchar_t* className);
void WindowCreated(const wchar_t* className);
void WindowDestroyed(const wchar_t* className);
// Unregisters the classes without windows; a class can only go once its last window has gone.
void ReleaseIdleWindowClasses();

} // namespace nivex::vgui
