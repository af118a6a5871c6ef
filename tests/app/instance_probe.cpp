// Runs the single-instance check: exits 3 when another copy runs, else holds its place until released.
#include <windows.h>

#include "common/startup.h"

int main() {
    if (nivex::AnotherInstanceRunning()) return 3;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, L"Local\\NivexInstanceProbeRelease"); // closed by the exit
    return WaitForSingleObject(release, 120000) == WAIT_OBJECT_0 ? 0 : 5;
}
