/* A server whose code leaves a trace when it runs: loading it as a program module sets
   NIVEX_PREVIEW_FIXTURE_RAN in the process, mapping it as data does not. Its bitmaps: preview_fixture.rc. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"NIVEX_PREVIEW_FIXTURE_RAN", L"1");
    return TRUE;
}
