#pragma once
// Process-wide state of VelmoraGUI.ocx: its module handle, the count of live objects and locks
// (DllCanUnloadNow), and its type library.
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

} // namespace nivex::vgui
