/* A server whose code leaves a trace when it runs: loading it as a program module sets
   NIVEX_PREVIEW_FIXTURE_RAN in the process, mapping it as data does not. Its bitmaps:
   1  16x15, 24 bits, magenta background (the bottom-left pixel)
   2  16x16, 8 bits with a four-colour palette
   4  a bitmap header that claims far more pixels than the resource holds
   3  not a bitmap (data of another type)
   6  2x2 with an old-style core header; 7  2x1 top-down with colour masks */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"NIVEX_PREVIEW_FIXTURE_RAN", L"1");
    return TRUE;
}

__declspec(dllexport) int PreviewFixtureDummy(void) { return 7; }
