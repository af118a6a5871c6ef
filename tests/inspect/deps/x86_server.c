/* A 32-bit control server: the 64-bit program must explain why it cannot load it. */
#include <windows.h>

HRESULT __stdcall DllRegisterServer(void) { return S_OK; }
HRESULT __stdcall DllUnregisterServer(void) { return S_OK; }
