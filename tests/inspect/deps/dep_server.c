/* The server of the chain in CMakeLists.txt; its registration entry points write nothing. */
#include <windows.h>

__declspec(dllimport) int HelperValue(void);

HRESULT __stdcall DllRegisterServer(void) { return HelperValue() == 43 ? S_OK : E_FAIL; }
HRESULT __stdcall DllUnregisterServer(void) { return HelperValue() == 43 ? S_OK : E_FAIL; }
