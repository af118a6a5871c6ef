#!/usr/bin/env bash
# The project's test command: installs what is missing, builds the native, x64 and x86 presets, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

echo "== native logic build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== Windows build (mingw-w64), tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
# The x86 programs too, before any test runs: the installer test packages them.
echo "== Windows x86 build (mingw-w64)"
x86_built=0
cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 && x86_built=1
# The x86 nivexcmd is the x64 programs' helper for 32-bit servers: into build/windows/bin/x86.
[ $x86_built -eq 1 ] && cmake --build --preset windows --target nivex_x86_helper

source scripts/wine-env.sh "$PWD/build/windows/wineprefix"
# Windows that tests create need an X server.
nivex_start_xvfb 91 120
nivex_wine_prefix_ready
# Keep one wineserver for the whole run instead of one per test.
"$NIVEX_WINESERVER" -p60 || true
# Start Wine's own services once before tests run in parallel: two programs that are the first of a
# session with a display can hang at exit.
"$NIVEX_WINE" cmd.exe /c exit >/dev/null 2>&1 || true
status=0
ctest --preset windows || status=$?
"$NIVEX_WINESERVER" -k 2>/dev/null || true

echo "== Windows x86: the bitness tests under the 32-bit Wine"
x86_status=0
if [ $x86_built -eq 1 ]; then
  source scripts/wine-env.sh "$PWD/build/windows-x86/wineprefix" x86
  nivex_wine_prefix_ready
  "$NIVEX_WINESERVER" -p60 || true
  "$NIVEX_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  ctest --preset windows-x86 || x86_status=$?
  "$NIVEX_WINESERVER" -k 2>/dev/null || true
else
  x86_status=1
fi
[ "$status" -ne 0 ] || status=$x86_status
[ -n "$NIVEX_XVFB_PID" ] && kill "$NIVEX_XVFB_PID" 2>/dev/null
exit $status
