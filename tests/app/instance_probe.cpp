// Runs the single-instance check: exits 3 when another copy runs, else holds its place until released.
#include <windows.h>

#include "common/startup.h"

int main() {
    if (nivex::AnotherInstanceRunning()) return 3;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, L"Local\\NivexInstanceProbeRelease");
    if (!release) return 4;
    const DWORD waited = WaitForSingleObject(release, 120000);
    CloseHandle(release);
    return waited == WAIT_OBJECT_0 ? 0 : 5;
}
