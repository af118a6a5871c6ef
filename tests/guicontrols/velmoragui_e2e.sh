#!/usr/bin/env bash
# VelmoraGUI.ocx registered for real with the system's regsvr32, in a Wine prefix of its own (the
# shared test prefix's catalogue stays as other tests expect): both controls are created by their
# ProgIDs and draw as planned at 96 and at 144 dots per inch, a container of the tests' own uses them
# through the system's creation functions (and unloads the library), and unregistering removes it again.
# The x64 run then registers the x86 build beside it (when built): unregistering either build leaves
# the other's classes, ProgIDs and type library whole.
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
  out=$("$NIVEX_WINE" "$tests" --gtest_filter='ForeignContainer.*' 2>&1) || { echo "$out"; fail "at $resolution dpi"; }
  echo "$out" | tr -d '\r' | grep -qF "drawn at $resolution dpi by $file" || { echo "$out"; fail "not drawn at $resolution dpi by the registered file"; }
done
"$NIVEX_WINE" reg delete "$dpi" /v LogPixels /f >/dev/null 2>&1 || true

"$NIVEX_WINE" regsvr32 /u /s "$file" || fail "regsvr32 /u failed"
if "$NIVEX_WINE" reg query "$bevel" >/dev/null 2>&1; then fail "Bevel is still registered"; fi
"$NIVEX_WINE" regsvr32 /u /s "$file" || fail "unregistering twice failed"
echo "VelmoraGUI registered, used and unregistered in its own prefix"

x86=$build/../windows-x86
[ -z "${4:-}" ] && [ -f "$x86/bin/VelmoraGUI.ocx" ] || exit 0
folder86="$prefix/drive_c/Program Files (x86)/VelmoraGUI"
mkdir -p "$folder86"
cp "$x86/bin/VelmoraGUI.ocx" "$folder86/VelmoraGUI.ocx"
file86='C:\Program Files (x86)\VelmoraGUI\VelmoraGUI.ocx'
regsvr86() { /usr/lib/wine/wine 'C:\windows\syswow64\regsvr32.exe' /s "$@" </dev/null; }
# whole 64|32: that build's tests find the classes by ProgID and load the type library of their bitness.
whole() {
  local out
  if [ "$1" = 64 ]; then
    out=$("$NIVEX_WINE" "$tests" --gtest_filter='*EndToEndByProgId*' 2>&1) && grep -qF "by $file" <<<"${out//$'\r'/}"
  else
    out=$(NIVEX_BIN_DIR=$x86/bin /usr/lib/wine/wine "$x86/tests/guicontrols/velmoragui_tests.exe" \
      --gtest_filter='*EndToEndByProgId*' 2>&1 </dev/null) && grep -qF "by $file86" <<<"${out//$'\r'/}"
  fi || { echo "$out"; return 1; }
}
"$NIVEX_WINE" regsvr32 /s "$file" && regsvr86 "$file86" || fail "registering both builds"
whole 64 && whole 32 || fail "both builds registered, one is not whole"
regsvr86 /u "$file86" || fail "unregistering the x86 build"
whole 64 || fail "the x64 build is not whole after the x86 one was unregistered"
regsvr86 "$file86" && "$NIVEX_WINE" regsvr32 /u /s "$file" || fail "registering x86 again, unregistering x64"
whole 32 || fail "the x86 build is not whole after the x64 one was unregistered"
regsvr86 /u "$file86" || fail "unregistering the x86 build"
for key in 'HKCR\TypeLib\{D47FEC19-05F5-4C0C-B627-FE329A7B4C55}' 'HKCR\VelmoraGUI.Bevel'; do
  if "$NIVEX_WINE" reg query "$key" >/dev/null 2>&1; then fail "$key stays after both builds went"; fi
done
echo "both builds registered side by side; each stayed whole when the other went"
