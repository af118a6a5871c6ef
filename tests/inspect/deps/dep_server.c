/* A control server that loads only when fixture_dephelper.dll and, through it, velmoradep.dll are found.
   Its registration entry points write nothing. */
#include <windows.h>

__declspec(dllimport) int HelperValue(void);

HRESULT __stdcall DllRegisterServer(void) { return HelperValue() == 43 ? S_OK : E_FAIL; }
HRESULT __stdcall DllUnregisterServer(void) { return HelperValue() == 43 ? S_OK : E_FAIL; }
