#!/usr/bin/env bash
# VelmoraGUI.ocx registered for real with the system's regsvr32, in a Wine prefix of its own (the
# shared test prefix's catalogue stays as other tests expect): both controls are created by their
# ProgIDs and draw as planned at 96 and at 144 dots per inch, a container of the tests' own uses them
# through the system's creation functions (and unloads the library), and unregistering removes it again.
# Usage: velmoragui_e2e.sh BUILD_DIR TESTS_EXE OCX [x86]   (x86: the 32-bit Wine and registry view)
set -euo pipefail
build=$1
tests=$2
ocx=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$build/velmoragui-e2e-prefix
source "$root/scripts/wine-env.sh" "$prefix" "${4:-}"
nivex_wine_prefix_ready
"$NIVEX_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
trap '"$NIVEX_WINESERVER" -k 2>/dev/null || true' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
folder="$prefix/drive_c/Program Files/VelmoraGUI"
mkdir -p "$folder"
cp "$ocx" "$folder/VelmoraGUI.ocx"
file='C:\Program Files\VelmoraGUI\VelmoraGUI.ocx'
bevel='HKCR\CLSID\{34511C17-2B79-4A75-A586-B2EBEEAE743F}'
dpi='HKCU\Control Panel\Desktop'

"$NIVEX_WINE" regsvr32 /s "$file" || fail "regsvr32 refused the library"
"$NIVEX_WINE" reg query "$bevel\\InprocServer32" 2>/dev/null | grep -qF "$file" || fail "Bevel is not registered"

export NIVEX_BIN_DIR=$build/bin NIVEX_FIXTURE_DIR=$build/fixtures NIVEX_VGUI_E2E=1
for resolution in 96 144; do
  "$NIVEX_WINE" reg add "$dpi" /v LogPixels /t REG_DWORD /d "$resolution" /f >/dev/null 2>&1
  out=$("$NIVEX_WINE" "$tests" --gtest_filter='*EndToEndByProgId*:ForeignContainer.*' 2>&1) || { echo "$out"; fail "at $resolution dpi"; }
  echo "$out" | tr -d '\r' | grep -qF "drawn at $resolution dpi by $file" || { echo "$out"; fail "not drawn at $resolution dpi by the registered file"; }
done
"$NIVEX_WINE" reg delete "$dpi" /v LogPixels /f >/dev/null 2>&1 || true

"$NIVEX_WINE" regsvr32 /u /s "$file" || fail "regsvr32 /u failed"
if "$NIVEX_WINE" reg query "$bevel" >/dev/null 2>&1; then fail "Bevel is still registered"; fi
"$NIVEX_WINE" regsvr32 /u /s "$file" || fail "unregistering twice failed"
echo "VelmoraGUI registered, used and unregistered in its own prefix"
